#!/usr/bin/env bash
# The main job, shown end to end: builds everything, makes a sample package and its installer,
# lays out a sample host installation on a Wine drive D:, and runs the installer under Wine (on
# your display when DISPLAY is set, else on a virtual one), saving a screenshot.
# Everything it makes goes to demo-out/.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

if [ "${1:-}" != --on-display ]; then
  make --no-print-directory build >/dev/null || { echo "demo: the build failed" >&2; exit 1; }
fi

OUT=$ROOT/demo-out
PACKAGE=DemoMeble
HOST="Nordeka/CAD Demo"

# The harness's functions drive the installer; here they report to demo-out/.
source "$ROOT/scripts/e2e/lib.sh"
E2E_NAME=demo
E2E_ART=$OUT/screens
E2E_WORK=$OUT
E2E_PID=

# Prints a step of the demo.
step() { echo "demo: $*"; }

MDBTOOL=$E2E_MDBTOOL

make_database() {
  e2e_make_database "$@" || { echo "demo: making the database $1 failed" >&2; exit 1; }
}

# The earlier installation's rows, and the package's: ID 2 gets a new price, ID 3 is withdrawn
# (Nazwa "DELETE"), ID 4 is new; ID 1 is not mentioned and stays.
OLD_PRODUCENT='{"Producent":"Nordeka","Nazwa":"Nordeka Meble","Miasto":"Poznań","Tel":"61 000 00 00"}'
OLD_DODATKI='{"ID":1,"Producent":"Nordeka","Grupa":"Szafki","Nazwa":"Szafka wisząca 60","cena":"420.00"}
{"ID":2,"Producent":"Nordeka","Grupa":"Blaty","Nazwa":"Blat dębowy 120","cena":"380.00"}
{"ID":3,"Producent":"Nordeka","Grupa":"Uchwyty","Nazwa":"Uchwyt stary","cena":"15.00"}'
NEW_PRODUCENT='{"Producent":"Nordeka","Nazwa":"Nordeka Meble","Miasto":"Poznań","Tel":"61 111 11 11"}'
NEW_DODATKI='{"ID":2,"Producent":"Nordeka","Grupa":"Blaty","Nazwa":"Blat dębowy 120","cena":"399.00"}
{"ID":3,"Producent":"Nordeka","Grupa":"Uchwyty","Nazwa":"DELETE"}
{"ID":4,"Producent":"Nordeka","Grupa":"Krzesła","Nazwa":"Krzesło Łódź","cena":"250.00"}'

# The package folder as a package maker lays it out: the cover PACKAGE.jpg, the description
# PACKAGE.txt and the folder PACKAGE with the accessory database and a few library files.
make_package() {
  local dir=$OUT/package
  rm -rf "$dir"
  mkdir -p "$dir/$PACKAGE/tekstury" "$dir/$PACKAGE/miniatury" "$dir/$PACKAGE/modele"
  make_database "$dir/$PACKAGE/dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI"
  /usr/bin/convert -seed 7 -size 256x256 plasma:tan-sienna -quality 90 "$dir/$PACKAGE/tekstury/dab.jpg"
  /usr/bin/convert -size 128x128 xc:'rgb(120,80,40)' "$dir/$PACKAGE/miniatury/krzeslo.png"
  printf 'model: krzeslo\n' >"$dir/$PACKAGE/modele/krzeslo.txt"
  printf 'Meble demonstracyjne\n' >"$dir/$PACKAGE.txt"
  /usr/bin/convert -size 1040x585 gradient:'rgb(236,236,236)-rgb(200,200,205)' \
    -fill 'rgb(247,148,29)' -draw "circle 1040,292 1300,292" \
    -fill black -font DejaVu-Sans-Bold -pointsize 44 -gravity center \
    -annotate +0-60 "MEBLE DEMONSTRACYJNE" \
    -pointsize 22 -annotate +0+0 "pakiet akcesoriów do programu CAD" \
    -quality 92 "$dir/$PACKAGE.jpg"
  step "package folder $dir:"
  (cd "$dir" && find . -type f | sort | sed 's/^/      /')
}

