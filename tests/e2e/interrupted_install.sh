#!/usr/bin/env bash
# An install cut short, seen from outside: the real installer is killed (every process of its
# Wine prefix, at once, as a crash or a power cut stops it) at ten points of an update between 2 %
# and 95 % of its run time; after each, the next "/S" run puts the package folder right by the
# journal the killed run left and installs: the merged rows, every package file with the
# package's bytes, nothing of the install's own left. A run that fails after it has replaced files
# leaves the library byte for byte as it was. After a kill, the window says what it put right
# before it offers Install.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init interrupted_install 1280x1024

source "$(dirname "$0")/../../scripts/e2e/update_package.sh"

FILES=40          # package files, each replacing an earlier version of its own
ROWS=40000        # package rows, so that the merge takes a good part of the run
HOST_WIN='D:\Nordeka\CAD A\'

# make_package DIR ZIP DATABASE_ROWS: the package P with FILES random (incompressible) textures
# in two folders and the given database rows, zipped in a fixed order, the database last.
make_package() {
  local pkg=$1
  mkdir -p "$pkg"
  local i
  for i in $(seq 1 "$FILES"); do
    head -c 400000 /dev/urandom >"$pkg/P\\tekstury\\t$i.jpg"
  done
  head -c 1000 /dev/urandom >"$pkg/P\\nowe\\dalej\\n.dwg"
  e2e_make_cover "$pkg/P.jpg" 1040 585
  echo "opis pakietu" >"$pkg/P.txt"
  if [ -n "$3" ]; then
    e2e_make_database "$pkg/P\\dodatki.mdb" "$NEW_PRODUCENT" "$3" || e2e_fail "cannot make the package's database"
  else
    head -c 70000 /dev/urandom >"$pkg/P\\dodatki.mdb"
  fi
  (cd "$pkg" && zip -X -q -0 "$2" P.jpg P.txt P\\tekstury\\* 'P\nowe\dalej\n.dwg' 'P\dodatki.mdb') ||
    e2e_fail "zip failed"
}

PACKAGE_ROWS=$(for i in $(seq 10 $((ROWS + 9))); do
  printf '{"ID":%d,"Producent":"Nordeka","Nazwa":"Element %d","cena":"%d.00"}\n' "$i" "$i" "$i"
done)
make_package "$E2E_WORK/pkg" "$E2E_WORK/package.zip" "$PACKAGE_ROWS"
make_package "$E2E_WORK/bad" "$E2E_WORK/bad.zip" ""

# The earlier installation, made once and copied for every run: its database, an earlier
# version of every texture (the first one read-only), and a file of the host's own.
EARLIER=$E2E_WORK/earlier
mkdir -p "$EARLIER/P/tekstury" "$EARLIER/P/stare"
e2e_make_database "$EARLIER/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
  e2e_fail "cannot make the earlier database"
for i in $(seq 1 "$FILES"); do echo "wersja 1 tekstury $i" >"$EARLIER/P/tekstury/t$i.jpg"; done
chmod a-w "$EARLIER/P/tekstury/t1.jpg"
echo "plik użytkownika" >"$EARLIER/P/stare/b.txt"

# drive NAME [ZIP]: a fresh drive D: with the earlier installation and an installer of the
# package (or of the given archive); sets DRIVE and LIB.
drive() {
  DRIVE=$E2E_WORK/$1
  LIB="$DRIVE/Nordeka/CAD A/dodatki"
  rm -rf "$DRIVE"
  mkdir -p "$LIB" "$DRIVE/run"
  cp -a "$EARLIER/P" "$LIB/P"
  e2e_drive d "$DRIVE"
  e2e_make_installer "${2:-$E2E_WORK/package.zip}" "$DRIVE/installer.exe"
}

# Every file below the library folder with its checksum and whether it may be written, and every
# folder: what a failed run must leave as it was.
library_state() {
  (cd "$LIB" && find . -type d | LC_ALL=C sort &&
    find . -type f -exec sh -c 'printf "%s %s %s\n" "$(sha256sum <"$1" | cut -c1-16)" \
      "$([ -w "$1" ] && echo rw || echo ro)" "$1"' _ {} \; | LC_ALL=C sort)
}

# The library without its database, which is compared by its rows.
files_state() { library_state | grep -v ' ./P/dodatki.mdb$'; }

silent() { e2e_unattended "$1" "$DRIVE" "start \"\" /wait D:\\installer.exe /S /D=$HOST_WIN"; }

