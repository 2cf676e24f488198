#!/usr/bin/env bash
# Every test of the project, after `make build`: native unit tests, static checks of the shipped
# installer, Windows tests under Wine, end-to-end GUI tests under Xvfb and bounded fuzz runs.
#   scripts/test-all.sh [PART...]    parts: native shipped win32 e2e fuzz (default: all)
# All parts run even when one fails; a part that finds no test counts as a failure. The last
# line sums them up as "N passed, N failed" and the exit code is non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-2}
NATIVE=${NATIVE_BUILD:-build/native}
logs=build/test-logs
mkdir -p "$logs"
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(native shipped win32 e2e fuzz)

passed=0
failed=0
broken=()

# The Windows tests and the end-to-end tests run the programs of one width; decided once here.
# A width forced where it cannot run stops everything at once.
source scripts/wine-width.sh
if ! wine_width_select; then
  echo "0 passed, 1 failed"
  exit 1
fi
wine_width_use
echo "=== $(wine_width_describe)"

fail_part() {
  failed=$((failed + 1))
  broken+=("$1")
}

# Adds the counts of ctest's closing line. A run without that line (it could not start) or
# without any test counts as one failure, so a part can never pass by running nothing.
count_ctest() {
  local part=$1 log=$2 line total nfail
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    nfail=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
    [ "$nfail" -eq 0 ] || broken+=("$part")
    echo "$part: $((total - nfail)) passed, $nfail failed"
  else
    grep -q "No tests were found" "$log" && echo "$part: no tests found, counted as a failure"
    fail_part "$part"
  fi
}

run_ctest() {
  local part=$1 dir=$2 label=$3
  echo "=== $part ($dir, label $label)"
  if [ ! -d "$dir" ]; then
    echo "$part: no build in $dir; run make build" | tee "$logs/$part.log"
    fail_part "$part"
    return
  fi
  (cd "$dir" && ctest -L "^${label}\$" -j "$JOBS" --output-on-failure) 2>&1 | tee "$logs/$part.log" |
    grep -E '\*\*\*|tests passed|No tests were found' | sed -E 's/ \.{3,}/ /' || true
  count_ctest "$part" "$logs/$part.log"
}

run_fuzz() {
  echo "=== fuzz"
  bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz.log"
  local line fp ff
  line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed$' "$logs/fuzz.log" | tail -n 1)
  if [ -n "$line" ]; then
    read -r fp ff < <(sed -E 's/fuzz: ([0-9]+) passed, ([0-9]+) failed/\1 \2/' <<<"$line")
    passed=$((passed + fp))
    failed=$((failed + ff))
    if [ "$fp" -eq 0 ] && [ "$ff" -eq 0 ]; then
      echo "fuzz: nothing ran, counted as a failure"
      fail_part fuzz
    elif [ "$ff" -gt 0 ]; then
      broken+=(fuzz)
    fi
  else
    fail_part fuzz
  fi
}

for part in "${parts[@]}"; do
  case $part in
    native) run_ctest native "$NATIVE" native ;;
    shipped) run_ctest shipped "$NATIVE" shipped ;;
    win32) run_ctest "win$WINE_WIDTH" "$WINDOWS_BUILD_DIR" win32 ;;
    e2e) run_ctest e2e "$NATIVE" e2e ;;
    fuzz) run_fuzz ;;
    *) echo "unknown part $part (native shipped win32 e2e fuzz)" && fail_part "$part" ;;
  esac
done

[ ${#broken[@]} -eq 0 ] || echo "failures in: ${broken[*]} (logs in $logs/)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
