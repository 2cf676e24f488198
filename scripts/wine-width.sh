# Which Windows programs this machine runs under Wine, 32-bit or 64-bit (sourced, not run).
#
# The shipped installer is 32-bit. Some kernels have their IA-32 emulation switched off, and then
# no 32-bit Linux program runs, 32-bit Wine included; there the tests and the demo run the 64-bit
# twin of the Windows programs (build/win64, same sources) under 64-bit Wine.
#
#   wine_width_select   decides once: WINE_WIDTH (32|64) forces a width, otherwise the 32-bit
#                       loader is tried; exports WINE_WIDTH and WINE_WIDTH_WHY so that the
#                       scripts and tests started later agree without trying again. Returns 1,
#                       with a message, when a forced width cannot run here.
#   wine_width_use      sets up Wine for WINE_WIDTH: WINE (the loader to run programs with),
#                       WINEARCH, WINELOADER, WINDOWS_BUILD_DIR.

WINE_WIDTH_ROOT=${WINE_WIDTH_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}
WINE64_LOADER=${WINE64_LOADER:-/usr/lib/wine/wine64}

# True when the 32-bit loader starts; sets WINE_WIDTH_PROBE to what went wrong otherwise.
wine_width_probe32() {
  if [ ! -x "$WINE32_LOADER" ]; then
    WINE_WIDTH_PROBE="the 32-bit Wine loader $WINE32_LOADER is not installed (wine32:i386)"
    return 1
  fi
  local out
  if out=$("$WINE32_LOADER" --version 2>&1); then
    return 0
  fi
  WINE_WIDTH_PROBE="the 32-bit Wine loader does not start: ${out:-no output}"
  if dmesg 2>/dev/null | grep -q "32-bit emulation disabled"; then
    WINE_WIDTH_PROBE+=" (the kernel says: 32-bit emulation disabled)"
  fi
  return 1
}

wine_width_select() {
  if [ -n "${WINE_WIDTH_WHY:-}" ] && [ -n "${WINE_WIDTH:-}" ]; then
    return 0 # decided by the script that started this one
  fi
  case "${WINE_WIDTH:-}" in
    32)
      if ! wine_width_probe32; then
        echo "WINE_WIDTH=32 forces 32-bit Windows programs, but this machine cannot run them:" \
          "$WINE_WIDTH_PROBE. Unset WINE_WIDTH or set WINE_WIDTH=64." >&2
        return 1
      fi
      WINE_WIDTH_WHY="forced by WINE_WIDTH=32"
      ;;
    64)
      if [ ! -x "$WINE64_LOADER" ]; then
        echo "WINE_WIDTH=64 forces 64-bit Windows programs, but $WINE64_LOADER is not" \
          "installed (package wine64; make deps installs it)." >&2
        return 1
      fi
      WINE_WIDTH_WHY="forced by WINE_WIDTH=64"
      ;;
    "")
      if wine_width_probe32; then
        WINE_WIDTH=32
        WINE_WIDTH_WHY="this machine runs 32-bit programs"
      else
        WINE_WIDTH=64
        WINE_WIDTH_WHY="$WINE_WIDTH_PROBE"
      fi
      ;;
    *)
      echo "WINE_WIDTH must be 32 or 64, not \"$WINE_WIDTH\"." >&2
      return 1
      ;;
  esac
  export WINE_WIDTH WINE_WIDTH_WHY
}

wine_width_use() {
  if [ "$WINE_WIDTH" = 64 ]; then
    WINE=$WINE64_LOADER
    export WINELOADER=$WINE64_LOADER WINEARCH=win64
  else
    # /usr/bin/wine picks the 32-bit loader, as Debian sets it up.
    WINE=wine
    unset WINELOADER
    export WINEARCH=win32
  fi
  # build/win32 holds the shipped programs, build/win64 their twin.
  WINDOWS_BUILD_DIR=$WINE_WIDTH_ROOT/build/win$WINE_WIDTH
}

# One line for logs: which width runs and why.
wine_width_describe() {
  echo "Windows programs under Wine: ${WINE_WIDTH}-bit, build/win$WINE_WIDTH ($WINE_WIDTH_WHY)"
}
