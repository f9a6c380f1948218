#!/usr/bin/env bash
# Times findlet on a slow share, with 1 to 64 folder reads in flight, against
# find (one request at a time, as findlet with FINDLET_THREADS=1) and fdfind
# (Debian's fd-find: a parallel walker that gives up order, as the reference
# for what parallel requests give). The share is latfs (tools/latfs.c), a
# FUSE pass-through that waits in every request and serves up to 64 at once,
# over trees made by tools/BenchTree.cpp. Needs root, /dev/fuse, and Debian's
# fuse3, libfuse3-dev, pkg-config and fd-find.
#
#   tools/share-benchmark.sh [--dir FOLDER] [--tool BINARY] [--runs N]
#                            [--trees "SHAPE:FILES ..."] [--regimes "stat list"]
#                            [--threads "N ..."] [--fd "N ..."] [--wine EXE]
#
#   --dir      where trees, mount point and results live (default
#              /tmp/findlet-share-bench); trees are kept for later runs
#   --tool     the findlet binary (default: the Release build of this
#              checkout, built first with the default preset)
#   --runs     rounds per tree and regime (default 3); each round runs every
#              command once, in turn
#   --trees    shapes and sizes (default "music:7800 large:20000 deep:100000")
#   --regimes  stat: 1 ms per attribute query and per directory read, no
#              attribute caching (NFS without READDIRPLUS); list: 2 ms per
#              directory read, which brings each entry's attributes, cached
#              for a second (NFS READDIRPLUS, SMB, Windows)
#   --threads  FINDLET_THREADS values to time (default "1 4 8 16 32 64"; 1 is
#              the walk one folder at a time)
#   --fd       fdfind thread counts to time (default "8 16 32 64"; empty: none)
#   --wine     also time this findlet.exe under Wine, list regime only, with
#              FINDLET_THREADS=1 and with its default
#
# The share is mounted afresh for every single run, so that no run finds the
# kernel's caches filled by the one before. The report gives, per tree and
# regime, the median wall time of each command, its ratio to find, and for
# findlet whether its page equals that of FINDLET_THREADS=1.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)

dir=/tmp/findlet-share-bench
tool=
runs=3
seed=7
trees="music:7800 large:20000 deep:100000"
regimes="stat list"
threads="1 4 8 16 32 64"
fds="8 16 32 64"
wine_exe=

usage() {
  sed -n '9,27p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit "${1:-0}"
}

while (($# > 0)); do
  case $1 in
    --dir) dir=$2; shift 2 ;;
    --tool) tool=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --trees) trees=$2; shift 2 ;;
    --regimes) regimes=$2; shift 2 ;;
    --threads) threads=$2; shift 2 ;;
    --fd) fds=$2; shift 2 ;;
    --wine) wine_exe=$2; shift 2 ;;
    -h | --help) usage 0 ;;
    *) echo "unknown option: $1" >&2; usage 2 ;;
  esac
done
for command in find fusermount3 pkg-config cc; do
  command -v "$command" >/dev/null || { echo "$command is needed" >&2; exit 1; }
done
[[ -z $fds ]] || command -v fdfind >/dev/null || { echo "fdfind is needed (fd-find)" >&2; exit 1; }
[[ -e /dev/fuse ]] || { echo "/dev/fuse is needed" >&2; exit 1; }

mkdir -p "$dir/bin" "$dir/out" "$dir/mnt"
dir=$(cd "$dir" && pwd)
mount=$dir/mnt

if [[ -z $tool ]]; then
  (cd "$repo" && cmake --preset default >/dev/null && cmake --build --preset default >/dev/null)
  tool=$repo/build/default/findlet
fi
[[ -x $tool ]] || { echo "no findlet binary at $tool" >&2; exit 1; }

# shellcheck source=tools/bench-common.sh
source "$here/bench-common.sh"
build_helpers
build_latfs
trap unmount EXIT

# mount SOURCE REGIME: latfs over SOURCE at $mount in that regime.
mount_share() {
  case $2 in
    stat) latfs_mount "$1" 1000 1000 0 ;;
    list) latfs_mount "$1" 2000 1000 1 ;;
  esac
}

# time_one NAME SOURCE REGIME COMMAND...: one run on a fresh mount, its wall
# time appended to NAME.txt. findlet's page is kept as NAME.html.
time_one() {
  local name=$1 source=$2 regime=$3
  shift 3
  rm -f "$source/search.html"
  mount_share "$source" "$regime"
  "$dir/bin/BenchRun" "$dir/out/$name.txt" /dev/null -- "$@"
  unmount
  local status
  status=$(tail -n 1 "$dir/out/$name.txt" | awk '{ print $5 }')
  [[ $status == 0 ]] || { echo "$name failed with status $status" >&2; exit 1; }
  if [[ -f $source/search.html ]]; then
    # The page's date line differs from run to run.
    sed 's/Auto generated <i>(.*/Auto generated <i>(DATE/' "$source/search.html" >"$dir/out/$name.html"
    rm -f "$source/search.html"
  fi
}

printf 'findlet %s\n%s CPUs, kernel %s; latfs over %s\n\n' "$tool" "$(nproc)" "$(uname -r)" \
  "$(df -T "$dir" | awk 'NR == 2 { print $2 }')"
echo "| tree | regime | command | wall s (median) | ÷ find | page as FINDLET_THREADS=1 |"
echo "|---|---|---|---:|---:|---|"

for tree in $trees; do
  shape=${tree%%:*} files=${tree##*:}
  ensure_tree "$shape" "$files"
  source=$dir/$shape-$files
  for regime in $regimes; do
    names=(find)
    for n in $threads; do names+=("findlet-$n"); done
    for n in $fds; do names+=("fdfind-$n"); done
    if [[ -n $wine_exe && $regime == list ]]; then names+=(wine-1 wine-default); fi
    for name in "${names[@]}"; do : >"$dir/out/$name.txt"; rm -f "$dir/out/$name.html"; done
    for ((round = 1; round <= runs; round++)); do
      for name in "${names[@]}"; do
        case $name in
          find) time_one "$name" "$source" "$regime" find "$mount" -printf '%s %p\n' ;;
          findlet-*)
            time_one "$name" "$source" "$regime" env FINDLET_THREADS="${name#findlet-}" "$tool" "$mount" ;;
          fdfind-*)
            time_one "$name" "$source" "$regime" fdfind -u -j "${name#fdfind-}" --type f \
              --size -1000000m . "$mount" ;;
          wine-1)
            time_one "$name" "$source" "$regime" env FINDLET_THREADS=1 wine "$wine_exe" "Z:$mount" ;;
          wine-default) time_one "$name" "$source" "$regime" wine "$wine_exe" "Z:$mount" ;;
        esac
      done
    done
    find_wall=$(awk '{ print $1 }' "$dir/out/find.txt" | median)
    for name in "${names[@]}"; do
      wall=$(awk '{ print $1 }' "$dir/out/$name.txt" | median)
      same=
      case $name in
        findlet-*) cmp -s "$dir/out/$name.html" "$dir/out/findlet-1.html" && same=yes || same=NO ;;
        wine-*) cmp -s "$dir/out/$name.html" "$dir/out/wine-1.html" && same=yes || same=NO ;;
      esac
      awk -v t="$shape $files" -v r="$regime" -v n="$name" -v w="$wall" -v f="$find_wall" -v s="$same" \
        'BEGIN { printf "| %s | %s | %s | %.3f | %.3f | %s |\n", t, r, n, w, w / f, s }'
    done
  done
done
