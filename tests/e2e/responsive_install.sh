#!/usr/bin/env bash
# An install long enough to be watched, made so by a package of many files: all the while the
# window answers messages sent from outside within a short time, its gauge's text advances, its
# buttons are disabled, and Alt+F4 changes nothing; the install ends on the finish screen.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
source "$(dirname "$0")/../../scripts/e2e/built_package.sh"
e2e_init responsive_install 1280x1024

# Milliseconds within which the window must answer; Windows waits 5000 before it greys a window.
PING_MS=1000
# Each file costs the install its own folder look-up, creation and write: many small ones make
# it last several seconds.
FILES=${RESPONSIVE_FILES:-8000}

pkg_make_folder "$E2E_WORK/pkg"
# Files that do not compress, in twenty sub-folders.
mkdir -p "$PKG_DIR/$PKG_NAME/modele"
perl -e 'my ($dir, $n) = @ARGV;
  for my $i (0 .. $n - 1) {
    my $sub = "$dir/" . ($i % 20);
    mkdir $sub unless -d $sub;
    open(my $f, ">", "$sub/model$i.bin") or die "$sub/model$i.bin: $!";
    print $f pack("L*", map { int(rand(4294967296)) } 1 .. 1024);
  }' "$PKG_DIR/$PKG_NAME/modele" "$FILES" || e2e_fail "cannot make the package's files"
pkg_build "$PKG_DIR" "$E2E_WORK/built.exe" ||
  e2e_fail "mkinstaller build failed (see mkinstaller.log)"

drive=$E2E_WORK/drive
lib="$drive/Nordeka/CAD A/dodatki"
mkdir -p "$lib" "$drive/run"
cp "$E2E_WORK/built.exe" "$drive/installer.exe"
e2e_drive d "$drive"
e2e_start_installer 'D:\installer.exe' "$drive/run"
e2e_wait_window
e2e_wait_until "$E2E_DEADLINE" e2e_folder_is "$PKG_HOST_WIN" ||
  e2e_fail "the folder field never showed $PKG_HOST_WIN; status: $(e2e_label_text)"

# field FIELD CLASS PLACE: one field of a control's line in the snapshot $controls.
field() {
  awk -F'\t' -v f="$1" -v cls="$2" -v at="$3" \
    '$1 > 0 && $2 == cls && index($6, at ",") == 1 { print $f; exit }' <<<"$controls"
}

e2e_click_install
started=$SECONDS
# Until the install has ended: ping the window, then read its controls. A sample counts when the
# gauge stood between 0% and 100%; Alt+F4 is pressed at the first such sample.
answered_during=0
unanswered=0
samples=()
buttons_during=()
altf4_at=
deadline=$((SECONDS + 600))
while :; do
  [ $SECONDS -lt $deadline ] || e2e_fail "the install did not end within 600 s"
  answer=$(e2e_ping "$PING_MS")
  ping=$?
  case $ping in
    0) ;;
    1) e2e_fail "the window is gone during the install" ;;
    *)
      unanswered=$((unanswered + 1))
      e2e_log "$answer"
      ;;
  esac
  controls=$(e2e_controls)
  # The finish screen hides the status label; a failure leaves its message there.
  [ "$(field 4 "${E2E_LABEL[@]}")" = 0 ] && break
  [[ "$(field 7 "${E2E_LABEL[@]}")" == "Wystąpił błąd instalacji"* ]] && break
  percent=$(field 7 InstallerGauge 0,354 | tr -d '%')
  if [ "$(field 4 InstallerGauge 0,354)" = 1 ] && [ "$percent" -gt 0 ] &&
    [ "$percent" -lt 100 ]; then
    samples+=("$percent")
    [ "$ping" = 0 ] && answered_during=$((answered_during + 1))
    buttons_during+=("$(field 5 "${E2E_INSTALL_BUTTON[@]}")$(field 5 "${E2E_CLOSE_BUTTON[@]}")")
    if [ -z "$altf4_at" ]; then
      e2e_key alt+F4
      altf4_at=$percent
    fi
  fi
done
e2e_log "the install took about $((SECONDS - started)) s"
e2e_log "$answered_during pings answered mid-way, $unanswered not answered;" \
  "gauge seen at: ${samples[*]:-none}; Alt+F4 at ${altf4_at:-never}%"
printf '%s\n' "${samples[@]}" >"$E2E_ART/gauge-samples.txt"

e2e_check_eq "the window answered every ping within $PING_MS ms" "$unanswered" 0
e2e_check "pings were answered with the gauge mid-way" [ "$answered_during" -ge 2 ]
distinct=$(printf '%s\n' "${samples[@]}" | sort -un | wc -l)
e2e_check "the gauge's text advanced during the install (${#samples[@]} samples)" \
  [ "$distinct" -ge 2 ]
e2e_check "the gauge never went back" \
  bash -c '[ "$(printf "%s\n" "$@")" = "$(printf "%s\n" "$@" | sort -n)" ]' _ "${samples[@]}"
e2e_check_eq "Install and Close disabled while installing" \
  "$(printf '%s\n' "${buttons_during[@]}" | sort -u)" "00"

# Pressed at the first sample, so a second one shows the install went on after it.
e2e_check "Alt+F4 was pressed during the install, which went on" \
  test -n "$altf4_at" -a "${#samples[@]}" -ge 2
e2e_screenshot finished >/dev/null
e2e_check "Alt+F4 changed nothing: the installer still runs" e2e_installer_running
e2e_check_eq "the install ended on the finish screen" "$(e2e_control_visible "${E2E_LABEL[@]}")" 0
e2e_check "the working folder is still there" e2e_file_exists "$(e2e_work_folders)/cover.jpg"
pkg=$lib/$PKG_NAME
e2e_check "the last file unpacked" \
  cmp "$pkg/modele/$(((FILES - 1) % 20))/model$((FILES - 1)).bin" \
  "$PKG_DIR/$PKG_NAME/modele/$(((FILES - 1) % 20))/model$((FILES - 1)).bin"
e2e_check_eq "rows (mdbtool)" "$(pkg_rows_by_mdbtool "$pkg/dodatki.mdb")" "$PKG_ROWS"

e2e_click_close
e2e_wait_exit || e2e_fail "the installer did not end after Close"
e2e_check "Close removed the working folder" e2e_no_work_folder

e2e_finish
