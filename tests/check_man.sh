#!/usr/bin/env bash
# Renders a manual page the way a reader's man would, with every groff
# warning on, and fails on any message: a warning is a page that renders
# wrongly somewhere. Exits 77 (skipped) where man is not installed.
# Usage: check_man.sh PAGE
set -u
page=$1
if ! command -v man >/dev/null 2>&1; then
  echo "man is not installed: skipped"
  exit 77
fi
fail=0
for width in "" 80 60; do
  msgs=$(MANWIDTH=$width man --warnings -l "$page" 2>&1 >/dev/null)
  status=$?
  if [ "$status" != 0 ] || [ -n "$msgs" ]; then
    echo "man --warnings -l $page (MANWIDTH=${width:-default}): status $status"
    printf '%s\n' "$msgs"
    fail=1
  fi
done
exit $fail
