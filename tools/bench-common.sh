# Shared by tools/benchmark.sh, tools/share-benchmark.sh and
# tools/readahead-benchmark.sh (sourced): the helpers built into the
# benchmark folder, the reproducible trees, the median, and latfs. Expects $here (the tools folder), $dir (the benchmark folder) and
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

# latfs (tools/latfs.c), built into $dir/bin, serving at $mount; the caller
# sets $mount and traps unmount on EXIT.
build_latfs() {
  if [[ ! -x $dir/bin/latfs || $here/latfs.c -nt $dir/bin/latfs ]]; then
    # shellcheck disable=SC2046
    cc -O2 -Wall "$here/latfs.c" $(pkg-config --cflags --libs fuse3) -o "$dir/bin/latfs"
  fi
}

# latfs_mount SOURCE DIR_US ATTR_US PLUS: latfs over SOURCE at $mount, waiting
# until it serves.
latfs_mount() {
  "$dir/bin/latfs" "$1" "$mount" "$2" "$3" "$4" >/dev/null 2>&1 &
  latfs_pid=$!
  for ((i = 0; i < 200; i++)); do
    mountpoint -q "$mount" && return
    sleep 0.02
  done
  echo "latfs did not mount $1" >&2
  exit 1
}

unmount() {
  if mountpoint -q "$mount"; then fusermount3 -u "$mount" 2>/dev/null || fusermount3 -uz "$mount"; fi
  [[ -z ${latfs_pid:-} ]] || wait "$latfs_pid" 2>/dev/null || true
  latfs_pid=
}
