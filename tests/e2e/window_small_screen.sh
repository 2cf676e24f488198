#!/usr/bin/env bash
# The window on a 1024 x 768 screen, where the designed cover does not fit: the window becomes
# 666 x 375 and the whole layout scales with the cover, so the folder field stays usable (at
# least 200 pixels wide) and no control lies over another.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init window_small_screen 1024x768

e2e_make_start_package
drive=$E2E_WORK/drive_d
mkdir -p "$drive/Nordeka/CAD A/dodatki" "$drive/run"
e2e_drive d "$drive"
e2e_make_installer "$E2E_WORK/package.zip" "$drive/installer.exe"

e2e_start_installer 'D:\installer.exe' "$drive/run"
e2e_wait_window
host_proposed() { [ -n "$(e2e_control_with_text Edit 'D:\Nordeka\CAD A\')" ]; }
e2e_wait_until "$E2E_DEADLINE" host_proposed || e2e_fail "no host proposed"
e2e_controls >"$E2E_ART/controls.txt"
e2e_screenshot small-screen >/dev/null

e2e_window_geometry
e2e_check_eq "window size" "${E2E_WIN_W}x${E2E_WIN_H}" "666x375"
e2e_check_eq "window centred" "${E2E_WIN_X},${E2E_WIN_Y}" "179,196"

# The visible controls, as "name left top width height" (the status label only with a text).
visible=$(awk -F'\t' '$1 == 1 && $4 == 1 && !($2 == "Static" && $7 == "") {
  split($6, r, ","); print $2 "(" $7 ")", r[1], r[2], r[3], r[4] }' "$E2E_ART/controls.txt")
printf '%s\n' "$visible" >"$E2E_ART/visible.txt"
field_width=$(awk -F'\t' '$1 == 1 && $2 == "Edit" && $4 == 1 { split($6, r, ","); print r[3]; exit }' \
  "$E2E_ART/controls.txt")
e2e_check "the folder field is at least 200 pixels wide (${field_width:-none})" \
  [ "${field_width:-0}" -ge 200 ]

# Every pair of visible controls, named by their last words, must not overlap.
overlaps=$(awk '{ n = NF; l[NR] = $(n-3); t[NR] = $(n-2); w[NR] = $(n-1); h[NR] = $n; $(n-3) = "";
  name[NR] = $0 }
  END { for (i = 1; i <= NR; i++) for (j = i + 1; j <= NR; j++)
    if (l[i] < l[j] + w[j] && l[j] < l[i] + w[i] && t[i] < t[j] + h[j] && t[j] < t[i] + h[i])
      print name[i] " / " name[j] }' <<<"$visible")
e2e_check_eq "no visible control lies over another" "$overlaps" ""
e2e_check "every visible control lies inside the window" \
  awk '$(NF-3) < 0 || $(NF-2) < 0 || $(NF-3) + $(NF-1) > 666 || $(NF-2) + $NF > 375 { bad = 1 }
    END { exit bad }' <<<"$visible"

e2e_click_button Zamknij
e2e_wait_exit || e2e_fail "the installer did not end after Close"

e2e_finish
