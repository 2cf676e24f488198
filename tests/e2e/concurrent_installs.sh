#!/usr/bin/env bash
# The install among other actors, seen from outside. Two "/S" runs started at once on one package
# folder: one installs, the other installs after it or refuses with code 12, and no row of the
# database is lost. Two runs at once on two packages both install. What another installer or a
# person left in the package folder (a set-aside folder without a journal, journals this installer
# never writes, a backup that is not the journal's) stops the run with the library folder byte for
# byte as it was; a folder link in the package folder is refused with code 14 (a file link, which
# Wine cannot show to Windows programs, is only measured); "/LOG=" naming another installer exits
# 7 with that file untouched.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init concurrent_installs 1280x1024
source "$(dirname "$0")/../../scripts/e2e/update_package.sh"

TRIALS=4
FILES=1500  # files of each package, each forced to the disk
MERGED=$'1|Szafka wisząca 60|420.00\n2|Blat dębowy 120|399.00\n4|Krzesło Łódź|250.00'
DRIVE=$E2E_WORK/drive
LIB="$DRIVE/Nordeka/CAD A/dodatki"
SUMMARY=$E2E_ART/figures.txt
: >"$SUMMARY"

# make_package NAME ZIP: the update package of update_package.sh under the package name NAME,
# with many small files beside its texture: each is written and forced to the disk, which keeps a
# run busy for a while.
make_package() {
  local pkg=$E2E_WORK/pkg-$1
  mkdir -p "$pkg"
  e2e_make_database "$pkg/dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI" ||
    e2e_fail "cannot make the package's database"
  /usr/bin/convert -size 64x64 xc:'rgb(120,80,40)' "$pkg/dab.jpg"
  e2e_make_cover "$pkg/cover.jpg" 1040 585
  python3 - "$1" "$pkg" "$2" "$FILES" <<'PY' || e2e_fail "cannot make the package $1"
import random, sys, zipfile
name, pkg, out, files = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
rnd = random.Random(35)
with zipfile.ZipFile(out, "w") as z:
    def add(entry, data):
        z.writestr(zipfile.ZipInfo(entry), data, zipfile.ZIP_DEFLATED)
    add(name + ".jpg", open(pkg + "/cover.jpg", "rb").read())
    add(name + ".txt", b"opis pakietu\r\n")
    add(name + "\\tekstury\\dab.jpg", open(pkg + "/dab.jpg", "rb").read())
    for i in range(files):
        add("%s\\modele\\m%02d\\czesc%04d.bin" % (name, i % 20, i), rnd.randbytes(4096))
    add(name + "\\dodatki.mdb", open(pkg + "/dodatki.mdb", "rb").read())
PY
}
make_package P "$E2E_WORK/p.zip"
make_package Q "$E2E_WORK/q.zip"

e2e_drive d "$DRIVE"
mkdir -p "$DRIVE/run" "$DRIVE/logi"
e2e_make_installer "$E2E_WORK/p.zip" "$DRIVE/p.exe"
e2e_make_installer "$E2E_WORK/q.zip" "$DRIVE/q.exe"

# earlier NAME...: a fresh library folder whose packages hold the earlier database.
earlier() {
  rm -rf "$LIB"
  local name
  for name in "$@"; do
    mkdir -p "$LIB/$name"
    e2e_make_database "$LIB/$name/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
      e2e_fail "cannot make the earlier database"
  done
}

# The library folder as it stands: every folder, every file with its mode and checksum.
library_state() {
  (cd "$LIB" && find . -type d | sort && find . -type f -printf '%m %p\n' | sort -k 2 &&
    find . -type f -print0 | sort -z | xargs -0 sha256sum)
}

# installed NAME WHERE: the package NAME is installed, with the merged rows and nothing left.
installed() {
  local f
  e2e_check_eq "$2: $1's merged rows (mdbtools)" "$(rows_by_mdbtools "$LIB/$1/dodatki.mdb")" "$MERGED"
  e2e_check_eq "$2: $1's files unpacked" "$(find "$LIB/$1/modele" -type f | wc -l)" "$FILES"
  for f in "$1/dodatki_old.mdb" "$1/dodatki_new.mdb" "$1/dodatki_install.jrn" \
    "$1/dodatki_install.old" "$1.dodatki_install.lock"; do
    e2e_check "$2: no $f left" e2e_file_absent "$LIB/$f"
  done
}

