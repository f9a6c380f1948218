#!/usr/bin/env bash
# Times findlet against find (the same directory reads and one stat per entry,
# writing nothing) and tree -H (an HTML listing with sizes) on reproducible
# trees of 10,000, 100,000 and 1,000,000 files, in a wide and a deep shape.
#
#   tools/benchmark.sh [--dir FOLDER] [--tool BINARY] [--runs N] [--seed N]
#                      [--sizes "N ..."] [--shapes "wide deep"] [--tty] [--clean]
#
#   --dir     where the trees, helpers and results live (default
#             /tmp/findlet-bench); trees are kept and reused by later runs
#   --tool    the findlet binary (default: the Release build of this checkout,
#             built first with the default preset)
#   --runs    timed rounds per tree, at least 5 (default 5)
#   --seed    seed of names, sizes and shape (default 7)
#   --sizes   file counts (default "10000 100000 1000000")
#   --shapes  tree shapes (default "wide deep")
#   --tty     run findlet with its output on a pseudo-terminal, as in a
#             console: each findlet round runs under `script -qec ... /dev/null`
#             (util-linux), so the progress line of a long walk is written.
#             Its times and peak memory then include script's, which copies
#             the output to /dev/null; find and tree run as without it
#   --clean   remove the trees afterwards
#
# Each tree is generated once, then every tool runs once untimed to warm the
# cache, then the rounds alternate findlet, find, tree. The report gives the
# median wall, user and system time of each, the ratios to find and tree,
# findlet's peak resident memory against its page size, and how the time grows
# from the smallest to the largest size.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)

dir=/tmp/findlet-bench
tool=
runs=5
seed=7
sizes="10000 100000 1000000"
shapes="wide deep"
tty=0
clean=0

usage() {
  sed -n '6,22p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit "${1:-0}"
}

while (($# > 0)); do
  case $1 in
    --dir) dir=$2; shift 2 ;;
    --tool) tool=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --shapes) shapes=$2; shift 2 ;;
    --tty) tty=1; shift ;;
    --clean) clean=1; shift ;;
    -h | --help) usage 0 ;;
    *) echo "unknown option: $1" >&2; usage 2 ;;
  esac
done
((runs >= 5)) || { echo "--runs must be at least 5" >&2; exit 2; }
needed="find tree"
((tty)) && needed+=" script"
for command in $needed; do
  command -v "$command" >/dev/null || { echo "$command is needed" >&2; exit 1; }
done

mkdir -p "$dir/bin" "$dir/out"
dir=$(cd "$dir" && pwd)

if [[ -z $tool ]]; then
  (cd "$repo" && cmake --preset default >/dev/null && cmake --build --preset default >/dev/null)
  tool=$repo/build/default/findlet
fi
[[ -x $tool ]] || { echo "no findlet binary at $tool" >&2; exit 1; }

# shellcheck source=tools/bench-common.sh
source "$here/bench-common.sh"
build_helpers

column_of() { awk -v c="$2" '{ print $c }' "$1"; }

# run NAME ROOT: one measured run of one tool, its line appended to NAME.txt.
run() {
  local name=$1 root=$2 results=$dir/out/$1.txt
  case $name in
    findlet)
      rm -f "$root/search.html"
      if ((tty)); then
        # script passes on the tool's exit status (-e); its input is none, so
        # that the terminal of the benchmark's caller plays no part.
        "$dir/bin/BenchRun" "$results" /dev/null -- \
          script -qec "exec $(printf '%q %q' "$tool" "$root")" /dev/null </dev/null
      else
        "$dir/bin/BenchRun" "$results" /dev/null -- "$tool" "$root"
      fi
      page_bytes=$(stat -c %s "$root/search.html")
      rm -f "$root/search.html"
      ;;
    find) "$dir/bin/BenchRun" "$results" /dev/null -- find "$root" -printf '%s %p\n' ;;
    tree) "$dir/bin/BenchRun" "$results" /dev/null -- tree -H . -s -a --noreport -o "$dir/out/tree.html" "$root" ;;
  esac
  local status
  status=$(tail -n 1 "$results" | awk '{ print $5 }')
  [[ $status == 0 ]] || { echo "$name failed on $root with status $status" >&2; exit 1; }
}

