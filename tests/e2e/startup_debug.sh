#!/usr/bin/env bash
# Start-up seen from outside: an installer made by mkinstaller around a small package shows its
# cover as a borderless window centred on the screen, logs the start-up in order at the debug
# level, extracts its archive into a working folder of its own under the user's temporary folder,
# and Close removes that folder unless told not to.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init startup_debug 1280x1024

e2e_make_start_package

drive=$E2E_WORK/drive_d
mkdir -p "$drive"
e2e_drive d "$drive"
e2e_make_installer "$E2E_WORK/package.zip" "$drive/installer.exe"
exe_size=$(stat -c %s "$drive/installer.exe")
stub_size=$(stat -c %s "$E2E_INSTALLER_EXE")

NO_HOST="Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."

# The whole memo of a debug start from D:\$1, on a prefix whose drives C:, D: and Z: hold no
# host installation.
expected_log() {
  cat <<LOG
Ustawiono parametr DEBUG
Blokujemy klawisz INSTALL
Sprawdzamy folder instalacji : C:\\dodatki
Błędny folder instalacji : C:\\dodatki
Inicjalizacja.
Screen [1280 x 1024 ]
Centrujemy  [ 120 - 219 ]
Plik EXE z archiwum: D:\\installer.exe
FileSize: $exe_size
Offset EXE: $stub_size
Znaleziono: \`D:\\installer.exe\`
Wyszukiwanie paczek instalacyjnych.
Blokujemy klawisz INSTALL
Znaleziono podkatalog w ZIP : \`P\`
Rozpakowywujemy z \`D:\\installer.exe\` plik \`P.jpg\` do katalogu \`WORK\\\`
JPG: [1040x585]
FormBorder: [0x0]
Pic  [1040 x 585]
BG.Picture  [1040 x 585]
Wyszukiwanie zainstalowanego oprogramowania VIRELA.
HDD: [C:\\]
HDD: [D:\\]
HDD: [Z:\\]
Znaleziono 0 instalacji oprogramowania CAD.
$NO_HOST
LOG
}

# The start-up has ended when host discovery's result has been logged.
memo_has_end_of_startup() { e2e_memo_text | grep -qxF "$NO_HOST"; }
label_has_end_of_startup() { [ "$(e2e_label_text)" = "$NO_HOST" ]; }

# The memo with the run's working folder (its name holds the process id) written as WORK.
memo_with_work_folder() {
  e2e_memo_text | sed -E 's/[A-Za-z]:\\[^`]*\\instalator-[0-9]+-[0-9]+/WORK/g'
}

# run NAME ARG NODELETE EXPECT_CLEANED: one start of the installer from the empty folder D:\NAME.
run() {
  local name=$1 arg=$2 nodelete=$3 cleaned=$4
  local cwd=$drive/$name tmp
  mkdir -p "$cwd"
  # A folder kept by an earlier run is not this run's.
  e2e_work_folders | xargs -r rm -rf
  e2e_log "--- run $name: argument '$arg', NODELETE $nodelete"
  e2e_start_installer "D:\\installer.exe" "$cwd" $arg
  e2e_wait_window

  if [ -n "$arg" ]; then
    e2e_wait_until "$E2E_DEADLINE" memo_has_end_of_startup ||
      e2e_fail "$name: the memo never showed the end of the start-up"
    memo_with_work_folder >"$E2E_ART/$name-memo.txt"
    expected_log "$name" >"$E2E_ART/$name-memo-expected.txt"
    e2e_check "$name: memo holds the start-up lines in order" \
      diff -u "$E2E_ART/$name-memo-expected.txt" "$E2E_ART/$name-memo.txt"
    e2e_check_eq "$name: memo shown" "$(e2e_control_visible "${E2E_MEMO[@]}")" 1
  else
    e2e_wait_until "$E2E_DEADLINE" label_has_end_of_startup ||
      e2e_fail "$name: the status label never showed the end of the start-up"
    e2e_check_eq "$name: memo hidden" "$(e2e_control_visible "${E2E_MEMO[@]}")" 0
  fi
  e2e_controls >"$E2E_ART/$name-controls.txt"

  e2e_window_geometry
  e2e_check_eq "$name: window size" "${E2E_WIN_W}x${E2E_WIN_H}" "1040x585"
  e2e_check_eq "$name: window centred" "${E2E_WIN_X},${E2E_WIN_Y}" "120,219"
  local shot point x y want
  shot=$(e2e_screenshot "$name-started")
  # The cover fills the window to its very corners: no frame, no title bar.
  for point in "1 1 L" "1 583 L" "520 300 R" "1038 300 R" "1038 200 R"; do
    read -r x y want <<<"$point"
    [ "$want" = L ] && want=$E2E_COVER_LEFT || want=$E2E_COVER_RIGHT
    e2e_check "$name: cover pixel at $x,$y" \
      e2e_color_near "$(e2e_pixel "$shot" $((E2E_WIN_X + x)) $((E2E_WIN_Y + y)))" "$want"
  done

  tmp=$(e2e_work_folders)
  e2e_check_eq "$name: one working folder, under the temporary folder" "$(wc -l <<<"$tmp")" 1
  e2e_check "$name: nothing written beside the program" e2e_file_absent "$cwd/tmp"
  [ "$nodelete" = 1 ] && : >"$tmp/NODELETE"
  e2e_check "$name: the archive is read where it lies, never copied" \
    e2e_file_absent "$tmp/packages.zip"
  e2e_check "$name: zip-offset.txt is gone" e2e_file_absent "$tmp/zip-offset.txt"

  e2e_click_close
  e2e_wait_exit || e2e_fail "$name: the installer did not end after Close"
  if [ "$cleaned" = 1 ]; then
    e2e_check "$name: Close removed its working folder" e2e_file_absent "$tmp"
  else
    e2e_check "$name: Close kept cover.jpg" e2e_file_exists "$tmp/cover.jpg"
  fi
}

#   name      argument  NODELETE  cleaned by Close
run debug     /DEBUG    0         0
run normal    ""        0         1
run nodelete  ""        1         0

e2e_finish
