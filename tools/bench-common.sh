# Shared by tools/benchmark.sh and tools/share-benchmark.sh (sourced): the
# helpers built into the benchmark folder, the reproducible trees, and the
# median. Expects $here (the tools folder), $dir (the benchmark folder) and
# $seed.

# Builds tools/BenchTree.cpp and tools/BenchRun.cpp into $dir/bin, with the
# project's warning flags, whenever their source is newer than the binary.
build_helpers() {
  local cxx=${CXX:-c++} helper
  mkdir -p "$dir/bin"
  for helper in BenchTree BenchRun; do
    if [[ ! -x $dir/bin/$helper || $here/$helper.cpp -nt $dir/bin/$helper ]]; then
      "$cxx" -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -o "$dir/bin/$helper" "$here/$helper.cpp"
    fi
  done
}

# ensure_tree SHAPE FILES: the tree $dir/SHAPE-FILES, made once and rebuilt
# only when the seed or the generator changed since it was made.
ensure_tree() {
  local shape=$1 files=$2 root=$dir/$1-$2
  local stamp
  stamp="seed=$seed generator=$(cksum <"$here/BenchTree.cpp" | cut -d' ' -f1)"
  if [[ -f $root.ready && $(cat "$root.ready") == "$stamp" && -d $root ]]; then return; fi
  rm -rf "$root" "$root.ready"
  local start=$EPOCHREALTIME
  "$dir/bin/BenchTree" "$shape" "$files" "$seed" "$root"
  printf '%s\n' "$stamp" >"$root.ready"
  awk -v s="$start" -v e="$EPOCHREALTIME" -v n="$files" -v t="$shape" \
    'BEGIN { printf "generated %s tree of %d files in %.1f s\n", t, n, e - s }' >&2
}

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
