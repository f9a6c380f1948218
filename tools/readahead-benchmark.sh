#!/usr/bin/env bash
# The read-ahead's hard cases, timed. Needs root, /dev/fuse, Debian's fuse3,
# libfuse3-dev, pkg-config and util-linux (taskset), and cgroup version 1's
# cpu controller for the half-processor case.
#
#   tools/readahead-benchmark.sh [--dir FOLDER] [--tool BINARY] [--runs N] [CASE ...]
#
# CASE is any of:
#   names   one folder of 4,096 sub-folders of 2 files each, names of 10 and
#           of 200 bytes, through latfs (500 us a request, attributes with
#           the listing): find, FINDLET_THREADS=1 and the default
#   stats   40 folders of one file each, 20 ms a stat: FINDLET_THREADS=1 and
#           2, with processor time
#   memory  20 runs under a tight address-space limit, threads started at
#           once: how each ends, and whether its page is the one-thread page
#   cpus    a local tree of 200,000 files on one processor (taskset) and in a cgroup
#           of half a processor: FINDLET_THREADS=1 and the default, with the
#           most threads the process held
# (default: all). Medians of --runs rounds (default 3); the share is mounted
# afresh for every run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
dir=/tmp/findlet-readahead-bench
tool=
runs=3
seed=7
cases=()
while (($# > 0)); do
  case $1 in
    --dir) dir=$2; shift 2 ;;
    --tool) tool=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    -h | --help) sed -n '2,20p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) cases+=("$1"); shift ;;
  esac
