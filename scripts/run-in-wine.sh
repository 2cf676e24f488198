#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own and passes its exit code through:
#   scripts/run-in-wine.sh PROGRAM.exe [ARGS...]
# The program gets a display of its own (xvfb-run) unless RUN_IN_WINE_DISPLAY=host and DISPLAY is
# set, so programs that touch windows or the screen work the same everywhere.
set -uo pipefail
source "$(dirname "$0")/wine-prefix.sh"

if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
  exit 2
fi

# Inside the display: run, then end the prefix's Wine processes while the display still exists.
if [ "${RUN_IN_WINE_INNER:-}" = 1 ]; then
  "$WINE" "$@"
  rc=$?
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  exit $rc
fi

prefix=$(wine_prefix_new) || { echo "run-in-wine: cannot make a Wine prefix" >&2; exit 1; }
export WINEPREFIX=$prefix RUN_IN_WINE_INNER=1
trap 'wine_prefix_drop "$prefix"' EXIT
trap 'exit 143' TERM INT

if [ "${RUN_IN_WINE_DISPLAY:-}" = host ] && [ -n "${DISPLAY:-}" ]; then
  "$0" "$@"
else
  # A random starting display number keeps parallel runs from racing for the same one.
  xvfb-run -a -n $((100 + RANDOM % 20000)) -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi
