#!/usr/bin/env bash
# An install cut short, seen from outside: the real installer killed (kill -9, as a crash or a power
# cut stops it) at ten points of an update that replaces files of an earlier version, one of them
# read-only, and adds files, folders and many database rows. After each kill the next "/S" run puts
# the folder right (rolled back or finished forward, as the journal says) and installs: exit code 0,
# the merged rows, the package's bytes in every file and nothing of the install left over. A
# package whose last entry is damaged fails with code 5 and leaves the library folder byte for byte
# as it was. After a kill the window's check of the folder changes nothing; Install puts the
# folder right, then installs.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init interrupted_install 1280x1024
source "$(dirname "$0")/../../scripts/e2e/update_package.sh"

ROWS=600           # the package's new rows beside those of update_package.sh
REPLACED=600       # files of the earlier version the package replaces
NEW_FOLDERS=30     # new folders, each with NEW_PER_FOLDER files
NEW_PER_FOLDER=10
FRACTIONS=(2 12 22 32 42 52 62 72 84 95)
KILL_DEADLINE=60   # seconds for a killed run to reach its point
DRIVE=$E2E_WORK/drive
LIB="$DRIVE/Nordeka/CAD A/dodatki"
PRISTINE=$E2E_WORK/earlier
PKG=$E2E_WORK/pkg
ROLLED_BACK="Przywrócono stan sprzed przerwanej instalacji."
FINISHED="Dokończono przerwaną instalację."

# --- the package and the earlier version ---

extra_rows() {
  local i
  for ((i = 5; i < 5 + ROWS; i++)); do
    printf '{"ID":%d,"Producent":"Nordeka","Nazwa":"Element %d","cena":"%d.00"}\n' "$i" "$i" "$i"
  done
}
mkdir -p "$PKG" "$PRISTINE/P"
e2e_make_database "$PKG/dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI"$'\n'"$(extra_rows)" ||
  e2e_fail "cannot make the package's database"
e2e_make_database "$PRISTINE/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
  e2e_fail "cannot make the earlier database"
e2e_make_cover "$PKG/P.jpg" 1040 585
MERGED=$(
  printf '1|Szafka wisząca 60|420.00\n2|Blat dębowy 120|399.00\n4|Krzesło Łódź|250.00\n'
  for ((i = 5; i < 5 + ROWS; i++)); do printf '%d|Element %d|%d.00\n' "$i" "$i" "$i"; done
)

# Writes package.zip, broken.zip (the same with a last entry whose bytes do not match its CRC),
# the earlier version's files into the pristine library, and the package's files with their
# checksums (path below P, as sha256sum prints them) to package.sums.
python3 - "$PKG" "$PRISTINE/P" "$E2E_WORK" "$REPLACED" "$NEW_FOLDERS" "$NEW_PER_FOLDER" <<'EOF' || e2e_fail "cannot make the packages"
import hashlib, os, random, struct, sys, zipfile
pkg, earlier, work = sys.argv[1:4]
replaced, folders, per_folder = map(int, sys.argv[4:7])
rnd = random.Random(25)
files = {}
for i in range(replaced):
    name = "tekstury/t%03d.jpg" % i
    files[name] = rnd.randbytes(4 * 1024 + i)
    os.makedirs(os.path.dirname(os.path.join(earlier, name)), exist_ok=True)
    open(os.path.join(earlier, name), "wb").write(rnd.randbytes(2 * 1024 + i))
for f in range(folders):
    for i in range(per_folder):
        files["modele/m%02d/czesc%d.bin" % (f, i)] = rnd.randbytes(48 * 1024)
files["modele/m00/detale/opis.txt"] = b"nowy folder w nowym folderze\r\n"
# A file of the earlier version the package does not carry: it stays.
open(os.path.join(earlier, "tekstury/wlasna.jpg"), "wb").write(rnd.randbytes(4096))
db = open(pkg + "/dodatki.mdb", "rb").read()
with open(work + "/package.sums", "w") as sums:
    for name, data in sorted(files.items()):
        sums.write("%s  ./%s\n" % (hashlib.sha256(data).hexdigest(), name))
    sums.write("%s  ./dodatki.mdb.package\n" % hashlib.sha256(db).hexdigest())
