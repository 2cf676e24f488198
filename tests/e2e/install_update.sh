#!/usr/bin/env bash
# Install seen from outside: the installer proposes the host installation it finds on drive D:,
# a click on Install unpacks the package into the host's library folder and merges the package's
# accessory database with the one of an earlier installation (or takes the package's rows on a
# first install), ends on the finish screen, and Close cleans up its working folder.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init install_update 1280x1024

source "$(dirname "$0")/../../scripts/e2e/update_package.sh"
update_make_package "$E2E_WORK/package.zip"

HOST_WIN='D:\Nordeka\CAD A\'

# Rows of a table as "ID|Nazwa|cena" lines by our reader, which must agree with mdbtools.
rows_by_mdbtool() {
  "$E2E_MDBTOOL" export "$1" Dodatki | jq -r '[.ID, .Nazwa, .cena // ""] | map(tostring) | join("|")'
}

# run NAME EARLIER EXPECTED_ROWS: one install onto a fresh drive D:, with or without an
# earlier installation of the package.
run() {
  local name=$1 earlier=$2 expected=$3
  local drive=$E2E_WORK/$name
  local lib="$drive/Nordeka/CAD A/dodatki"
  mkdir -p "$lib" "$drive/run"
  if [ "$earlier" = 1 ]; then
    mkdir -p "$lib/P"
    e2e_make_database "$lib/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
      e2e_fail "$name: cannot make the earlier database"
  fi
  e2e_drive d "$drive"
  e2e_make_installer "$E2E_WORK/package.zip" "$drive/installer.exe"

  e2e_log "--- run $name: earlier installation $earlier"
  e2e_start_installer 'D:\installer.exe' "$drive/run"
  e2e_wait_window
  e2e_wait_until "$E2E_DEADLINE" e2e_folder_is "$HOST_WIN" ||
    e2e_fail "$name: the folder field never showed $HOST_WIN"
  e2e_screenshot "$name-proposed" >/dev/null

  e2e_click_install
  e2e_wait_until 60 e2e_install_ended || e2e_fail "$name: the install did not end"
  e2e_controls >"$E2E_ART/$name-controls.txt"
  e2e_screenshot "$name-finished" >/dev/null
  e2e_check_eq "$name: status label hidden on the finish screen" \
    "$(e2e_control_visible "${E2E_LABEL[@]}")" 0
  e2e_check_eq "$name: folder field hidden" "$(e2e_control_visible "${E2E_FOLDER[@]}")" 0
  e2e_check_eq "$name: progress bar hidden" "$(e2e_control_visible InstallerGauge)" 0

  e2e_check "$name: package file unpacked" e2e_file_exists "$lib/P/tekstury/dab.jpg"
  local f
  for f in P/dodatki_old.mdb P/dodatki_new.mdb P.jpg P.txt; do
    e2e_check "$name: no $f in the library folder" e2e_file_absent "$lib/$f"
  done
  e2e_check_eq "$name: merged rows (mdbtool)" "$(rows_by_mdbtool "$lib/P/dodatki.mdb")" "$expected"
  e2e_check_eq "$name: merged rows (mdbtools)" "$(rows_by_mdbtools "$lib/P/dodatki.mdb")" "$expected"
  e2e_check_eq "$name: producer row taken from the package" \
    "$("$E2E_MDBTOOL" export "$lib/P/dodatki.mdb" info_producent | jq -r .Tel)" "61 111 11 11"

  e2e_click_close
  e2e_wait_exit || e2e_fail "$name: the installer did not end after Close"
  e2e_check "$name: Close removed its working folder" e2e_no_work_folder
}

#   name    earlier  rows afterwards
run update  1        $'1|Szafka wisząca 60|420.00\n2|Blat dębowy 120|399.00\n4|Krzesło Łódź|250.00'
run first   0        $'2|Blat dębowy 120|399.00\n4|Krzesło Łódź|250.00'

e2e_finish
