#!/usr/bin/env bash
# Runs one golden case: BINARY NAME CASEDIR
#
# A case folder holds the input files, and:
#   args             the command-line arguments, one per line (program name excluded)
#   expected.stdout  what the run prints on standard output (absent: nothing)
#   expected.out     the output file the run writes (named by the second argument);
#                    absent: the output file must not exist or be empty
#   expected.status  the exit status (absent: 0)
#   expected.stderr  optional: what the run prints on standard error
#   expected.files/  optional: every file in it must have been written by the
#                    run, under the same name, with the same bytes
# The program runs inside a scratch copy of the folder with argv[0] set to NAME.
set -u
bin=$1 name=$2 case=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$case"/. "$work"/
cd "$work" || exit 2
args=()
if [ -f args ]; then mapfile -t args < args; fi
(exec -a "$name" "$bin" "${args[@]}") > actual.stdout 2> actual.stderr < /dev/null
status=$?
fail=0
want_status=0
[ -f expected.status ] && want_status=$(tr -d ' \n' < expected.status)
if [ "$status" != "$want_status" ]; then
  echo "exit status: got $status, expected $want_status"; fail=1
fi
[ -f expected.stdout ] || : > expected.stdout
if ! cmp -s actual.stdout expected.stdout; then
  echo "standard output differs:"; diff expected.stdout actual.stdout | head -40; fail=1
fi
if [ -f expected.stderr ] && ! cmp -s actual.stderr expected.stderr; then
  echo "standard error differs:"; diff expected.stderr actual.stderr | head -40; fail=1
fi
out=${args[1]:-}
if [ -f expected.out ]; then
  if [ ! -f "$out" ]; then
    echo "output file $out was not written"; fail=1
  elif ! cmp -s "$out" expected.out; then
    echo "output file differs (expected < > actual):"; diff expected.out "$out" | head -60; fail=1
  fi
elif [ -n "$out" ] && [ -s "$out" ]; then
  echo "output file $out should be empty or absent"; fail=1
fi
if [ -d expected.files ]; then
  for want in expected.files/*; do
    [ -e "$want" ] || continue
    got=$(basename "$want")
    if [ ! -f "$got" ]; then
      echo "file $got was not written"; fail=1
    elif ! cmp -s "$got" "$want"; then
      echo "file $got differs"; cmp "$want" "$got" | head -5; fail=1
    fi
  done
fi
exit $fail