for out, broken in (("package.zip", False), ("broken.zip", True)):
    path = work + "/" + out
    with zipfile.ZipFile(path, "w") as z:
        def add(name, data, method=zipfile.ZIP_DEFLATED):
            z.writestr(zipfile.ZipInfo(name), data, method)
        add("P.jpg", open(pkg + "/P.jpg", "rb").read())
        add("P.txt", "opis pakietu\r\n".encode())
        for name, data in files.items():
            add("P\\" + name.replace("/", "\\"), data)
        add("P\\dodatki.mdb", db)
        if broken:
            add("P\\zepsuty.bin", rnd.randbytes(4096), zipfile.ZIP_STORED)
    if broken:
        data = bytearray(open(path, "rb").read())
        at = zipfile.ZipFile(path).getinfo("P\\zepsuty.bin").header_offset
        name_len, extra_len = struct.unpack_from("<HH", data, at + 26)
        data[at + 30 + name_len + extra_len + 100] ^= 0xFF
        open(path, "wb").write(data)
EOF
# The package's files as they must be in the library (the database is merged, not copied).
grep -v 'dodatki.mdb.package$' "$E2E_WORK/package.sums" >"$E2E_WORK/files.sums"
# Two of the replaced files are read-only (Wine reads the attribute from the write permission).
chmod a-w "$PRISTINE/P/tekstury/t000.jpg" "$PRISTINE/P/tekstury/t007.jpg"

e2e_drive d "$DRIVE"
mkdir -p "$DRIVE/run" "$DRIVE/logi" "$DRIVE/Nordeka/CAD A"
e2e_make_installer "$E2E_WORK/package.zip" "$DRIVE/installer.exe"
e2e_make_installer "$E2E_WORK/broken.zip" "$DRIVE/broken.exe"

# A fresh earlier version in the library folder.
earlier_library() {
  if [ -e "$LIB" ]; then chmod -R u+w "$LIB" && rm -rf "$LIB"; fi
  mkdir -p "$LIB" && cp -a "$PRISTINE/P" "$LIB/P"
}

# The library folder as it stands: every folder, every file with its mode and checksum.
library_state() {
  (cd "$LIB" && find . -type d | sort &&
    find . -type f -printf '%m %p\n' | sort -k 2 &&
    find . -type f -print0 | sort -z | xargs -0 sha256sum)
}

# --- runs ---

# The Linux processes of the installer in this test's prefix (other tests may run their own).
own_installers() {
  local pid
  for pid in $(pgrep -x "$1"); do
    # All of it is read: an early exit of grep would break the pipe under pipefail.
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -xF "WINEPREFIX=$WINEPREFIX" >/dev/null &&
      echo "$pid"
  done
}
no_installer_left() { [ -z "$(own_installers installer.exe)" ]; }

log_lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
log_has() { grep -qF -- " $2"$'\r' "$1"; }

# silent NAME LOG: an unattended install from the library's host folder into the log D:\logi\LOG;
# sets CODE.
silent() {
  e2e_unattended "$1" "$DRIVE" "start \"\" /wait D:\\installer.exe /S /LOG=D:\\logi\\$2 /D=D:\\Nordeka\\CAD A\\"
}