summary=$dir/out/summary.txt
: >"$summary"
cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
mode=
((tty)) && mode=" (output on a pseudo-terminal)"
printf 'findlet %s%s\n%s CPUs (%s), kernel %s, %s on %s\n\n' "$tool" "$mode" "$(nproc)" "${cpu:-unknown}" \
  "$(uname -r)" "$(df -T "$dir" | awk 'NR == 2 { print $2 }')" "$dir"

for shape in $shapes; do
  for files in $sizes; do
    ensure_tree "$shape" "$files"
    root=$dir/$shape-$files
    rm -f "$root/search.html"
    page_bytes=0
    for name in findlet find tree; do run "$name" "$root"; done # warm-up
    for name in findlet find tree; do : >"$dir/out/$name.txt"; done
    for ((round = 1; round <= runs; round++)); do
      for name in findlet find tree; do run "$name" "$root"; done
    done

    printf '%s, %d files, %d rounds, warm cache\n' "$shape" "$files" "$runs"
    printf '  %-8s %10s %17s %8s %8s %8s %8s %10s\n' tool "wall s" "(min-max)" "user s" "sys s" \
      "÷ find" "÷ tree" "peak KiB"
    wall_find=$(column_of "$dir/out/find.txt" 1 | median)
    wall_tree=$(column_of "$dir/out/tree.txt" 1 | median)
    for name in findlet find tree; do
      results=$dir/out/$name.txt
      wall=$(column_of "$results" 1 | median)
      range=$(column_of "$results" 1 | sort -g | awk 'NR == 1 { low = $1 } { high = $1 } END { printf "%.3f-%.3f", low, high }')
      user=$(column_of "$results" 2 | median)
      sys=$(column_of "$results" 3 | median)
      rss=$(column_of "$results" 4 | sort -n | tail -n 1)
      awk -v n="$name" -v w="$wall" -v m="$range" -v u="$user" -v s="$sys" -v f="$wall_find" \
        -v t="$wall_tree" -v r="$rss" \
        'BEGIN { printf "  %-8s %10.3f %17s %8.3f %8.3f %8.3f %8.3f %10d\n", n, w, "(" m ")", u, s, w / f, w / t, r }'
      if [[ $name == findlet ]]; then wall_tool=$wall; rss_tool=$rss; fi
    done
    awk -v p="$page_bytes" -v r="$rss_tool" -v n="$files" -v w="$wall_tool" \
      'BEGIN { printf "  page %d bytes (%.1f per file); findlet peak RSS %.2f x page; %.3f us per file\n\n",
               p, p / n, r * 1024 / p, w * 1e6 / n }'
    printf '%s %s %s %s %s %s %s\n' "$shape" "$files" "$wall_tool" "$wall_find" "$wall_tree" \
      "$rss_tool" "$page_bytes" >>"$summary"
  done
done

echo "Summary (medians; targets at the largest size: findlet <= 1.0 x find, <= 0.6 x tree,"
echo "peak RSS <= 2.2 x page, 100 x files <= 110 x time)"
echo
echo "| shape | files | findlet s | find s | tree -H s | findlet ÷ find | findlet ÷ tree | peak RSS ÷ page |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
awk '{ printf "| %s | %d | %.3f | %.3f | %.3f | %.3f | %.3f | %.2f |\n", $1, $2, $3, $4, $5, $3 / $4, $3 / $5, $6 * 1024 / $7 }' "$summary"
echo
for shape in $shapes; do
  awk -v s="$shape" '$1 == s { if (!n++) { f0 = $2; t0 = $3; d0 = $4 } f1 = $2; t1 = $3; d1 = $4 }
    END { if (n > 1) printf "%s: %d -> %d files (x %.0f): findlet time x %.1f, find time x %.1f\n",
                            s, f0, f1, f1 / f0, t1 / t0, d1 / d0 }' "$summary"
done

if ((clean)); then
  for shape in $shapes; do
    for files in $sizes; do rm -rf "$dir/$shape-$files" "$dir/$shape-$files.ready"; done
  done
fi