# The package maker's two steps: build the installer from the folder, then verify it.
make_installer() {
  local exe=$OUT/drive_d/Pobrane/instalator.exe
  "$E2E_MKINSTALLER" build "$OUT/package" -o "$exe" --stub "$E2E_INSTALLER_EXE" 2>&1 |
    sed 's/^/demo: /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "demo: mkinstaller build failed" >&2; exit 1; }
  "$E2E_MKINSTALLER" verify "$exe" | sed 's/^/demo: /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "demo: mkinstaller verify failed" >&2; exit 1; }
}

# A host installation on drive D: with its library folder "dodatki".
make_host() {
  mkdir -p "$OUT/drive_d/$HOST/dodatki/$PACKAGE" "$OUT/drive_d/Pobrane"
  make_database "$OUT/drive_d/$HOST/dodatki/$PACKAGE/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI"
  step "an earlier installation of $PACKAGE is there:"
  print_tables "$OUT/drive_d/$HOST/dodatki/$PACKAGE/dodatki.mdb"
  WINEPREFIX=$(wine_prefix_new) || { echo "demo: cannot make a Wine prefix" >&2; exit 1; }
  export WINEPREFIX
  e2e_drive d "$OUT/drive_d"
  step "host installation D:\\${HOST//\//\\}\\ (Linux: $OUT/drive_d/$HOST)"
  step "$(wine_width_describe)"
}

# Starts the installer from D:\Pobrane and waits until it proposes the host installation.
start_installer() {
  step "starting D:\\Pobrane\\instalator.exe under Wine"
  e2e_start_installer 'D:\Pobrane\instalator.exe' "$OUT/drive_d/Pobrane"
  e2e_wait_window
  if e2e_wait_until 30 e2e_folder_is "D:\\${HOST//\//\\}\\"; then
    step "the installer proposes D:\\${HOST//\//\\}\\"
  else
    step "the installer did not propose the host installation; status: $(e2e_label_text)"
  fi
  local shot
  shot=$(e2e_screenshot installer-started "$E2E_WID")
  step "screenshot: $shot"
}

# Clicks Install and waits for the end.
install_package() {
  e2e_click_install
  if e2e_wait_until 120 e2e_install_ended; then
    local status
    status=$(e2e_label_text)
    step "install ended${status:+: $status}"
  else
    step "the install did not end within 120 s"
  fi
  step "screenshot: $(e2e_screenshot installed "$E2E_WID")"
}

# print_tables FILE: the accessory tables, a few columns of each, as the native mdbtool reads them.
print_tables() {
  if ! "$MDBTOOL" tables "$1" >/dev/null 2>&1; then
    step "(not a database mdbtool can read)"
    return
  fi
  echo "      info_producent: Producent | Nazwa | Miasto | Tel"
  "$MDBTOOL" export "$1" info_producent |
    jq -r '"        " + ([.Producent, .Nazwa, .Miasto, .Tel] | map(. // "") | join(" | "))'
  echo "      Dodatki: ID | Grupa | Nazwa | cena"
  "$MDBTOOL" export "$1" Dodatki |
    jq -r '"        " + ([.ID, .Grupa, .Nazwa, .cena] | map(if . == null then "" else tostring end) | join(" | "))'
}

print_merged_table() {
  local db="$OUT/drive_d/$HOST/dodatki/$PACKAGE/dodatki.mdb"
  if [ ! -f "$db" ]; then
    step "no database at $db"
    return
  fi
  step "after the install, D:\\${HOST//\//\\}\\dodatki\\$PACKAGE\\ holds:"
  (cd "$OUT/drive_d/$HOST/dodatki/$PACKAGE" && find . -type f | sort | sed 's|^\./|      |')
  step "and its dodatki.mdb:"
  print_tables "$db"
}

run_on_virtual_display() {
  start_installer
  install_package
  e2e_click_close
  e2e_wait_exit || step "the installer did not end after Close"
}

run_on_user_display() {
  start_installer
  step "the installer is on your display: install the package, then close it"
  wait "$E2E_PID"
}

main() {
  rm -rf "$OUT"
  mkdir -p "$OUT" "$E2E_ART"
  make_package
  make_host
  make_installer
  trap 'wine_prefix_drop "$WINEPREFIX"' EXIT
  if [ -n "${DISPLAY:-}" ]; then
    run_on_user_display
  else
    xvfb-run -a -n $((100 + RANDOM % 20000)) -s "-screen 0 1280x1024x24 -nolisten tcp" \
      bash "$0" --on-display
  fi
  print_merged_table
}

if [ "${1:-}" = --on-display ]; then
  run_on_virtual_display
else
  main
fi
