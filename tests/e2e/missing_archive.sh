#!/usr/bin/env bash
# The installer, which carries the package archive, gone at the Install click (a share that went
# away, a file moved while the window waited): the install stops with "Brak pliku", and the user
# sees why. The progress bar lies over the status label, so it must
# be hidden: the label's place on the screen shows its red text.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init missing_archive 1280x1024

pkg=$E2E_WORK/pkg
mkdir -p "$pkg"
e2e_make_database "$pkg/P\\dodatki.mdb" '' '{"ID":1,"Producent":"Nordeka","Nazwa":"Blat"}' ||
  e2e_fail "cannot make the package's database"
e2e_make_cover "$pkg/P.jpg" 1040 585
(cd "$pkg" && zip -X -q ../package.zip 'P\dodatki.mdb' P.jpg) || e2e_fail "zip failed"

drive=$E2E_WORK/drive_d
mkdir -p "$drive/Nordeka/CAD A/dodatki" "$drive/run"
e2e_drive d "$drive"
e2e_make_installer "$E2E_WORK/package.zip" "$drive/installer.exe"
HOST_WIN='D:\Nordeka\CAD A\'

e2e_start_installer 'D:\installer.exe' "$drive/run"
e2e_wait_window
e2e_wait_until "$E2E_DEADLINE" e2e_folder_is "$HOST_WIN" ||
  e2e_fail "the folder field never showed $HOST_WIN"
rm -f "$drive/installer.exe"

e2e_click_install
e2e_wait_until "$E2E_DEADLINE" e2e_install_ended || e2e_fail "the install did not end"
e2e_controls >"$E2E_ART/controls.txt"
shot=$(e2e_screenshot failed)

label=$(e2e_label_text)
e2e_log "status label: $label"
e2e_check "status label names the missing archive" \
  grep -qx 'Wystąpił błąd instalacji\. Brak pliku: D:\\installer\.exe' <<<"$label"
e2e_check_eq "status label shown" "$(e2e_control_visible "${E2E_LABEL[@]}")" 1
e2e_check_eq "progress bar hidden" "$(e2e_control_visible InstallerGauge)" 0
e2e_check "nothing unpacked" e2e_file_absent "$drive/Nordeka/CAD A/dodatki/P"

# Pure red pixels of the label's text within its rectangle on the screen.
e2e_window_geometry
IFS=, read -r left top width height < <(e2e_control "${E2E_LABEL[@]}" | cut -f 5)
red=$(/usr/bin/convert "$shot" -crop "${width}x${height}+$((E2E_WIN_X + left))+$((E2E_WIN_Y + top))" \
  +repage -fuzz 20% -fill black +opaque red -fill white -opaque red \
  -format '%[fx:int(mean*w*h+0.5)]' info:)
e2e_log "red pixels in the label: $red"
e2e_check "the label's red text is on the screen" [ "${red:-0}" -gt 50 ]

e2e_click_close
e2e_wait_exit || e2e_fail "the installer did not end after Close"
e2e_finish
