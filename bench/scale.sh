#!/usr/bin/env bash
# Time and peak memory against trace size: varnel -m 1208 -s fox on the
# message-data traces and quorbit on the API-call traces of 0.5, 2 and 5 GiB
# (generated into bench/data/ when missing), each next to `cat trace > file`.
# Time should grow in proportion to the size, memory not at all.
#
#   bash bench/scale.sh          # make release first
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
varnel=$root/build/release/formatter/varnel
quorbit=$root/build/release/apistats/quorbit
mkdir -p "$here/data"
cd "$here/data"

make_trace() { # kind MiB name pid
    local want=$(($2 * 1048576)) have=0
    [ -f "$3" ] && have=$(stat -c %s "$3")
    if [ "$have" -lt "$want" ] || [ "$have" -ge $((want + 4096)) ]; then
        echo "writing   $3 ($1, $2 MiB)"
        python3 "$here/gen_trace.py" --kind "$1" --size-mb "$2" --pid "$4" "$3" 2>/dev/null
    fi
}

# run NAME COMMAND...: wall seconds and peak RSS of one run writing out.tmp
run() {
    local name=$1
    shift
    rm -f out.tmp
    sync
    local t0 t1
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o rss.tmp "$@" > /dev/null
    t1=$(date +%s%N)
    printf "  %-34s %8.2f s %8.1f MiB\n" "$name" "$(echo "$t0 $t1" | awk '{print ($2 - $1) / 1e9}')" \
        "$(awk '{print $1 / 1024}' rss.tmp)"
}

for size in 500:0 2048:2 5120:3; do
    mb=${size%%:*} n=${size##*:}
    make_trace msgdata "$mb" "AMQ30213.$n.FMT" 30213
    make_trace quorbit "$mb" "AMQ30212.$n.FMT" 30212
    echo "$mb MiB"
    cat "AMQ30213.$n.FMT" "AMQ30212.$n.FMT" > /dev/null
    run "cat (message-data trace)" sh -c "cat AMQ30213.$n.FMT > out.tmp"
    run "varnel -m 1208 -s fox" "$varnel" "AMQ30213.$n.FMT" out.tmp -e little -m 1208 -s fox
    run "cat (API-call trace)" sh -c "cat AMQ30212.$n.FMT > out.tmp"
    run "quorbit" "$quorbit" "AMQ30212.$n.FMT" out.tmp -e little
done
rm -f out.tmp rss.tmp
