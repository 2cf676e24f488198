# End-to-end test harness (sourced by tests/e2e/*.sh): the real installer.exe under Wine, on an
# Xvfb display of the test's own, driven with xdotool and observed from outside: screenshots,
# pixels, the texts of its text controls (wintext.exe) and files on disk.
#
# A test script:
#   source "$(dirname "$0")/../../scripts/e2e/lib.sh"
#   e2e_init NAME 1280x1024      # re-runs the script under its own xvfb-run at that screen size
#   ... e2e_* calls; e2e_check records a failed check and goes on, e2e_fail stops the test
#   e2e_finish                   # prints the summary, exits non-zero on any failed check
#
# Every wait polls a condition until a deadline; nothing sleeps for a fixed time.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$E2E_ROOT/scripts/wine-prefix.sh"

# The Windows programs of the width this machine runs (build/win32, or the 64-bit twin).
E2E_WINDOWS_DIR=${E2E_WINDOWS_DIR:-$WINDOWS_BUILD_DIR}
E2E_MKINSTALLER=${E2E_MKINSTALLER:-$E2E_ROOT/build/native/mkinstaller}
E2E_MDBTOOL=${E2E_MDBTOOL:-$E2E_ROOT/build/native/mdbtool}
E2E_ARTIFACTS=${E2E_ARTIFACTS:-$E2E_ROOT/build/e2e-artifacts}
E2E_INSTALLER_EXE=$E2E_WINDOWS_DIR/installer.exe
E2E_WINTEXT_EXE=$E2E_WINDOWS_DIR/wintext.exe
# The window's caption begins with this; once the package is known, its name follows.
E2E_WINDOW_NAME="Instalator bibliotek CAD"
# Seconds for the installer's window to appear (the first start in a prefix is the slowest).
E2E_START_DEADLINE=${E2E_START_DEADLINE:-60}
E2E_DEADLINE=${E2E_DEADLINE:-20}

E2E_FAILED=0
E2E_PASSED=0

e2e_log() { echo "[$E2E_NAME] $*"; }

# e2e_init NAME WIDTHxHEIGHT: sets up the test; outside a display of its own, restarts the
# script under xvfb-run with a 24-bit screen of that size.
e2e_init() {
  E2E_NAME=$1
  local screen=$2
  if [ "${E2E_INNER:-}" != 1 ]; then
    export E2E_INNER=1
    exec xvfb-run -a -n $((100 + RANDOM % 20000)) -s "-screen 0 ${screen}x24 -nolisten tcp" \
      bash "$0"
  fi
  local need
  for need in "$E2E_INSTALLER_EXE" "$E2E_WINTEXT_EXE" "$E2E_MKINSTALLER"; do
    [ -f "$need" ] || { echo "[$E2E_NAME] missing $need: build first" >&2; exit 1; }
  done
  E2E_ART="$E2E_ARTIFACTS/$E2E_NAME"
  rm -rf "$E2E_ART"
  mkdir -p "$E2E_ART" "$E2E_ROOT/build/e2e-work"
  E2E_WORK=$(mktemp -d "$E2E_ROOT/build/e2e-work/$E2E_NAME.XXXXXX")
  WINEPREFIX=$(wine_prefix_new) || { echo "[$E2E_NAME] cannot make a Wine prefix" >&2; exit 1; }
  export WINEPREFIX
  E2E_PID=
  trap e2e_teardown EXIT
  e2e_log "display $DISPLAY ${screen}, prefix $WINEPREFIX, work $E2E_WORK"
  e2e_log "$(wine_width_describe)"
}

e2e_teardown() {
  if [ -n "${E2E_PID:-}" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null
  fi
  wine_prefix_drop "$WINEPREFIX"
  [ "${KEEP_E2E_WORK:-0}" = 1 ] || rm -rf "$E2E_WORK"
}

# --- results ---

e2e_pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  e2e_log "ok: $1"
}

e2e_check_failed() {
  E2E_FAILED=$((E2E_FAILED + 1))
  e2e_log "FAILED: $1"
}

# e2e_check DESCRIPTION COMMAND...: records whether the command succeeds.
e2e_check() {
  local what=$1
  shift
  if "$@"; then e2e_pass "$what"; else e2e_check_failed "$what"; fi
}

# e2e_check_eq DESCRIPTION ACTUAL EXPECTED
e2e_check_eq() {
  if [ "$2" == "$3" ]; then
    e2e_pass "$1"
  else
    e2e_check_failed "$1"
    printf '  expected: %q\n  actual:   %q\n' "$3" "$2"
  fi
}

# Stops the test at once, with a screenshot of the moment.
e2e_fail() {
  e2e_check_failed "$1"
  e2e_screenshot failure >/dev/null 2>&1
  e2e_finish
}