done
((${#cases[@]} > 0)) || cases=(names stats memory cpus)
# shellcheck source=tools/bench-common.sh
source "$here/bench-common.sh"

if [[ -z $tool ]]; then
  (cd "$repo" && cmake --preset default >/dev/null && cmake --build --preset default --target findlet >/dev/null)
  tool=$repo/build/default/findlet
fi
mkdir -p "$dir/bin" "$dir/out"
build_helpers
build_latfs
mount=$dir/mnt
mkdir -p "$mount"
latfs_pid=
trap unmount EXIT

# timed NAME COMMAND...: one run; "WALL USER SYSTEM PEAK_KIB STATUS" appended to NAME.txt.
timed() {
  local name=$1
  shift
  "$dir/bin/BenchRun" "$dir/out/$name.txt" /dev/null -- "$@"
}
column() { awk -v c="$2" '{ print $c }' "$dir/out/$1.txt" | median; }
page() { sed 's/Auto generated <i>(.*/Auto generated <i>(DATE/' "$1"; }

# shared_tree NAME FOLDERS FILES NAME_LENGTH: FOLDERS sub-folders of FILES files each.
shared_tree() {
  local root=$dir/$1
  [[ -d $root ]] && return
  mkdir -p "$root"
  (cd "$root" && for ((i = 0; i < $2; i++)); do
    local folder
    folder=$(printf '%05d%s' "$i" "$(head -c "$(($4 - 5))" </dev/zero | tr '\0' n)")
    mkdir "$folder"
    for ((j = 0; j < $3; j++)); do : >"$folder/f$j.txt"; done
  done)
}

case_names() {
  echo "## Long names: 4,096 sub-folders of 2 files, latfs 500 us a request, attributes with the listing"
  echo "| names | find s | FINDLET_THREADS=1 s | default s | default ÷ find | page as one thread |"
  echo "|---|---:|---:|---:|---:|---|"
  local length
  for length in 10 200; do
    shared_tree "names$length" 4096 2 "$length"
    rm -f "$dir/out/names$length-"*
  done
  # The two lengths take turns, so that a drift of the machine's speed over
  # the rounds weighs on both alike.
  for ((r = 0; r < runs; r++)); do
    for length in 10 200; do
      latfs_mount "$dir/names$length" 500 500 1
      timed "names$length-find" find "$mount" -printf '%s %p\n'
      unmount
      for threads in 1 default; do
        latfs_mount "$dir/names$length" 500 500 1
        rm -f "$dir/names$length/search.html"
        if [[ $threads == 1 ]]; then
          FINDLET_THREADS=1 timed "names$length-1" "$tool" "$mount"
        else
          timed "names$length-default" "$tool" "$mount"
        fi
        unmount
        page "$dir/names$length/search.html" >"$dir/out/names$length-$threads.html"
      done
    done
  done
  for length in 10 200; do
    local same=no
    cmp -s "$dir/out/names$length-1.html" "$dir/out/names$length-default.html" && same=yes
    local f one d
    f=$(column "names$length-find" 1)
    one=$(column "names$length-1" 1)
    d=$(column "names$length-default" 1)
    echo "| $length bytes | $f | $one | $d | $(awk -v a="$d" -v b="$f" 'BEGIN { printf "%.3f", a / b }') | $same |"
  done
  echo
}

case_stats() {
  echo "## Slow stats: 40 folders of one file, 20 ms a stat (latfs, no attributes with the listing)"
  echo "| FINDLET_THREADS | wall s | processor s | processor ÷ wall |"
  echo "|---:|---:|---:|---:|"
  shared_tree stats 40 1 8
  local threads
  for threads in 1 2; do
    rm -f "$dir/out/stats-$threads.txt"
    for ((r = 0; r < runs; r++)); do
      latfs_mount "$dir/stats" 0 20000 0
      FINDLET_THREADS=$threads timed "stats-$threads" "$tool" "$mount"
      unmount
    done
    local wall cpu
    wall=$(column "stats-$threads" 1)
    cpu=$(awk '{ print $2 + $3 }' "$dir/out/stats-$threads.txt" | median)
    echo "| $threads | $wall | $cpu | $(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.3f", c / w }') |"
  done
  echo
}

case_memory() {
  echo "## A tight address-space limit, threads started at once: 20 runs at each limit"
  echo "(the lowest limits at which FINDLET_THREADS=1 still writes the page of this tree of 20,000 files)"
  ensure_tree wide 20000
  local root=$dir/wide-20000 limit
  # Twice: from the second run on, the tree holds the page the first wrote.
  FINDLET_THREADS=1 "$tool" "$root" >/dev/null
  FINDLET_THREADS=1 "$tool" "$root" >/dev/null
  page "$root/search.html" >"$dir/out/memory-alone.html"
  echo "| ulimit -v KiB | one-thread page | failed, last page kept | ended by a signal | otherwise |"
  echo "|---:|---:|---:|---:|---:|"
  for limit in 10000 13000 16000 20000; do
    local ended=0 same=0 failed=0 other=0
    for ((r = 0; r < 20; r++)); do
      cp "$root/search.html" "$dir/out/memory-before.html"
      local status=0
      (ulimit -v "$limit"; FINDLET_TEST_THREADS_AFTER_MICROSECONDS=0 FINDLET_TEST_FIRST_THREADS=7 "$tool" "$root" >"$dir/out/memory-console.txt" 2>&1) || status=$?
      if ((status >= 128)); then
        ended=$((ended + 1))
      elif grep -q "Can't output file" "$dir/out/memory-console.txt" && cmp -s "$root/search.html" "$dir/out/memory-before.html"; then
        failed=$((failed + 1))
      elif [[ $status == 0 ]] && cmp -s <(page "$root/search.html") "$dir/out/memory-alone.html"; then
        same=$((same + 1))
      else
        other=$((other + 1))
      fi
    done
    echo "| $limit | $same | $failed | $ended | $other |"
  done
  echo
}

# Runs the command, sampling /proc/PID/task every millisecond; prints the
# most threads seen, after the command's cost line in NAME.txt.
threads_held() {
  local name=$1
  shift
  "$dir/bin/BenchRun" "$dir/out/$name.txt" /dev/null -- "$@" &
  local runner=$! most=0 pid=
  while kill -0 "$runner" 2>/dev/null; do
    [[ -n $pid ]] || pid=$(pgrep -P "$runner" | head -n 1) || true
    if [[ -n $pid && -d /proc/$pid/task ]]; then
      local now
      now=$(ls /proc/"$pid"/task 2>/dev/null | wc -l) || now=0
      ((now > most)) && most=$now
    fi
    sleep 0.001
  done
  wait "$runner"
  echo "$most" >>"$dir/out/$name.threads"
}

case_cpus() {
  echo "## Fewer processors: a local tree of 200,000 files"
  echo "| where | FINDLET_THREADS | wall s | most threads held |"
  echo "|---|---:|---:|---:|"
  ensure_tree wide 200000
  local root=$dir/wide-200000 group=/sys/fs/cgroup/cpu/findlet-half
  mkdir -p "$group"
  echo 100000 >"$group/cpu.cfs_period_us"
  echo 50000 >"$group/cpu.cfs_quota_us"
  local where threads all first other
  # The tool gets the first processor this script may use; the sampling loop
  # of threads_held keeps to the others, if there are any, so that the
  # tool's time is its own.
  all=$(taskset -cp $$ | sed 's/.*: //')
  read -r first other < <(python3 -c 'import os; c = sorted(os.sched_getaffinity(0)); print(c[0], ",".join(map(str, c[1:])))')
  for where in taskset cgroup; do
    if [[ $where == taskset && -n $other ]]; then taskset -cp "$other" $$ >/dev/null; else taskset -cp "$all" $$ >/dev/null; fi
    rm -f "$dir/out/cpus-$where"-*
    # The two settings take turns, so that a drift of the machine's speed
    # over the rounds weighs on both alike.
    for ((r = 0; r < runs; r++)); do
      for threads in 1 default; do
        local name="cpus-$where-$threads" env=()
        [[ $threads == 1 ]] && env=(FINDLET_THREADS=1)
        if [[ $where == taskset ]]; then
          threads_held "$name" env "${env[@]}" taskset -c "$first" "$tool" "$root"
        else
          threads_held "$name" sh -c 'echo $$ >"$0/cgroup.procs" && exec env "$@"' "$group" "${env[@]}" "$tool" "$root"
        fi
      done
    done
    for threads in 1 default; do
      local name="cpus-$where-$threads"
      echo "| $where | $threads | $(column "$name" 1) | $(sort -g "$dir/out/$name.threads" | tail -n 1) |"
    done
  done
  rmdir "$group" 2>/dev/null || true
  echo
}

printf 'findlet %s\n%s CPUs, kernel %s\n\n' "$tool" "$(nproc)" "$(uname -r)"
for c in "${cases[@]}"; do "case_$c"; done