# killed NAME LOG LINES: starts the unattended install and kills its Wine process with SIGKILL
# as soon as its log holds LINES lines; fails the test when it never gets there or survives.
killed() {
  local name=$1 log=$DRIVE/logi/$2 lines=$3 deadline=$((SECONDS + KILL_DEADLINE)) pids=
  e2e_log "--- $name: killed at log line $lines"
  printf '@start "" /wait D:\\installer.exe /S /LOG=D:\\logi\\%s /D=D:\\Nordeka\\CAD A\\\r\n' "$2" \
    >"$DRIVE/run/deploy.bat"
  (cd "$DRIVE/run" && exec "$WINE" cmd /c 'D:\run\deploy.bat') >>"$E2E_ART/installer.log" 2>&1 &
  E2E_PID=$!
  until [ -n "$pids" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "$name: the installer never started"
    pids=$(own_installers installer.exe)
    [ -n "$pids" ] || sleep 0.05
  done
  until [ -f "$log" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "$name: no log in ${KILL_DEADLINE}s"
    sleep 0.01
  done
  # Lines are counted as they come, by the shell itself: while the log grows, nothing is started
  # between two lines, and the kill follows its point closely.
  local count=0 fd
  exec {fd}<"$log"
  while [ "$count" -lt "$lines" ]; do
    if IFS= read -r _ <&"$fd"; then
      count=$((count + 1))
      continue
    fi
    e2e_installer_running || e2e_fail "$name: the run ended before log line $lines"
    [ $SECONDS -lt $deadline ] || e2e_fail "$name: log line $lines not reached in ${KILL_DEADLINE}s"
    sleep 0.005
  done
  exec {fd}<&-
  # shellcheck disable=SC2086 # one pid a word
  kill -9 $pids
  e2e_wait_until "$E2E_DEADLINE" no_installer_left || e2e_fail "$name: the installer survived kill -9"
  e2e_wait_exit || e2e_fail "$name: cmd did not end after the kill"
  wait "$E2E_PID" 2>/dev/null
}

# What a kill left in the package folder: the journal's state and the install's other files.
stage() {
  local p=$LIB/P journal=absent
  if [ -f "$p/dodatki_install.jrn" ]; then
    if grep -qx committed "$p/dodatki_install.jrn"; then
      journal=committed
    elif grep -qx plan-end "$p/dodatki_install.jrn"; then
      journal=planned
    else
      journal=cut-short
    fi
  fi
  local aside=0
  [ -d "$p/dodatki_install.old" ] && aside=$(find "$p/dodatki_install.old" -type f | wc -l)
  printf 'journal=%s set-aside=%s dodatki_old.mdb=%s dodatki_new.mdb=%s' "$journal" "$aside" \
    "$([ -f "$p/dodatki_old.mdb" ] && echo yes || echo no)" \
    "$([ -f "$p/dodatki_new.mdb" ] && echo yes || echo no)"
}

# The recovery line the next start must log for a stage.
recovery_line() {
  case $1 in
    journal=absent*) echo "" ;;
    journal=committed*) echo "$FINISHED" ;;
    *) echo "$ROLLED_BACK" ;;
  esac
}

# installed NAME: the package installed over the earlier version, nothing of the install left.
installed() {
  local name=$1 f
  e2e_check "$name: every package file has the package's bytes" \
    bash -c "cd '$LIB/P' && sha256sum --quiet -c '$E2E_WORK/files.sums'"
  e2e_check "$name: the earlier version's own file stays" e2e_file_exists "$LIB/P/tekstury/wlasna.jpg"
  e2e_check_eq "$name: merged rows (mdbtools)" "$(rows_by_mdbtools "$LIB/P/dodatki.mdb" | sort -n)" \
    "$MERGED"
  for f in dodatki_old.mdb dodatki_new.mdb dodatki_install.jrn dodatki_install.old; do
    e2e_check "$name: no $f left" e2e_file_absent "$LIB/P/$f"
  done
}

# --- a full run, measured ---
earlier_library
silent full full.log
e2e_check_eq "full: exit code" "$CODE" 0
installed full
FULL_LINES=$(log_lines "$DRIVE/logi/full.log")
cp "$DRIVE/logi/full.log" "$E2E_ART/full.log"
e2e_log "a full run logs $FULL_LINES lines"
[ "$FULL_LINES" -gt 100 ] || e2e_fail "the full run logged only $FULL_LINES lines"

