#!/usr/bin/env bash
# Compares two builds of a tool on one trace: runs them alternately N times
# (output to /dev/null) and prints the median CPU time of each. Timings on a
# shared machine drift by 20% or more from minute to minute; alternating runs
# and medians keep such drift out of the comparison.
#
#   bash bench/compare.sh 15 bench/data/AMQ30211.1.FMT old/varnel build/release/formatter/varnel
#
# The trace is passed without a directory (the tools require it), so the
# script runs in the trace's folder. Needs perf (Debian package linux-perf).
set -euo pipefail
runs=$1 trace=$2 a=$(realpath "$3") b=$(realpath "$4")
cd "$(dirname "$trace")"
name=$(basename "$trace")
cpu_ms() { perf stat -x, -e task-clock "$1" "$name" /dev/null -e little 2>&1 >/dev/null | grep task-clock | cut -d, -f1; }
ta=() tb=()
for ((i = 0; i < runs; i++)); do
    ta+=("$(cpu_ms "$a")")
    tb+=("$(cpu_ms "$b")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
printf '%-50s median %8.2f ms\n' "$a" "$(median "${ta[@]}")" "$b" "$(median "${tb[@]}")"
