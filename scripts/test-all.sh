#!/usr/bin/env bash
# Every test of the project, after `make build`: native unit tests, Windows tests under Wine,
# end-to-end GUI tests under Xvfb and bounded fuzz runs. All parts run even when one fails; the
# last line sums them up as "N passed, N failed" and the exit code is non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-2}
NATIVE=${NATIVE_BUILD:-build/native}
WIN32DIR=${WIN32_BUILD:-build/win32}
logs=build/test-logs
mkdir -p "$logs"

passed=0
failed=0
broken=()

# Adds the counts of ctest's closing line; a run without that line (it could not start) counts
# as one failure.
count_ctest() {
  local part=$1 log=$2 line total nfail
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    nfail=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
    [ "$nfail" -eq 0 ] || broken+=("$part")
  elif grep -q "No tests were found" "$log"; then
    echo "$part: no tests"
  else
    failed=$((failed + 1))
    broken+=("$part")
  fi
}

run_ctest() {
  local part=$1 dir=$2 label=$3
  echo "=== $part ($dir, label $label)"
  (cd "$dir" && ctest -L "^${label}\$" -j "$JOBS" --output-on-failure) 2>&1 | tee "$logs/$part.log" |
    grep -E '\*\*\*|tests passed|No tests were found' | sed -E 's/ \.{3,}/ /' || true
  count_ctest "$part" "$logs/$part.log"
}

run_ctest native "$NATIVE" native
run_ctest win32 "$WIN32DIR" win32
run_ctest e2e "$NATIVE" e2e

echo "=== fuzz"
bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz.log"
line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed$' "$logs/fuzz.log" | tail -n 1)
if [ -n "$line" ]; then
  read -r fp ff < <(sed -E 's/fuzz: ([0-9]+) passed, ([0-9]+) failed/\1 \2/' <<<"$line")
  passed=$((passed + fp))
  failed=$((failed + ff))
  [ "$ff" -eq 0 ] || broken+=(fuzz)
else
  failed=$((failed + 1))
  broken+=(fuzz)
fi

[ ${#broken[@]} -eq 0 ] || echo "failures in: ${broken[*]} (logs in $logs/)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
