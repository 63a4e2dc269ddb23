#!/usr/bin/env bash
# Times varnel and quorbit against `cat trace > file` on generated traces of
# about 500 MiB, on the same disk, and reports peak memory. Run from anywhere;
# `make bench` builds the release binaries first.
#
#   varnel            on a trace with every structure at a realistic density
#   varnel -m -s      (-m 1208 -s fox) on a trace that is half message data
#   quorbit           on a trace of API calls
#
# Each round runs cat and the tool alternately; the table gives the median
# times, and the median and the best of the rounds' ratios (each tool run
# against the cat run just before it).
#
# Settings (environment): BENCH_SIZE_MB (default 500), BENCH_SMALL_MB (50),
# BENCH_RUNS (5).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
varnel=$root/build/release/formatter/varnel
quorbit=$root/build/release/apistats/quorbit
data=$here/data
size_mb=${BENCH_SIZE_MB:-500}
small_mb=${BENCH_SMALL_MB:-50}
runs=${BENCH_RUNS:-5}

for bin in "$varnel" "$quorbit"; do
    if [ ! -x "$bin" ]; then
        echo "missing $bin: run 'make release' first" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "/usr/bin/time is needed for the peak memory (apt-get install time)" >&2
    exit 1
fi

mkdir -p "$data"
cd "$data"

# The trace names follow the AMQ<pid>.<n>.FMT rule; the tools get them
# without a directory, so everything runs inside bench/data.
v_big=AMQ30211.0.FMT
v_small=AMQ30211.1.FMT
q_big=AMQ30212.0.FMT
q_small=AMQ30212.1.FMT
m_big=AMQ30213.0.FMT
m_small=AMQ30213.1.FMT

# Generates a trace unless one of the right size is already there (the
# generator stops at the first line end at or past the size asked for).
make_trace() {
    local kind=$1 mb=$2 name=$3 pid=$4
    local want=$((mb * 1048576)) have=0
    [ -f "$name" ] && have=$(stat -c %s "$name")
    if [ "$have" -ge "$want" ] && [ "$have" -lt $((want + 4096)) ]; then
        echo "keeping   $name ($kind, $mb MiB)"
        return
    fi
    echo "writing   $name ($kind, $mb MiB)"
    local t0 t1
    t0=$(date +%s%N)
    python3 "$here/gen_trace.py" --kind "$kind" --size-mb "$mb" --pid "$pid" "$name" 2>/dev/null
    t1=$(date +%s%N)
    echo "          generated in $(( (t1 - t0) / 1000000 )) ms"
}

make_trace varnel "$size_mb" "$v_big" 30211
make_trace varnel "$small_mb" "$v_small" 30211
make_trace quorbit "$size_mb" "$q_big" 30212
make_trace quorbit "$small_mb" "$q_small" 30212
make_trace msgdata "$size_mb" "$m_big" 30213
make_trace msgdata "$small_mb" "$m_small" 30213

# Every trace is dropped from the page cache and read once, so that all timed
# runs start from the same warm cache whatever the trace's history: a trace
# just written is held in larger pages that cat copies much faster than
# those of a trace read from the disk.
sync
python3 - "$v_big" "$v_small" "$q_big" "$q_small" "$m_big" "$m_small" <<'PY'
import os, sys
for name in sys.argv[1:]:
    fd = os.open(name, os.O_RDONLY)
    os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    os.close(fd)
PY
for f in "$v_big" "$v_small" "$q_big" "$q_small" "$m_big" "$m_small"; do
    cat "$f" > /dev/null
done

# timed NAME OUTPUT STDOUT COMMAND...: runs the command once, its output file
# ("-" for none) removed and earlier writes flushed first, with its standard output sent to
# STDOUT ("-" leaves it alone), and appends "NAME nanoseconds peak_kB status"
# to the results.
results=$(mktemp)
trap 'rm -f "$results" "$results.time"' EXIT
timed() {
    local name=$1 out=$2 stdout=$3
    shift 3
    # Only a file the run writes is removed: never a device such as
    # /dev/null, which root would otherwise replace by a plain file.
    if [ "$out" != - ]; then rm -f "$out"; fi
    sync
    local t0 t1 status=0
    t0=$(date +%s%N)
    if [ "$stdout" = - ]; then
        /usr/bin/time -v -o "$results.time" "$@" || status=$?
    else
        /usr/bin/time -v -o "$results.time" "$@" > "$stdout" || status=$?
    fi
    t1=$(date +%s%N)
    local kb
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$results.time")
    echo "$name $((t1 - t0)) ${kb:-0} $status" >> "$results"
}

# One untimed round first: on a virtual machine the first use of fresh
# memory pages for the page cache costs far more system time than reusing
# them, which would otherwise make the first timed round an outlier.
echo "warm-up   one untimed round"
for out in cat.out "$v_big.out" "$m_big.out" "$q_big.stats"; do rm -f "$out"; done
cat "$v_big" > cat.out
"$varnel" "$v_big" "$v_big.out" -e little > /dev/null || true
cat "$m_big" > cat.out
"$varnel" "$m_big" "$m_big.out" -e little -m 1208 -s fox > /dev/null || true
cat "$q_big" > cat.out
"$quorbit" "$q_big" "$q_big.stats" -e little > /dev/null || true