e2e_finish() {
  e2e_log "$E2E_PASSED checks passed, $E2E_FAILED failed; artifacts in $E2E_ART"
  [ "$E2E_FAILED" -eq 0 ] || exit 1
  exit 0
}

# --- waiting ---

# e2e_wait_until SECONDS COMMAND...: polls the command until it succeeds; false at the deadline.
e2e_wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

e2e_file_exists() { [ -e "$1" ]; }
e2e_file_absent() { [ ! -e "$1" ]; }

# The installer's working folders ("instalator-<process>-<n>", one per run, under the user's
# temporary folder in the prefix), one a line.
e2e_work_folders() { find "$WINEPREFIX/drive_c/users" -type d -name 'instalator-*' 2>/dev/null; }
# True when no run left its working folder behind.
e2e_no_work_folder() { [ -z "$(e2e_work_folders)" ]; }

# --- the installer under Wine ---

# e2e_set_dpi DPI: the screen's dots per inch, as the display settings set them, for the programs
# started afterwards. The Wine server keeps the value it started with, so it is restarted.
e2e_set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || return 1
  done
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return 0
}

# e2e_drive LETTER LINUX_DIR: makes LINUX_DIR the prefix's drive LETTER.
e2e_drive() {
  local letter=${1,,}
  mkdir -p "$2"
  ln -sfn "$(cd "$2" && pwd)" "$WINEPREFIX/dosdevices/$letter:"
}

# e2e_start_installer EXE CWD [ARGS...]: starts the installer in the background with CWD (a
# Linux folder) as its current directory; the output goes to the artifacts.
e2e_start_installer() {
  local exe=$1 cwd=$2
  shift 2
  (cd "$cwd" && exec "$WINE" "$exe" "$@") >>"$E2E_ART/installer.log" 2>&1 &
  E2E_PID=$!
}

e2e_installer_running() { kill -0 "$E2E_PID" 2>/dev/null; }

e2e_find_window() {
  E2E_WID=$(xdotool search --name "^${E2E_WINDOW_NAME}" 2>/dev/null | head -n 1)
  [ -n "$E2E_WID" ] && e2e_window_mapped
}

e2e_window_mapped() {
  xwininfo -id "$E2E_WID" 2>/dev/null | grep -q "Map State: IsViewable"
}

# Waits for the installer's window; sets E2E_WID. Stops the test when the installer ended or the
# window did not appear in time.
e2e_wait_window() {
  local deadline=$((SECONDS + E2E_START_DEADLINE))
  until e2e_find_window; do
    if ! e2e_installer_running; then
      local status=0
      wait "$E2E_PID" 2>/dev/null || status=$?
      e2e_fail "the installer ended before showing its window (exit status $status)"
    fi
    [ $SECONDS -lt $deadline ] || e2e_fail "no window \"$E2E_WINDOW_NAME\" within ${E2E_START_DEADLINE}s"
    sleep 0.2
  done
}

