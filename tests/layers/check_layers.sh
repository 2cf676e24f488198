#!/usr/bin/env bash
# Fails on an #include that points against the layers (docs/ARCHITECTURE.md). All sources are
# built with the repository root on the include path, so the compiler and the linker accept any
# include: this is what keeps the dependencies pointing one way.
#   check_layers.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

# The layer of a path, from the bottom; a file may include only files of its own layer or below.
# tools/ sits beside app/ rather than below it, so it gets a layer of its own that app/ cannot
# include and that cannot include app/; tests/ may include everything.
layer() {
  case "$1" in
    platform/* | resources/*) echo 0 ;;
    accessorydb/jet/*) echo 10 ;;
    archive/* | accessorydb/*) echo 20 ;;
    target/*) echo 30 ;;
    install/*) echo 40 ;;
    tools/*) echo 45 ;;
    app/win32/*) echo 60 ;;
    app/*) echo 50 ;;
    tests/*) echo 100 ;;
    *) echo "" ;;
  esac
}

failures=0
while IFS= read -r file; do
  from=$(layer "$file")
  while IFS= read -r included; do
    to=$(layer "$included")
    [[ -z "$to" ]] && continue
    if ((to > from)) || { [[ "$from" == 50 ]] && [[ "$to" == 45 ]]; }; then
      echo "$file includes $included, which lies above it"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find platform resources accessorydb archive target install app tools \
              -name '*.h' -o -name '*.cpp' | sort)

# The main window's header names the engine's objects only by declaration: whoever includes it
# does not get the engine.
if grep -n '#include "accessorydb/jet/' app/form1.h; then
  echo "app/form1.h includes an engine header"
  failures=$((failures + 1))
fi

if ((failures > 0)); then
  echo "$failures include(s) against the layers"
  exit 1
fi
echo "includes follow the layers"