echo "timing    $runs rounds of cat and each tool on the $size_mb MiB traces"
for ((r = 1; r <= runs; r++)); do
    timed cat_v cat.out cat.out cat "$v_big"
    timed varnel "$v_big.out" - "$varnel" "$v_big" "$v_big.out" -e little
    timed cat_m cat.out cat.out cat "$m_big"
    timed varnel_m "$m_big.out" - "$varnel" "$m_big" "$m_big.out" -e little -m 1208 -s fox
    timed cat_q cat.out cat.out cat "$q_big"
    timed quorbit "$q_big.stats" - "$quorbit" "$q_big" "$q_big.stats" -e little
    # For scale: a copy through a user-space buffer, and a program that
    # only reads its input.
    timed dd_v cat.out - dd if="$v_big" of=cat.out bs=128K status=none
    timed wc_q - /dev/null wc -l "$q_big"
done
timed varnel_small "$v_small.out" - "$varnel" "$v_small" "$v_small.out" -e little
timed varnel_m_small "$m_small.out" - "$varnel" "$m_small" "$m_small.out" -e little -m 1208 -s fox
timed quorbit_small "$q_small.stats" - "$quorbit" "$q_small" "$q_small.stats" -e little
rm -f cat.out

awk -v big="$size_mb" -v small="$small_mb" '
{
    s = $2 / 1e9
    n[$1]++
    t[$1, n[$1]] = s
    all[$1] = all[$1] sprintf(" %.3f", s)
    if ($3 > rss[$1]) rss[$1] = $3
    if ($4 != 0) failed[$1] = $4
}
function sortedMedian(v, m,   i, j, k) {
    for (i = 2; i <= m; i++) { k = v[i]; for (j = i - 1; j >= 1 && v[j] > k; j--) v[j + 1] = v[j]; v[j + 1] = k }
    return m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
}
function median(name,   i, v) {
    for (i = 1; i <= n[name]; i++) v[i] = t[name, i]
    return sortedMedian(v, n[name])
}
# The ratio of each round: the tool against the cat run just before it.
function roundRatios(tool, cat, v,   i) {
    for (i = 1; i <= n[tool]; i++) v[i] = t[tool, i] / t[cat, i]
    return n[tool]
}
function medianRatio(tool, cat,   v, m) {
    m = roundRatios(tool, cat, v)
    return sortedMedian(v, m)
}
function bestRatio(tool, cat,   v, m, i, b) {
    m = roundRatios(tool, cat, v)
    b = v[1]
    for (i = 2; i <= m; i++) if (v[i] < b) b = v[i]
    return b
}
function mb(kb) { return kb / 1024 }
function verdict(ok) { return ok ? "met" : "MISSED" }
function row(label, tool, cat, limit,   r) {
    r = medianRatio(tool, cat)
    printf "%-24s %8.3f %8.3f %8.2fx %8.2fx  <= %.1fx: %-6s %8.1f\n", label, median(tool), median(cat), r,
           bestRatio(tool, cat), limit, verdict(r <= limit), mb(rss[tool])
}
END {
    printf "\n%-24s %8s %8s %9s %9s  %-13s %8s\n", "command", "median s", "cat s", "median", "best", "target", "peak MiB"
    row("varnel", "varnel", "cat_v", 3)
    row("varnel -m 1208 -s fox", "varnel_m", "cat_m", 2)
    row("quorbit", "quorbit", "cat_q", 1.2)
    printf "\nFor scale, in the same rounds:\n"
    printf "  dd bs=128K (a copy through a user-space buffer) of the varnel trace %6.3f s: varnel %.2fx of it\n",
           median("dd_v"), median("varnel") / median("dd_v")
    printf "  wc -l (reading only) of the quorbit trace                           %6.3f s: quorbit %.2fx of it\n",
           median("wc_q"), median("quorbit") / median("wc_q")
    printf "\nPeak memory by trace size (target < 16 MiB, independent of size):\n"
    printf "  varnel          %4d MiB: %6.1f MiB   %4d MiB: %6.1f MiB\n", small, mb(rss["varnel_small"]), big, mb(rss["varnel"])
    printf "  varnel -m -s    %4d MiB: %6.1f MiB   %4d MiB: %6.1f MiB\n", small, mb(rss["varnel_m_small"]), big, mb(rss["varnel_m"])
    printf "  quorbit         %4d MiB: %6.1f MiB   %4d MiB: %6.1f MiB\n", small, mb(rss["quorbit_small"]), big, mb(rss["quorbit"])
    printf "\nAll timed runs (s):\n"
    for (k in all) printf "  %-14s%s\n", k, all[k]
    for (k in failed) printf "\nWARNING: %s ended with status %s\n", k, failed[k]
}' "$results"

ls -l "$v_big" "$v_big.out" "$m_big" "$m_big.out" "$q_big" "$q_big.stats" | awk '{printf "  %12d  %s\n", $5, $9}'
