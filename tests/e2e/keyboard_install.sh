#!/usr/bin/env bash
# The window without a mouse, as the keyboard and a screen reader reach it: Install and Close are
# buttons named "Instaluj" and "Zamknij", enabled while their looks are; Esc and Alt+F4 at the
# start screen do what Close does; Tab from the folder field to Install and Enter install the
# package, and Esc at the finish screen closes the installer and cleans up its working folder.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
source "$(dirname "$0")/../../scripts/e2e/built_package.sh"
e2e_init keyboard_install 1280x1024

pkg_make_folder "$E2E_WORK/pkg"
pkg_build "$PKG_DIR" "$E2E_WORK/built.exe" ||
  e2e_fail "mkinstaller build failed (see mkinstaller.log)"

# button_state CLASS PLACE: the button's visible and enabled flags and its name, tab-separated.
button_state() { e2e_control "$@" | cut -f 4,5,7; }
install_offered() { [ "$(button_state "${E2E_INSTALL_BUTTON[@]}")" = $'1\t1\tInstaluj' ]; }

# launch NAME: the installer on a fresh drive D: with its working folder in D:\run.
launch() {
  local name=$1
  DRIVE=$E2E_WORK/$name
  mkdir -p "$DRIVE/run"
  cp "$E2E_WORK/built.exe" "$DRIVE/installer.exe"
  e2e_drive d "$DRIVE"
  e2e_log "--- $name"
  e2e_start_installer 'D:\installer.exe' "$DRIVE/run"
  e2e_wait_window
}

# start NAME: the installer on a drive with an empty host installation, up to the end of its
# start-up, which offers Install.
start() {
  local name=$1
  mkdir -p "$E2E_WORK/$name/Nordeka/CAD A/dodatki"
  launch "$name"
  e2e_wait_until "$E2E_DEADLINE" e2e_folder_is "$PKG_HOST_WIN" ||
    e2e_fail "$name: the folder field never showed $PKG_HOST_WIN; status: $(e2e_label_text)"
  e2e_wait_until "$E2E_DEADLINE" install_offered ||
    e2e_fail "$name: Install was never offered: $(button_state "${E2E_INSTALL_BUTTON[@]}")"
  e2e_controls >"$E2E_ART/$name-started-controls.txt"
  e2e_check_eq "$name: Close is the enabled button \"Zamknij\"" \
    "$(button_state "${E2E_CLOSE_BUTTON[@]}")" $'1\t1\tZamknij'
}

# Without a host installation Install is never offered: its button stays disabled.
NO_HOST="Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog."
no_host_reported() { [ "$(e2e_label_text)" = "$NO_HOST" ]; }
launch nohost
e2e_wait_until "$E2E_DEADLINE" no_host_reported ||
  e2e_fail "nohost: the start-up never reported the missing host; status: $(e2e_label_text)"
e2e_check_eq "nohost: Install is the disabled button \"Instaluj\"" \
  "$(button_state "${E2E_INSTALL_BUTTON[@]}")" $'1\t0\tInstaluj'
e2e_check_eq "nohost: Close is the enabled button \"Zamknij\"" \
  "$(button_state "${E2E_CLOSE_BUTTON[@]}")" $'1\t1\tZamknij'
e2e_key Escape
e2e_wait_exit || e2e_fail "nohost: the installer did not end after Esc"
e2e_check "nohost: Esc removed the working folder as Close does" e2e_no_work_folder

start altf4
e2e_key alt+F4
e2e_wait_exit || e2e_fail "altf4: the installer did not end after Alt+F4"
e2e_check "altf4: Alt+F4 removed the working folder as Close does" e2e_no_work_folder

# differs_at SHOT_A SHOT_B LEFT: whether two screenshots differ on the button at LEFT (a place in
# the installer's window; the buttons' top is 527).
differs_at() {
  local crop="151x50+$((E2E_WIN_X + $3))+$((E2E_WIN_Y + 527))" pixels
  convert "$1" -crop "$crop" +repage "$E2E_WORK/a.png" &&
    convert "$2" -crop "$crop" +repage "$E2E_WORK/b.png" || return 2
  pixels=$(compare -metric AE "$E2E_WORK/a.png" "$E2E_WORK/b.png" null: 2>&1)
  [[ "$pixels" =~ ^[0-9]+$ ]] || return 2
  [ "$pixels" != 0 ]
}
same_at() {
  differs_at "$@"
  [ $? = 1 ]
}
screen_now() { import -window root "$E2E_WORK/now.png"; }
# Install painted in its normal look: orange above its word.
install_painted() {
  screen_now &&
    e2e_color_near "$(e2e_pixel "$E2E_WORK/now.png" $((E2E_WIN_X + 773)) $((E2E_WIN_Y + 535)))" \
      "247 148 29" 8
}
install_cue_shown() { screen_now && differs_at "$before" "$E2E_WORK/now.png" 698; }

start keys
e2e_window_geometry
e2e_wait_until "$E2E_DEADLINE" install_painted || e2e_fail "keys: Install never looked enabled"
before=$(e2e_screenshot keys-started)
# The folder field holds the focus at start: Tab goes on to Install, which shows the focus cue
# now that the keyboard is in use, and Enter installs.
e2e_key Tab
e2e_check "keys: the focus cue appears on Install" e2e_wait_until "$E2E_DEADLINE" install_cue_shown
after=$(e2e_screenshot keys-install-focused)
e2e_check "keys: Close looks as before" same_at "$before" "$after" 874
e2e_key Return
e2e_wait_until 60 e2e_install_ended || e2e_fail "keys: the install did not end"
e2e_controls >"$E2E_ART/keys-finished-controls.txt"
e2e_screenshot keys-finished >/dev/null
e2e_check_eq "keys: finish screen (status label hidden)" \
  "$(e2e_control_visible "${E2E_LABEL[@]}")" 0
e2e_check_eq "keys: no Install button after the install" \
  "$(button_state "${E2E_INSTALL_BUTTON[@]}" | cut -f 1)" 0
e2e_check_eq "keys: Close enabled again" "$(button_state "${E2E_CLOSE_BUTTON[@]}")" $'1\t1\tZamknij'
lib="$DRIVE/Nordeka/CAD A/dodatki/$PKG_NAME"
e2e_check "keys: texture unpacked" cmp "$lib/$PKG_TEXTURE" "$PKG_DIR/$PKG_NAME/$PKG_TEXTURE"
e2e_check_eq "keys: rows (mdbtool)" "$(pkg_rows_by_mdbtool "$lib/dodatki.mdb")" "$PKG_ROWS"
e2e_check_eq "keys: rows (mdbtools)" "$(pkg_rows_by_mdbtools "$lib/dodatki.mdb")" "$PKG_ROWS"

e2e_key Escape
e2e_wait_exit || e2e_fail "keys: the installer did not end after Esc"
e2e_check "keys: Esc removed the working folder as Close does" e2e_no_work_folder

e2e_finish