# together WHERE EXE1 LOG1 EXE2 LOG2: two unattended runs started at once, each from its own
# batch file as a deployment script starts it, each waited for; sets CODE1 and CODE2.
together() {
  e2e_log "--- $1: $2 and $4 at once"
  local n pids=()
  for n in 1 2; do
    local exe=$2 log=$3
    [ "$n" = 2 ] && exe=$4 log=$5
    rm -f "$DRIVE/logi/$log"
    printf '@start "" /wait D:\\%s /S /LOG=D:\\logi\\%s /D=D:\\Nordeka\\CAD A\\\r\n@exit %%errorlevel%%\r\n' \
      "$exe" "$log" >"$DRIVE/run/run$n.bat"
  done
  for n in 1 2; do
    (cd "$DRIVE/run" && exec "$WINE" cmd /c "D:\\run\\run$n.bat") >>"$E2E_ART/installer.log" 2>&1 &
    pids+=($!)
  done
  wait "${pids[0]}"
  CODE1=$?
  wait "${pids[1]}"
  CODE2=$?
  cp "$DRIVE/logi/$3" "$E2E_ART/$1-$3" 2>/dev/null
  cp "$DRIVE/logi/$5" "$E2E_ART/$1-$5" 2>/dev/null
}

# --- two runs at once on one package ---
refusals=0
for ((t = 1; t <= TRIALS; t++)); do
  earlier P
  together "same$t" p.exe a.log p.exe b.log
  codes="$CODE1 $CODE2"
  e2e_check "same$t: each run installs or refuses (codes $codes)" \
    bash -c "[[ '$CODE1' =~ ^(0|12)$ && '$CODE2' =~ ^(0|12)$ && '$codes' == *0* ]]"
  [[ $codes == *12* ]] && refusals=$((refusals + 1))
  for log in a.log b.log; do
    if tail -n 1 "$DRIVE/logi/$log" | grep -qF 'kod wyjścia: 12'; then
      e2e_check "same$t: the refused run says why" \
        grep -qF "Ten pakiet instaluje teraz inny instalator." "$DRIVE/logi/$log"
    fi
  done
  installed P "same$t"
  printf 'same package, trial %d: exit codes %s; rows %s\n' "$t" "$codes" \
    "$(rows_by_mdbtools "$LIB/P/dodatki.mdb" | wc -l)" | tee -a "$SUMMARY"
done
printf 'same package: %d of %d trials had one run refused with code 12\n' "$refusals" "$TRIALS" |
  tee -a "$SUMMARY"

# --- two runs at once on two packages ---
earlier P Q
together two p.exe p.log q.exe q.log
e2e_check_eq "two: both install" "$CODE1 $CODE2" "0 0"
installed P two
installed Q two
printf 'two packages: exit codes %s %s\n' "$CODE1" "$CODE2" | tee -a "$SUMMARY"

# --- what others left in the package folder ---

# journal DATABASE_WORD RECORDS AFTER: a journal as a person might write one, naming the identity
# of the database that lies there ("present") or of another ("absent").
journal() {
  local identity
  identity=$(python3 -c 'import sys, zlib; d = open(sys.argv[1], "rb").read(); print(len(d), "%08x" % zlib.crc32(d))' "$LIB/P/dodatki.mdb")
  [ "$1" = absent ] && identity="4096 1234abcd"
  printf 'install-journal 3\ndatabase %s %s\npackage-folder present\n%splan-end\n%s' "$1" \
    "$identity" "$2" "$3" >"$LIB/P/dodatki_install.jrn"
}