# --- killed at ten points, then installed by the next /S run ---
SUMMARY=$E2E_ART/kill-points.txt
: >"$SUMMARY"
for n in "${!FRACTIONS[@]}"; do
  percent=${FRACTIONS[$n]}
  line=$(((FULL_LINES * percent + 99) / 100))
  name="kill$((n + 1))"
  earlier_library
  killed "$name" "$name.log" "$line"
  state=$(stage)
  last=$(tail -n 1 "$DRIVE/logi/$name.log" | tr -d '\r' | cut -d ' ' -f 3-)
  cp "$DRIVE/logi/$name.log" "$E2E_ART/$name-killed.log"
  silent "$name-after" "$name-after.log"
  cp "$DRIVE/logi/$name-after.log" "$E2E_ART/$name-after.log"
  e2e_check_eq "$name: the next /S run exits 0" "$CODE" 0
  expected=$(recovery_line "$state")
  if [ -n "$expected" ]; then
    e2e_check "$name: the next run logs \"$expected\"" log_has "$DRIVE/logi/$name-after.log" "$expected"
  else
    e2e_check "$name: nothing to recover, nothing said" \
      bash -c "! grep -qF -e '$ROLLED_BACK' -e '$FINISHED' '$DRIVE/logi/$name-after.log'"
  fi
  installed "$name"
  printf '%-6s %3d%% line %4d/%d, killed at line %4d: %s; last line: %s\n' "$name" "$percent" \
    "$line" "$FULL_LINES" "$(log_lines "$E2E_ART/$name-killed.log")" "$state" "$last" |
    tee -a "$SUMMARY"
done

# --- a failed run leaves the library folder as it was ---
earlier_library
library_state >"$E2E_ART/failed-before.txt"
e2e_unattended failed "$DRIVE" \
  'start "" /wait D:\broken.exe /S /LOG=D:\logi\failed.log /D=D:\Nordeka\CAD A\'
cp "$DRIVE/logi/failed.log" "$E2E_ART/failed.log"
e2e_check_eq "failed: exit code" "$CODE" 5
e2e_check "failed: earlier files were set aside before the failure" \
  grep -qE 'Odkładamy plik .*tekstury.t000\.jpg' "$DRIVE/logi/failed.log"
library_state >"$E2E_ART/failed-after.txt"
e2e_check "failed: the library folder byte for byte as before" \
  diff -u "$E2E_ART/failed-before.txt" "$E2E_ART/failed-after.txt"

# --- killed, then the window ---
earlier_library
killed window-kill window-kill.log $(((FULL_LINES * 32 + 99) / 100))
state=$(stage)
expected=$(recovery_line "$state")
echo "window: killed at 32%: $state" | tee -a "$SUMMARY"
[ -n "$expected" ] || e2e_fail "window: the kill left no journal ($state)"
journal_before=$(sha256sum <"$LIB/P/dodatki_install.jrn")
e2e_start_installer 'D:\installer.exe' "$DRIVE/run"
e2e_wait_window
install_offered() { [ "$(e2e_control_enabled "${E2E_INSTALL_BUTTON[@]}")" = 1 ]; }
e2e_wait_until "$E2E_DEADLINE" install_offered || e2e_fail "window: Install was never offered"
e2e_screenshot window-checked >/dev/null
e2e_check_eq "window: checking the folder leaves the journal alone" \
  "$(sha256sum <"$LIB/P/dodatki_install.jrn")" "$journal_before"
e2e_click_install
e2e_wait_until 60 e2e_install_ended || e2e_fail "window: the install did not end"
e2e_screenshot window-finished >/dev/null
e2e_check_eq "window: finish screen (label hidden)" "$(e2e_control_visible "${E2E_LABEL[@]}")" 0
installed window
e2e_click_close
e2e_wait_exit || e2e_fail "window: the installer did not end after Close"

wineserver -k
e2e_finish
