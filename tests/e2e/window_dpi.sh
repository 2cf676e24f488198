#!/usr/bin/env bash
# The window on a 1920 x 1080 monitor at 96, 144 and 192 DPI: it draws at the monitor's DPI
# (1040 x 585 and 1560 x 878 pixels; at 192 DPI the cover does not fit and the whole layout
# scales with it), its text is Tahoma of 11, 16 and 21 pixels and the folder field's caption
# shows all of its text, while the log keeps its figures in pixels of 96 DPI. At 144 DPI the
# mouse installs the package, and a screen reader finds the package's name in the window's,
# the progress bar, and on the finish screen its message with the focus on Close.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init window_dpi 1920x1080

source "$(dirname "$0")/../../scripts/e2e/update_package.sh"
update_make_package "$E2E_WORK/package.zip"

HOST_WIN='D:\Nordeka\CAD A\'
CAPTION="Miejsce instalacji pakietu, zmień jeśli konieczne."
FINISH="Instalacja zakończona pomyślnie."

between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }
host_proposed() { [ -n "$(e2e_control_with_text Edit "$HOST_WIN")" ]; }

# The memo's text: the memo is the text box whose first line is the debug level's.
memo_text() {
  e2e_controls | awk -F'\t' '$2 == "Edit" && index($7, "Ustawiono parametr DEBUG") == 1 { print; exit }' |
    cut -f 7- | e2e_unescaped
}

# run DPI WINDOW FONT_PX MEMO_LINES INSTALL: one start on a fresh drive D: at that DPI.
run() {
  local dpi=$1 size=$2 font=$3 lines=$4 install=$5
  local name=dpi$dpi drive=$E2E_WORK/dpi$dpi
  mkdir -p "$drive/Nordeka/CAD A/dodatki" "$drive/run"
  e2e_drive d "$drive"
  e2e_make_installer "$E2E_WORK/package.zip" "$drive/installer.exe"
  e2e_set_dpi "$dpi" || e2e_fail "$name: cannot set the DPI"

  e2e_log "--- run $name"
  e2e_start_installer 'D:\installer.exe' "$drive/run" /DEBUG
  e2e_wait_window
  e2e_wait_until "$E2E_DEADLINE" host_proposed || e2e_fail "$name: no host proposed"
  e2e_controls >"$E2E_ART/$name-controls.txt"
  local shot
  shot=$(e2e_screenshot "$name-proposed")

  e2e_window_geometry
  local w=${size%x*} h=${size#*x}
  e2e_check_eq "$name: window size" "${E2E_WIN_W}x${E2E_WIN_H}" "$size"
  # Centred in logical pixels: a pixel off the middle at most.
  local dx=$((E2E_WIN_X - (1920 - w) / 2)) dy=$((E2E_WIN_Y - (1080 - h) / 2))
  e2e_check "$name: centred (${E2E_WIN_X},${E2E_WIN_Y})" between $((dx * dx + dy * dy)) 0 2
  local line
  while IFS= read -r line; do
    e2e_check "$name: memo has \"$line\"" grep -qxF "$line" <(memo_text)
  done <<<"$lines"

  # The caption shows all of its text, in Tahoma of the DPI's size: its dark pixels make the box
  # that text makes, and they lie inside the caption's white box.
  local cap cx cy cw ch ink iw ih ix iy want tw th
  cap=$(e2e_control_with_text Static "$CAPTION")
  [ -n "$cap" ] || e2e_fail "$name: no caption"
  IFS=, read -r cx cy cw ch <<<"$(cut -f 6 <<<"$cap")"
  ink=$(e2e_ink_box "$shot" $((E2E_WIN_X + cx)) $((E2E_WIN_Y + cy)) "$cw" "$ch")
  read -r iw ih ix iy <<<"$ink"
  want=$(e2e_text_box "$CAPTION" "$font")
  read -r tw th <<<"$want"
  e2e_log "$name: caption box ${cw}x${ch}, its text ${iw}x${ih} at $ix,$iy; Tahoma ${font} px: ${tw}x${th}"
  # The next size up or down would differ by a pixel in height and by 7 % in width.
  e2e_check "$name: caption text as high as Tahoma ${font} px draws it ($ih, $th)" \
    between "$ih" $((th - 1)) $((th + 1))
  e2e_check "$name: caption text as wide as Tahoma ${font} px draws it ($iw, $tw)" \
    between $((iw * 100)) $((tw * 97)) $((tw * 103))
  e2e_check "$name: caption text within its box (ends at $((ix + iw)) of $cw)" \
    [ $((ix + iw)) -lt "$cw" ]

  [ "$install" = 1 ] && installed "$name"
  e2e_click_button Zamknij
  e2e_wait_exit || e2e_fail "$name: the installer did not end after Close"
}

# installed NAME: the mouse installs the package; what a screen reader reads before and after.
installed() {
  local name=$1
  e2e_accessible >"$E2E_ART/$name-accessible-proposed.txt"
  e2e_check "$name: the window's name says the package" \
    grep -qP '^0\t[^\t]+\t[^\t]+\tInstalator bibliotek CAD – P\t' "$E2E_ART/$name-accessible-proposed.txt"
  e2e_check "$name: the progress bar is named and read as one" \
    grep -qP '^1\tInstallerGauge\tprogress bar\tPostęp instalacji\t0%\t' \
    "$E2E_ART/$name-accessible-proposed.txt"

  e2e_click_button Instaluj
  if ! e2e_wait_until 60 finish_shown; then
    e2e_controls >"$E2E_ART/$name-controls-nofinish.txt"
    e2e_fail "$name: no finish screen"
  fi
  e2e_accessible >"$E2E_ART/$name-accessible-finished.txt"
  e2e_screenshot "$name-finished" >/dev/null
  e2e_check "$name: the finish message is text a screen reader finds" \
    grep -qP "^1\tStatic\t[^\t]+\t$FINISH\t" "$E2E_ART/$name-accessible-finished.txt"
  # The finish screen moves the focus after it shows itself: wait for it.
  e2e_check "$name: the focus is on Close (Zamknij)" e2e_wait_until 10 focus_on_close
  e2e_check "$name: the package was installed" \
    e2e_file_exists "$E2E_WORK/$name/Nordeka/CAD A/dodatki/P/tekstury/dab.jpg"
}

# The Close button holds the focus: its state has STATE_SYSTEM_FOCUSED (0x4).
focus_on_close() {
  local state
  state=$(e2e_accessible | awk -F'\t' '$2 == "Button" && $4 == "Zamknij" { print $6; exit }')
  [ -n "$state" ] && [ $((state & 4)) -ne 0 ]
}
# grep reads the whole list: one that stops at the first match breaks the pipe of a long list,
# which pipefail counts as a failure.
finish_shown() {
  e2e_controls | grep -P "^1\tStatic\t\d+\t1\t.*\t$FINISH$" >/dev/null
}

#   DPI  window     font  memo lines in pixels of 96 DPI                        install
run 96   1040x585   11    $'Screen [1920 x 1080 ]\nPic  [1040 x 585]\nCentrujemy  [ 440 - 247 ]' 0
run 144  1560x878   16    $'Screen [1280 x 720 ]\nPic  [1040 x 585]\nCentrujemy  [ 120 - 67 ]' 1
run 192  1248x702   21    $'Screen [960 x 540 ]\nReskalujemy okładkę do małego ekranu : [960x540]\nscaleWidth x scaleHeight : [624x351]\nForm: [624x351]\nPic  [624 x 351]' 0

e2e_finish
