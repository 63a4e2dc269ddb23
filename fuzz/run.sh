#!/usr/bin/env bash
# Builds the fuzz targets (clang, CMake preset "fuzz") and runs each one for
# SECONDS seconds (default: $FUZZ_SECONDS, else 60) from the seed corpus and
# the corpus kept in build/fuzz/corpus/. A finding stops the run with status 1
# and leaves the input in build/fuzz/findings/<tool>/. Without a clang that
# can build libFuzzer targets, nothing is run and the status is 0.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-${FUZZ_SECONDS:-60}}

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' > "$probe/p.cpp"
if ! command -v clang++ > /dev/null || ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2> /dev/null; then
  echo "make fuzz: skipped, clang++ with libFuzzer is not available on this machine."
  exit 0
fi

cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
build=$root/build/fuzz
rm -rf "$build/seeds"
bash fuzz/make_corpus.sh "$build/seeds"

for tool in varnel quorbit; do
  mkdir -p "$build/corpus/$tool" "$build/findings/$tool"
  log=$build/findings/$tool/last-run.log
  echo "fuzzing $tool for $seconds s (log: $log)"
  # Runs inside its findings folder, so that nothing of a run lands elsewhere.
  if ! (cd "$build/findings/$tool" &&
        "$build/fuzz/${tool}_fuzz" "$build/corpus/$tool" "$build/seeds/$tool" \
          -dict="$root/fuzz/$tool.dict" -max_total_time="$seconds" -max_len=65536 \
          -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/findings/$tool/" \
          -print_final_stats=1) > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "make fuzz: $tool failed (log: $log); a finding is kept in $build/findings/$tool/"
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb' "$log" || tail -n 5 "$log"
done
