# Wine prefixes for tests and the demo (sourced, not run).
#
# A fresh prefix costs ~10 s, so one template prefix is made once (build/wine-template) and every
# run gets its own copy: the large program files are hard-linked (Wine only reads them), every
# other file (registry, .ini) is copied, so nothing a run writes reaches the template.
# 32-bit and 64-bit prefixes differ, so each width has a template of its own; the width is
# chosen by wine-width.sh, and sourcing this stops the caller when a forced width cannot run.

WINE_ROOT=${WINE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$WINE_ROOT/scripts/wine-width.sh"
wine_width_select || exit 1
wine_width_use

WINE_TEMPLATE=${WINE_TEMPLATE:-$WINE_ROOT/build/wine-template-win$WINE_WIDTH}
WINE_PREFIXES=${WINE_PREFIXES:-$WINE_ROOT/build/wine-prefixes}

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Wine's own fonts (Tahoma, the installer's font, among them; package fonts-wine). This Wine
# build never reads the fonts of its data folder, only C:\windows\Fonts and the system's
# fontconfig folders, so without them in the prefix a substitute (DejaVu Sans) draws every text
# and screenshots show wider text than a Windows user sees.
WINE_OWN_FONTS=${WINE_OWN_FONTS:-/usr/share/wine/fonts}

# Makes the template once; safe when several tests ask at the same time.
wine_template_ensure() {
  mkdir -p "$(dirname "$WINE_TEMPLATE")"
  local stamp="$WINE_TEMPLATE/.template-ready" version
  # Made again when Wine or its fonts change.
  version="$("$WINE" --version) win$WINE_WIDTH fonts:$(ls "$WINE_OWN_FONTS" 2>/dev/null | wc -l) own-fonts-installed"
  (
    flock 9
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
      exit 0
    fi
    rm -rf "$WINE_TEMPLATE"
    if ! WINEPREFIX="$WINE_TEMPLATE" "$WINE" wineboot -i >"$WINE_TEMPLATE.log" 2>&1; then
      echo "wine-prefix: wineboot failed for $WINE_TEMPLATE (see $WINE_TEMPLATE.log)" >&2
      exit 1
    fi
    WINEPREFIX="$WINE_TEMPLATE" wineserver -w
    if [ ! -f "$WINE_OWN_FONTS/tahoma.ttf" ] ||
      ! cp "$WINE_OWN_FONTS"/* "$WINE_TEMPLATE/drive_c/windows/Fonts/"; then
      echo "wine-prefix: Wine's own fonts are missing in $WINE_OWN_FONTS (package fonts-wine)" >&2
      exit 1
    fi
    echo "$version" >"$stamp"
  ) 9>"$WINE_TEMPLATE.lock"
}

# Prints the path of a new prefix copied from the template.
wine_prefix_new() {
  wine_template_ensure || return 1
  mkdir -p "$WINE_PREFIXES"
  local dest
  dest=$(mktemp -d "$WINE_PREFIXES/prefix.XXXXXX") || return 1
  rmdir "$dest"
  if ! cp -al "$WINE_TEMPLATE" "$dest" 2>/dev/null; then
    rm -rf "$dest"
    cp -a "$WINE_TEMPLATE" "$dest" || return 1
  fi
  rm -f "$dest/.template-ready"
  # Break the hard links of everything Wine may write.
  find "$dest" -type f -links +1 \
    ! -iregex '.*\.\(dll\|exe\|drv\|sys\|acm\|ocx\|cpl\|tlb\|ax\|ds\|msstyles\|nls\|ttf\|fon\|com\|mui\|vxd\|msi\)' \
    -print0 | while IFS= read -r -d '' f; do
      cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"
    done
  echo "$dest"
}

# Stops the prefix's Wine server and removes the prefix (kept when KEEP_WINEPREFIX=1).
wine_prefix_drop() {
  local prefix=$1
  [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
  if [ "${KEEP_WINEPREFIX:-0}" != 1 ]; then
    rm -rf "$prefix"
  fi
}

# The Windows path of a Linux path, through the prefix's Z: drive (z: -> /).
wine_path_of() {
  local abs
  abs=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  echo "Z:${abs//\//\\}"
}
