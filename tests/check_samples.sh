#!/usr/bin/env bash
# Runs both tools on every sample trace of examples/ the way `make run` does,
# in a scratch copy of the folder, and checks that each run ends with status
# 0 and shows no malformed dump: the samples are meant to format cleanly.
# With python3 present it also checks that examples/make_samples.py still
# writes exactly the committed windows, zos and aat samples.
# Usage: check_samples.sh VARNEL QUORBIT EXAMPLES_DIR
set -u
varnel=$1 quorbit=$2 examples=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/* "$work"/
cd "$work" || exit 2
fail=0
run() { # tool trace result args...
  local tool=$1 trace=$2 result=$3
  shift 3
  if ! "$tool" "$trace" "$result" "$@" > stdout.txt 2>&1; then
    echo "$(basename "$tool") $trace $*: status $?"; cat stdout.txt; fail=1
  elif [ -s stdout.txt ]; then
    echo "$(basename "$tool") $trace $*: unexpected output:"; cat stdout.txt; fail=1
  fi
  if grep -q 'FORMAT ERROR\|FORMAT WARNING' "$result"; then
    echo "$result: $(grep -c 'FORMAT ERROR BEGIN\|FORMAT WARNING BEGIN' "$result") error or warning blocks"; fail=1
  fi
}
run "$varnel" AMQ4711.0.FMT AMQ4711.0.FMT.out -e little
run "$varnel" AMQ5150.0.FMT AMQ5150.0.FMT.out -e little
run "$varnel" AMQ2244.0.FMT AMQ2244.0.FMT.out -o windows -e little -m 1208
run "$varnel" AMQ7308.0.FMT AMQ7308.0.FMT.out -o windows -e little -s PAY-
run "$varnel" BILLRUN1.TRACE BILLRUN1.TRACE.out -o zos -e big
run "$varnel" INVOICER.ACTIVITY.TXT INVOICER.ACTIVITY.TXT.out -o aat -e little -m 819
for t in AMQ4711.0.FMT AMQ5150.0.FMT; do run "$quorbit" $t $t.stats -e little; done
for t in AMQ2244.0.FMT AMQ7308.0.FMT; do run "$quorbit" $t $t.stats -e little -o windows; done

# What examples/README.md promises of the runs.
expect() { # file pattern count
  local got
  got=$(grep -c -- "$2" "$1")
  if [ "$got" != "$3" ]; then echo "$1: $got lines with '$2', expected $3"; fail=1; fi
}
expect AMQ2244.0.FMT.out 'msg-parser  UTF-8 Totals:' 6
expect AMQ7308.0.FMT.out 'msgSearch: hit at message offset' 7
expect INVOICER.ACTIVITY.TXT.out 'msg-parser  ISO-8859-1 Totals:' 7
expect BILLRUN1.TRACE.out '^ Msgdesc expanded (all fields):' 11
expect AMQ5150.0.FMT.stats ' at line ' 2
expect AMQ7308.0.FMT.stats ' at line 213$' 1
expect AMQ2244.0.FMT.stats '^none$' 1
expect AMQ2244.0.FMT.stats 'STATS FOR PID.TID' 4
expect AMQ7308.0.FMT.stats 'STATS FOR PID.TID' 5

if command -v python3 >/dev/null 2>&1; then
  mkdir fresh
  python3 "$examples/make_samples.py" fresh > /dev/null || fail=1
  for f in fresh/*; do
    cmp -s "$f" "$examples/$(basename "$f")" || { echo "$(basename "$f") differs from what make_samples.py writes"; fail=1; }
  done
fi
exit $fail