# start_update: the update as a deployment tool starts it, in the background.
start_update() {
  (cd "$DRIVE/run" && exec "$WINE" 'D:\installer.exe' /S "/D=$HOST_WIN") >>"$E2E_ART/installer.log" 2>&1 &
  E2E_PID=$!
}

# --- a whole run: the reference, and its length ---
drive reference
silent reference
e2e_check_eq "reference: exit code" "$CODE" 0
EXPECTED_ROWS=$(rows_by_mdbtools "$LIB/P/dodatki.mdb")
EXPECTED_FILES=$(files_state)
e2e_check_eq "reference: every row merged" "$(wc -l <<<"$EXPECTED_ROWS")" $((ROWS + 3))
drive timing
started=$(date +%s%N)
start_update
wait "$E2E_PID"
RUN_MS=$((($(date +%s%N) - started) / 1000000))
e2e_log "a whole run takes $RUN_MS ms"

# How far a killed run had come, by what it left in the package folder.
stage() {
  local journal="$LIB/P/dodatki_install.jrn"
  if [ ! -e "$journal" ]; then
    [ -e "$LIB/P/dodatki_old.mdb" ] && echo "no journal, backup" || echo "no journal"
  elif grep -qx committed "$journal"; then echo "committed"
  elif [ -e "$LIB/P/dodatki_install.old" ]; then echo "planned, files set aside"
  else echo "planned"
  fi
}

# kill_at PERCENT: starts the update and kills every process of the prefix at that share of a
# whole run's time; sets STAGE.
kill_at() {
  start_update
  local deadline=$(($(date +%s%N) + RUN_MS * $1 * 10000))
  while [ "$(date +%s%N)" -lt "$deadline" ] && e2e_installer_running; do sleep 0.02; done
  local ended=0
  e2e_installer_running || ended=1
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  wait "$E2E_PID" 2>/dev/null
  STAGE=$(stage)
  [ "$ended" = 0 ] || STAGE="$STAGE (the run had ended)"
}

SUMMARY=$E2E_ART/kills.txt
: >"$SUMMARY"
for percent in 2 12 22 33 44 55 66 77 88 95; do
  drive "kill$percent"
  kill_at "$percent"
  silent "after a kill at $percent %"
  e2e_log "killed at $percent %: $STAGE; next run exit $CODE"
  echo "$percent% $STAGE -> exit $CODE" >>"$SUMMARY"
  e2e_check_eq "kill at $percent %: the next run installs" "$CODE" 0
  e2e_check_eq "kill at $percent %: merged rows" "$(rows_by_mdbtools "$LIB/P/dodatki.mdb")" "$EXPECTED_ROWS"
  e2e_check_eq "kill at $percent %: package files and nothing of the install's own" \
    "$(files_state)" "$EXPECTED_FILES"
done

# --- a run that fails after it has replaced files: the library as it was ---
drive failed "$E2E_WORK/bad.zip"
BEFORE=$(library_state)
silent failed
e2e_check_eq "failed run: exit code" "$CODE" 5
e2e_check_eq "failed run: the library byte for byte as before" "$(library_state)" "$BEFORE"

# --- the window after a kill: it says what it put right, then installs ---
drive window
kill_at 55
e2e_log "window: killed at 55 %: $STAGE"
case $STAGE in
  committed*) SAID="Dokończono przerwaną instalację." ;;
  *) SAID="Przywrócono stan sprzed przerwanej instalacji." ;;
esac
e2e_start_installer 'D:\installer.exe' "$DRIVE/run"
e2e_wait_window
label_says() { [ "$(e2e_label_text)" = "$SAID" ]; }
e2e_check "window: the status label says \"$SAID\"" e2e_wait_until "$E2E_DEADLINE" label_says
e2e_screenshot window-recovered >/dev/null
e2e_click_install
e2e_wait_until 120 e2e_install_ended || e2e_fail "window: the install did not end"
e2e_check_eq "window: finish screen" "$(e2e_control_visible "${E2E_LABEL[@]}")" 0
e2e_check_eq "window: merged rows" "$(rows_by_mdbtools "$LIB/P/dodatki.mdb")" "$EXPECTED_ROWS"
e2e_check_eq "window: package files" "$(files_state)" "$EXPECTED_FILES"
e2e_click_close
e2e_wait_exit || e2e_fail "window: the installer did not end after Close"

e2e_finish
