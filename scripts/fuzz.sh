#!/usr/bin/env bash
# Bounded fuzz runs: builds the libFuzzer targets with clang into build/fuzz, runs each for a
# fixed time on a corpus kept in build/fuzz/corpus/<target> (seeded from tests/fuzz/<target>/seeds
# when present), then replays every input of tests/fuzz/<target>/regressions (inputs that once
# broke it). Ends with "fuzz: N passed, N failed" (one run and one replay per target).
set -uo pipefail
cd "$(dirname "$0")/.."

# The fuzz targets (add_fuzz_target names).
TARGETS=(
  zip_fuzz  # ZIP reader: listing and extracting arbitrary archives
  fuzz_jet_read  # Jet reader: opening any file and reading every table
)

SECONDS_EACH=${FUZZ_SECONDS:-45}
DIR=build/fuzz
passed=0
failed=0

result() {
  if [ "$2" -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz: $1 ok"
  else
    failed=$((failed + 1))
    echo "fuzz: $1 FAILED"
  fi
}

mkdir -p "$DIR"
if [ ${#TARGETS[@]} -gt 0 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON \
    >"$DIR.configure.log" 2>&1 || { cat "$DIR.configure.log"; echo "fuzz: 0 passed, 1 failed"; exit 1; }
  if ! cmake --build "$DIR" --target "${TARGETS[@]}" >"$DIR.build.log" 2>&1; then
    tail -n 40 "$DIR.build.log"
    echo "fuzz: 0 passed, 1 failed"
    exit 1
  fi
fi

for t in "${TARGETS[@]}"; do
  corpus=$DIR/corpus/$t
  artifacts=$DIR/crashes/$t
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [ -d "tests/fuzz/$t/seeds" ] && seeds=("tests/fuzz/$t/seeds")
  echo "fuzz: $t for ${SECONDS_EACH}s"
  "$DIR/$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$DIR/$t.log" 2>&1
  rc=$?
  [ $rc -eq 0 ] || tail -n 30 "$DIR/$t.log"
  result "$t run" $rc

  regressions=()
  if [ -d "tests/fuzz/$t/regressions" ]; then
    mapfile -t regressions < <(find "tests/fuzz/$t/regressions" -type f | sort)
  fi
  if [ ${#regressions[@]} -gt 0 ]; then
    "$DIR/$t" "${regressions[@]}" >"$DIR/$t.replay.log" 2>&1
    rc=$?
    [ $rc -eq 0 ] || tail -n 30 "$DIR/$t.replay.log"
    result "$t replay of ${#regressions[@]} inputs" $rc
  fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