# Sets E2E_WIN_X, E2E_WIN_Y, E2E_WIN_W, E2E_WIN_H from the window's X geometry.
e2e_window_geometry() {
  local info
  info=$(xwininfo -id "$E2E_WID") || return 1
  E2E_WIN_X=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  E2E_WIN_Y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  E2E_WIN_W=$(awk '/Width:/ {print $NF}' <<<"$info")
  E2E_WIN_H=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# e2e_click X Y: a left click at a point of the installer's window (client coordinates).
e2e_click() {
  xdotool mousemove --window "$E2E_WID" "$1" "$2" click 1
}

# e2e_move X Y: moves the mouse to a point of the installer's window.
e2e_move() {
  xdotool mousemove --window "$E2E_WID" "$1" "$2"
}

# e2e_key KEY...: presses keys (xdotool's names: Tab, Return, Escape, alt+F4) as a user does,
# in the installer's window, which takes the keyboard focus first.
e2e_key() {
  xdotool windowfocus --sync "$E2E_WID" key --delay 150 "$@"
}

# Waits for the installer process to end; false at the deadline.
e2e_wait_exit() {
  e2e_wait_until "${1:-$E2E_DEADLINE}" bash -c "! kill -0 $E2E_PID 2>/dev/null"
}

# --- looking at the screen ---

# e2e_screenshot NAME [WINDOW]: saves the whole screen (or one window) as NAME.png in the
# artifacts; prints the path.
e2e_screenshot() {
  # Numbered in the order taken (counted on disk: callers often run this in a subshell).
  local file n
  n=$(find "$E2E_ART" -maxdepth 1 -name '*.png' | wc -l)
  file=$(printf '%s/%02d-%s.png' "$E2E_ART" $((n + 1)) "$1")
  import -window "${2:-root}" "$file" && echo "$file"
}

# e2e_pixel PNG X Y: prints the pixel's colour as "R G B" (0..255).
e2e_pixel() {
  /usr/bin/convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

# e2e_color_near "R G B" "R G B" [TOLERANCE]: true when every channel differs by at most the
# tolerance (JPEG covers are lossy).
e2e_color_near() {
  local a=($1) b=($2) tol=${3:-16} i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    [ ${d#-} -le "$tol" ] || return 1
  done
}

# --- the texts of the installer's controls (wintext.exe, run beside it in the same prefix) ---

# Prints the installer's window and its child windows as wintext.exe reports them, one per line:
#   depth <TAB> class <TAB> id <TAB> visible (0/1) <TAB> enabled (0/1) <TAB> left,top,width,height
#   <TAB> text
# children's rectangles in their parent's client area; "\\" "\t" "\r" "\n" escaped in the text.
e2e_controls() {
  "$WINE" "$E2E_WINTEXT_EXE" --caption "$E2E_WINDOW_NAME" 2>>"$E2E_ART/wintext.err" | tr -d '\r'
}

# e2e_control CLASS [LEFT,TOP]: the line of the first child window of that class (and place).
e2e_control() {
  e2e_controls | awk -F'\t' -v cls="$1" -v at="${2:-}" \
    '$1 > 0 && $2 == cls && (at == "" || index($6, at ",") == 1) { print; exit }'
}

# e2e_control_with_text CLASS TEXT: the line of the first child window of that class whose text
# is TEXT, wherever it lies (at any DPI).
e2e_control_with_text() {
  e2e_controls | CLS=$1 TEXT=$(sed 's/\\/\\\\/g' <<<"$2") \
    awk -F'\t' '$1 > 0 && $2 == ENVIRON["CLS"] && $7 == ENVIRON["TEXT"] { print; exit }'
}

# e2e_click_button NAME: the mouse onto the middle of the button of that name, then a click, as
# a user clicks Install (which reacts in its hover look only) or Close, wherever it lies.
e2e_click_button() {
  local at x y w h
  at=$(e2e_control_with_text Button "$1" | cut -f 6)
  [ -n "$at" ] || e2e_fail "no button $1"
  IFS=, read -r x y w h <<<"$at"
  e2e_move $((x + w / 2)) $((y + h / 2))
  e2e_click $((x + w / 2)) $((y + h / 2))
}

# e2e_control_text CLASS [LEFT,TOP]: the control's text, unescaped, CR LF as line ends.
e2e_control_text() {
  e2e_control "$@" | cut -f 7- | e2e_unescaped
}

# A text as wintext escapes it, unescaped, CR LF as line ends.
e2e_unescaped() {
  perl -pe 's/\\(.)/$1 eq "n" ? "\n" : $1 eq "r" ? "\r" : $1 eq "t" ? "\t" : $1/ge' | tr -d '\r'
}

# e2e_ping MS: true when the installer's window answers a message sent from outside within MS
# milliseconds, as Windows asks before it calls a window "Not Responding"; prints wintext's line.
e2e_ping() {
  "$WINE" "$E2E_WINTEXT_EXE" --caption "$E2E_WINDOW_NAME" --ping "$1" 2>>"$E2E_ART/wintext.err" |
    tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# Prints what a screen reader reads of the installer's window and its child windows, one per line:
#   depth <TAB> class <TAB> role <TAB> name <TAB> value <TAB> state (hex STATE_SYSTEM_* flags)
e2e_accessible() {
  "$WINE" "$E2E_WINTEXT_EXE" --caption "$E2E_WINDOW_NAME" --accessible \
    2>>"$E2E_ART/wintext.err" | tr -d '\r'
}

# e2e_ink_box PNG LEFT TOP WIDTH HEIGHT: the box of the dark pixels (text) within that part of a
# screenshot, as "width height left top", left and top within the part.
e2e_ink_box() {
  /usr/bin/convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace gray -threshold 60% \
    -trim -format '%w %h %[fx:page.x] %[fx:page.y]' info:
}

# e2e_text_box TEXT PIXELS: the box of the text's dark pixels, drawn in Wine's Tahoma with a
# character height of that many pixels, as "width height".
e2e_text_box() {
  /usr/bin/convert -density 72 -font "$WINE_OWN_FONTS/tahoma.ttf" -pointsize "$2" \
    label:"$1" -trim -format '%w %h' info:
}

# e2e_control_visible CLASS [LEFT,TOP]: the control's visible flag (0 or 1).
e2e_control_visible() {
  e2e_control "$@" | cut -f 4
}

# e2e_control_enabled CLASS [LEFT,TOP]: the control's enabled flag (0 or 1).
e2e_control_enabled() {
  e2e_control "$@" | cut -f 5
}

# --- the installer's controls, at their designed places in the 1040 x 585 window ---

E2E_MEMO=(Edit 400,5)
E2E_LABEL=(Static 105,367)
E2E_FOLDER=(Edit 105,408)
E2E_INSTALL_AT=(773 552)
E2E_CLOSE_AT=(949 552)

# Install and Close as buttons, for the keyboard and screen readers.
E2E_INSTALL_BUTTON=(Button 698,527)
E2E_CLOSE_BUTTON=(Button 874,527)

e2e_memo_text() { e2e_control_text "${E2E_MEMO[@]}"; }
e2e_label_text() { e2e_control_text "${E2E_LABEL[@]}"; }
e2e_folder_text() { e2e_control_text "${E2E_FOLDER[@]}"; }

# e2e_folder_is TEXT: true when the folder field holds TEXT.
e2e_folder_is() { [ "$(e2e_folder_text)" = "$1" ]; }

# Clicks Install as a user does: it reacts only in its hover look, so the pointer goes onto it
# first.
e2e_click_install() {
  e2e_move "${E2E_INSTALL_AT[@]}"
  e2e_click "${E2E_INSTALL_AT[@]}"
}

e2e_click_close() { e2e_click "${E2E_CLOSE_AT[@]}"; }

# True once an install has ended: the finish screen hides the status label, a failure leaves
# its message there, and Close is enabled again once the clean-up after either is done (the
# finish screen shows before the set-aside files are deleted).
e2e_install_ended() {
  { [ "$(e2e_control_visible "${E2E_LABEL[@]}")" = 0 ] ||
    e2e_label_text | grep -q '^Wystąpił błąd instalacji'; } &&
    [ "$(e2e_control_enabled "${E2E_CLOSE_BUTTON[@]}")" = 1 ]
}

# e2e_unattended NAME DRIVE_DIR WINDOWS_COMMAND_LINE: runs the command line from a batch file in
# the drive's run folder, as a deployment script does (a batch file hands the line over as
# written); sets CODE. Fails the check "NAME: no window" when a window shows.
e2e_unattended() {
  local name=$1 drive=$2
  e2e_log "--- $name: $3"
  mkdir -p "$drive/run"
  printf '@%s\r\n@exit %%errorlevel%%\r\n' "$3" >"$drive/run/deploy.bat"
  (cd "$drive/run" && exec "$WINE" cmd /c 'D:\run\deploy.bat') >>"$E2E_ART/installer.log" 2>&1 &
  E2E_PID=$!
  local window=0
  while e2e_installer_running; do
    e2e_find_window && window=1
    sleep 0.2
  done
  wait "$E2E_PID"
  CODE=$?
  e2e_check_eq "$name: no window" "$window" 0
}

# --- packages ---

# e2e_make_cover FILE WIDTH HEIGHT: a JPEG of that size: left half orange, right half blue, so
# pixel checks can tell the cover and where it is drawn.
e2e_make_cover() {
  /usr/bin/convert -size "$(($2 / 2))x$3" xc:'rgb(247,148,29)' -size "$(($2 - $2 / 2))x$3" \
    xc:'rgb(30,60,200)' +append -quality 95 "$1"
}
E2E_COVER_LEFT="247 148 29"
E2E_COVER_RIGHT="30 60 200"

# e2e_make_start_package: $E2E_WORK/package.zip holding the package P with the designed cover and
# a stand-in database, for tests that never get as far as reading it.
e2e_make_start_package() {
  local pkg=$E2E_WORK/pkg
  mkdir -p "$pkg"
  echo "not read at start-up" >"$pkg/P\\dodatki.mdb"
  e2e_make_cover "$pkg/P.jpg" 1040 585
  (cd "$pkg" && zip -X -q ../package.zip 'P\dodatki.mdb' P.jpg) || e2e_fail "zip failed"
}

# e2e_make_installer ARCHIVE.zip OUT.exe: wraps the archive into the installer with mkinstaller.
e2e_make_installer() {
  "$E2E_MKINSTALLER" append --stub "$E2E_INSTALLER_EXE" --archive "$1" -o "$2" >/dev/null ||
    e2e_fail "mkinstaller append failed"
}

# e2e_make_database FILE PRODUCENT_ROWS DODATKI_ROWS: an accessory database at FILE holding the
# rows given as JSON Lines. FILE's name may hold "\\" (an archive entry name): the native tools
# read that as a folder separator, so the database is made under a plain name and then moved.
e2e_make_database() {
  [ -f "$E2E_MDBTOOL" ] || { echo "[$E2E_NAME] missing $E2E_MDBTOOL: build first" >&2; return 1; }
  local tmp
  tmp=$(mktemp -u "$(dirname "$1")/making.XXXXXX.mdb")
  "$E2E_MDBTOOL" create "$tmp" >/dev/null &&
    "$E2E_MDBTOOL" import "$tmp" info_producent <<<"$2" >/dev/null &&
    "$E2E_MDBTOOL" import "$tmp" Dodatki <<<"$3" >/dev/null &&
    mv "$tmp" "$1"
}
