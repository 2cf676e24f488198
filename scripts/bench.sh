#!/usr/bin/env bash
# Benchmarks: a Release build in build/bench, then each benchmark prints its figures.
# Not part of make test. Each benchmark is a function below, listed in BENCHES.
set -euo pipefail
cd "$(dirname "$0")/.."

DIR=build/bench
WORK=$DIR/work
BENCHES=(bench_mkinstaller_append)
# The programs the benchmarks need.
TARGETS=(mkinstaller)

# Seconds since an earlier `date +%s.%N`, with 3 decimals.
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }'; }

# mkinstaller append: writing an installer around a 200 MiB archive, streamed in 1 MiB blocks.
bench_mkinstaller_append() {
  local stub=$WORK/stub.exe archive=$WORK/archive.zip out=$WORK/out.exe t s mib
  head -c $((3 * 1024 * 1024)) /dev/urandom >"$stub"
  head -c $((200 * 1024 * 1024)) /dev/urandom >"$archive"
  "$DIR/mkinstaller" append --stub "$stub" --archive "$archive" -o "$out" >/dev/null # warm cache
  t=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$WORK/rss" "$DIR/mkinstaller" append --stub "$stub" \
    --archive "$archive" -o "$out" >/dev/null
  s=$(elapsed "$t")
  mib=$(($(stat -c %s "$out") / 1024 / 1024))
  echo "mkinstaller append: ${mib} MiB installer in ${s} s" \
    "($(awk -v m="$mib" -v s="$s" 'BEGIN { printf "%.0f", m / s }') MiB/s)," \
    "peak memory $(($(cat "$WORK/rss") / 1024)) MiB"
  rm -f "$stub" "$archive" "$out"
}

cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$DIR" --target "${TARGETS[@]}" >/dev/null
mkdir -p "$WORK"
for b in "${BENCHES[@]}"; do
  "$b"
done