# leftover NAME CODE: plants with the function NAME, runs /S and checks the code and that the
# library folder is byte for byte as it was.
leftover() {
  earlier P
  "plant_$1"
  library_state >"$E2E_ART/$1-before.txt"
  e2e_unattended "$1" "$DRIVE" "start \"\" /wait D:\\p.exe /S /LOG=D:\\logi\\$1.log /D=D:\\Nordeka\\CAD A\\"
  cp "$DRIVE/logi/$1.log" "$E2E_ART/$1.log"
  e2e_check_eq "$1: exit code" "$CODE" "$2"
  library_state >"$E2E_ART/$1-after.txt"
  e2e_check "$1: the library folder byte for byte as before" \
    diff -u "$E2E_ART/$1-before.txt" "$E2E_ART/$1-after.txt"
  printf '%s: exit code %s; rows %s; last line: %s\n' "$1" "$CODE" \
    "$(rows_by_mdbtools "$LIB/P/dodatki.mdb" | wc -l)" \
    "$(tail -n 1 "$DRIVE/logi/$1.log" | tr -d '\r' | cut -d ' ' -f 3-)" | tee -a "$SUMMARY"
}
plant_stray_set_aside() { mkdir -p "$LIB/P/dodatki_install.old" && echo "moje" >"$LIB/P/dodatki_install.old/1"; }
plant_journal_new_database() { journal present "new dodatki.mdb"$'\n' ""; }
plant_journal_no_database() { journal absent "" ""; }
plant_committed_foreign_backup() {
  journal present "" $'committed\n'
  echo "czyjaś kopia" >"$LIB/P/dodatki_old.mdb"
}
plant_journal_short_name() { journal present "new DODATK~1.MDB"$'\n' ""; }
leftover stray_set_aside 8
leftover journal_new_database 11
leftover journal_no_database 11
leftover committed_foreign_backup 11
leftover journal_short_name 11

# --- links in the package folder ---
OUTSIDE=$DRIVE/poza
# outside_state: every file outside the host that a link points to, with its checksum.
outside_state() { (cd "$OUTSIDE" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
# A folder link Wine shows as a reparse point: refused before anything is touched.
plant_folder_link() {
  rm -rf "$OUTSIDE" && mkdir -p "$OUTSIDE/modele" && echo "cudze" >"$OUTSIDE/modele/czesc0000.bin"
  ln -s "$OUTSIDE/modele" "$LIB/P/modele"
}
leftover folder_link 14
e2e_check "folder_link: the log names the link" \
  grep -qF 'dowiązanie symboliczne lub punkt połączenia' "$DRIVE/logi/folder_link.log"
# A file link: Wine 8.0 shows it to Windows programs as the file it points to (same attributes,
# same file index, no reparse tag), so no Windows program can tell it from a file, and the
# installer cannot refuse it there. What the install then does to the file it points to is
# printed as a figure; on Windows the link carries the reparse-point attribute and is refused.
earlier P
rm -rf "$OUTSIDE" && mkdir -p "$OUTSIDE" && echo "cudza tekstura" >"$OUTSIDE/dab.jpg"
mkdir -p "$LIB/P/tekstury" && ln -s "$OUTSIDE/dab.jpg" "$LIB/P/tekstury/dab.jpg"
before=$(outside_state)
e2e_unattended file_link "$DRIVE" 'start "" /wait D:\p.exe /S /LOG=D:\logi\file_link.log /D=D:\Nordeka\CAD A\'
cp "$DRIVE/logi/file_link.log" "$E2E_ART/file_link.log"
printf 'file link under Wine: exit code %s; rows %s; link left: %s; file it points to %s\n' \
  "$CODE" "$(rows_by_mdbtools "$LIB/P/dodatki.mdb" | wc -l)" \
  "$([ -L "$LIB/P/tekstury/dab.jpg" ] && echo yes || echo no)" \
  "$([ "$(outside_state)" = "$before" ] && echo untouched || echo overwritten)" | tee -a "$SUMMARY"

# --- /LOG= naming another installer ---
earlier P
before=$(md5sum <"$DRIVE/q.exe")
e2e_unattended log_on_installer "$DRIVE" 'start "" /wait D:\p.exe /S /LOG=D:\q.exe /D=D:\Nordeka\CAD A\'
e2e_check_eq "log_on_installer: exit code" "$CODE" 7
e2e_check_eq "log_on_installer: the other installer untouched" "$(md5sum <"$DRIVE/q.exe")" "$before"
e2e_check "log_on_installer: package not unpacked" e2e_file_absent "$LIB/P/modele"
printf 'log on another installer: exit code %s\n' "$CODE" | tee -a "$SUMMARY"

wineserver -k
e2e_finish
