#!/usr/bin/env bash
# Fails on an #include that points against the layers (docs/ARCHITECTURE.md). All sources are
# built with the repository root on the include path, so the compiler and the linker accept any
# include: this is what keeps the dependencies pointing one way.
#   check_layers.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

# The layer of a path, from the bottom; a file may include only files of its own layer or below.
# tools/ sits beside app/ rather than below it, so it gets a layer of its own that app/ cannot
# include and that cannot include app/.
#
# A test folder takes the layer it tests, so that its tests call their own layer: tests/jet the
# engine and mdbtool, tests/archive and tests/accessorydb their steps, tests/target the checks.
# The window's fixtures (the form, and the scenarios built on it) are of the app layer, and so is
# every test that includes one: a window test may live beside the layer its steps belong to.
window_fixtures='tests/support/form_fixture\.h|tests/target/target_fixture\.h|tests/install/install_fixture\.h'
layer() {
  if [[ "$1" =~ ^($window_fixtures)$ ]]; then
    echo 50
    return
  fi
  case "$1" in
    platform/* | resources/*) echo 0 ;;
    accessorydb/jet/*) echo 10 ;;
    archive/* | accessorydb/*) echo 20 ;;
    target/*) echo 30 ;;
    install/*) echo 40 ;;
    tools/*) echo 45 ;;
    app/win32/*) echo 60 ;;
    app/*) echo 50 ;;
    tests/support/* | tests/platform/*) echo 0 ;;
    tests/archive/* | tests/accessorydb/* | tests/fuzz/*) echo 20 ;;
    tests/target/*) echo 30 ;;
    tests/install/*) echo 40 ;;
    tests/jet/* | tests/mkinstaller/*) echo 45 ;;
    tests/app/*) echo 50 ;;
    tests/win32/*) echo 60 ;;
    *) echo "" ;;
  esac
}

# A test that holds the installer and mkinstaller side by side, because they must judge a package
# alike, sits above both.
side_by_side_tests='tests/install/package_rules_test\.cpp'

# A test that includes a window fixture is a window test.
file_layer() {
  local own
  if [[ "$1" =~ ^($side_by_side_tests)$ ]]; then
    echo 70
    return
  fi
  own=$(layer "$1")
  if [[ "$1" == tests/* && "$own" -lt 50 ]] &&
    grep -Eq "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($window_fixtures)\"" "$1"; then
    own=50
  fi
  echo "$own"
}

# The install engine's own tests (tests/install/engine_*_test.cpp) call the session and the
# package folder's changes directly: a window fixture there would make them window tests.
engine_tests='tests/install/engine_[a-z_]*_test\.cpp'

failures=0
declare -A window_tests layer_tests
while IFS= read -r file; do
  from=$(file_layer "$file")
  if [[ "$file" == tests/*_test.cpp ]]; then
    folder=${file%/*}
    if [[ "$from" == 50 && "$(layer "$file")" -lt 50 ]]; then
      window_tests[$folder]=$((${window_tests[$folder]:-0} + 1))
      if [[ "$file" =~ ^($engine_tests)$ ]]; then
        echo "$file is an engine test but includes a window fixture"
        failures=$((failures + 1))
      fi
    elif [[ "$from" == "$(layer "$file")" ]]; then
      layer_tests[$folder]=$((${layer_tests[$folder]:-0} + 1))
    fi
  fi
  while IFS= read -r included; do
    to=$(layer "$included")
    [[ -z "$to" ]] && continue
    if ((to > from)) || { [[ "$from" == 50 ]] && [[ "$to" == 45 ]]; }; then
      echo "$file includes $included, which lies above it"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find platform resources accessorydb archive target install app tools tests \
              -name '*.h' -o -name '*.cpp' | sort)

# The main window's header names the engine's objects only by declaration: whoever includes it
# does not get the engine.
if grep -n '#include "accessorydb/jet/' app/form1.h; then
  echo "app/form1.h includes an engine header"
  failures=$((failures + 1))
fi

# Which test files of a folder below the window test the window, and which their own layer.
for folder in $(printf '%s\n' "${!window_tests[@]}" | sort); do
  echo "$folder: ${window_tests[$folder]} window test file(s), ${layer_tests[$folder]:-0} of its own layer"
done

if ((failures > 0)); then
  echo "$failures include(s) against the layers"
  exit 1
fi
echo "includes follow the layers"
