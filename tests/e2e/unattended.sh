#!/usr/bin/env bash
# The unattended install of "/S", seen from outside: no window, an exit code for the caller
# that waits, and a log file. An update through "/D=" merges the databases and writes the log; a
# running host program stops the run with code 4 and nothing touched; two installations and no
# "/D=" give code 3.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init unattended 1280x1024

MERGED=$'1|Szafka wisząca 60|420.00\n2|Blat dębowy 120|399.00\n4|Krzesło Łódź|250.00'

source "$(dirname "$0")/../../scripts/e2e/update_package.sh"
update_make_package "$E2E_WORK/package.zip"

# drive NAME: a fresh drive D: with an installation "CAD A" whose package folder holds the
# earlier database, and the installer; sets DRIVE and LIB.
drive() {
  DRIVE=$E2E_WORK/$1
  LIB="$DRIVE/Nordeka/CAD A/dodatki"
  mkdir -p "$LIB/P" "$DRIVE/run"
  e2e_make_database "$LIB/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
    e2e_fail "$1: cannot make the earlier database"
  e2e_drive d "$DRIVE"
  e2e_make_installer "$E2E_WORK/package.zip" "$DRIVE/installer.exe"
}

# unattended NAME WINDOWS_COMMAND_LINE: e2e_unattended on the current drive.
unattended() { e2e_unattended "$1" "$DRIVE" "$2"; }

# No working folder is left in the run folder or under the user's temporary folder.
no_working_folder() {
  [ ! -e "$DRIVE/run/tmp" ] && [ "$(ls "$DRIVE/run")" = deploy.bat ] && e2e_no_work_folder
}

# --- an update through /D=, with a log file ---
drive update
LOG=$DRIVE/logi/instalacja.log
mkdir -p "$DRIVE/logi"
unattended update 'start "" /wait D:\installer.exe /S /LOG=D:\logi\instalacja.log /D=D:\Nordeka\CAD A\'
e2e_check_eq "update: exit code" "$CODE" 0
e2e_check "update: package file unpacked" e2e_file_exists "$LIB/P/tekstury/dab.jpg"
for f in P/dodatki_old.mdb P/dodatki_new.mdb P.jpg P.txt; do
  e2e_check "update: no $f in the library folder" e2e_file_absent "$LIB/$f"
done
e2e_check_eq "update: merged rows (mdbtools)" "$(rows_by_mdbtools "$LIB/P/dodatki.mdb")" "$MERGED"
e2e_check "update: no working folder left" no_working_folder
cp "$LOG" "$E2E_ART/update.log" 2>/dev/null
e2e_check "update: every line stamped" \
  bash -c "! grep -qvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ' '$LOG'"
log_has() { grep -qF -- " $1"$'\r' "$LOG"; }
# shellcheck disable=SC2016 # the backquotes are the log's own
for line in "Folder instalacji z przełącznika /D=: D:\\Nordeka\\CAD A\\" \
  'Znaleziono podkatalog w ZIP : `P`' \
  "Dodatki [1] Szafka wisząca 60 - zachowano" \
  "Dodatki [2] Blat dębowy 120 - zaktualizowano" \
  "Dodatki [3] Uchwyt stary - usunięto" \
  "Dodatki [4] Krzesło Łódź - dopisano" \
  "Poprawnie zakończono instalację."; do
  e2e_check "update: log has \"$line\"" log_has "$line"
done
e2e_check "update: no comparison lines in the log" bash -c "! grep -qE ' (\\[DN\\] [0-9]+|[0-9]+ : [0-9]+)'$'\\r''?\$' '$LOG'"
e2e_check_eq "update: log ends with the outcome" "$(tail -n 1 "$LOG" | tr -d '\r' | cut -d ' ' -f 3-)" \
  "Wynik: zainstalowano; kod wyjścia: 0"

# --- a host program running ---
drive busy
HELPER=$E2E_WINDOWS_DIR/target_idle_helper.exe
[ -f "$HELPER" ] || e2e_fail "missing $HELPER: build the Windows tests first"
cp "$HELPER" "$DRIVE/VirelaPro.exe"
before=$(cd "$DRIVE" && find . \( -path ./VirelaPro.exe -o -path ./run \) -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
(cd "$DRIVE" && exec "$WINE" 'D:\VirelaPro.exe') >>"$E2E_ART/host.log" 2>&1 &
HOST_PID=$!
# Wine names the Linux process after the Windows program once it runs.
e2e_wait_until "$E2E_DEADLINE" pgrep -x VirelaPro.exe >/dev/null || e2e_fail "the host never ran"
unattended busy 'start "" /wait D:\installer.exe /S /LOG=D:\busy.log'
e2e_check_eq "busy: exit code" "$CODE" 4
e2e_check "busy: log ends with code 4" bash -c "tail -n 1 '$DRIVE/busy.log' | grep -qF 'kod wyjścia: 4'"
rm -f "$DRIVE/busy.log"
after=$(cd "$DRIVE" && find . \( -path ./VirelaPro.exe -o -path ./run \) -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
e2e_check_eq "busy: nothing touched" "$after" "$before"
e2e_check "busy: no working folder left" no_working_folder
kill "$HOST_PID" 2>/dev/null

# --- two installations and no /D= ---
drive two
mkdir -p "$DRIVE/Nordeka/CAD B/dodatki"
unattended two 'start "" /wait D:\installer.exe /S'
e2e_check_eq "two: exit code" "$CODE" 3
e2e_check "two: package not unpacked" e2e_file_absent "$LIB/P/tekstury/dab.jpg"

# --- a log file that cannot be created, and an unknown switch ---
unattended nolog 'start "" /wait D:\installer.exe /S /LOG=D:\brak\a.log /D=D:\Nordeka\CAD A\'
e2e_check_eq "nolog: exit code" "$CODE" 7
unattended badline 'start "" /wait D:\installer.exe /S /VERYSILENT /LOG=D:\bad.log'
e2e_check_eq "badline: exit code" "$CODE" 1
e2e_check "badline: no log written" e2e_file_absent "$DRIVE/bad.log"
e2e_check "nolog, badline: package not unpacked" e2e_file_absent "$LIB/P/tekstury/dab.jpg"

e2e_finish
