#!/usr/bin/env bash
# Mistaken and hostile packages under "/S": a package that carries its own dodatki_old.mdb (a
# folder zipped after a test install), another package's database and a stray written with "/",
# a folder entry in place of the database, and three directory records sharing one compressed
# stream. Each is refused with exit code 2 and its reason as the log's important line, the host's
# library (the databases of packages P and Q among it) stays byte for byte as it was, and
# mkinstaller verify refuses the same installer.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
e2e_init hostile_packages 1280x1024
source "$(dirname "$0")/../../scripts/e2e/update_package.sh"

PKG=$E2E_WORK/pkg
mkdir -p "$PKG"
e2e_make_database "$PKG/dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI" ||
  e2e_fail "cannot make the package's database"
e2e_make_cover "$PKG/P.jpg" 1040 585

# craft KIND ZIP: the package P (cover and database) with what KIND adds, written by Python's
# zipfile, which keeps names as given; "overlap" then points two directory records at the first
# record's stream.
craft() {
  python3 - "$PKG" "$1" "$2" <<'EOF' || e2e_fail "cannot craft the $1 package"
import struct, sys, zipfile
pkg, kind, out = sys.argv[1:]
db = open(pkg + "/dodatki.mdb", "rb").read()
with zipfile.ZipFile(out, "w") as z:
    def add(name, data):
        z.writestr(zipfile.ZipInfo(name), data, zipfile.ZIP_DEFLATED)
    add("P.jpg", open(pkg + "/P.jpg", "rb").read())
    if kind == "old_database":
        add("P\\dodatki_old.mdb", db)
    if kind == "slash_package":
        add("Q/dodatki.mdb", db)
        add("evil.exe", b"MZ")
    if kind == "folder_database":
        add("P\\dodatki.mdb\\", b"")
    if kind == "overlap":
        for n in "abc":
            add("P\\" + n + ".bin", bytes(64 * 1024 * 1024))
    add("P\\dodatki.mdb", db)
if kind == "overlap":
    data = bytearray(open(out, "rb").read())
    end = data.rfind(b"PK\x05\x06")
    count, _, at = struct.unpack_from("<HII", data, end + 10)
    records = {}
    for _ in range(count):
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, at + 28)
        records[data[at + 46:at + 46 + name_len].decode()] = at
        at += 46 + name_len + extra_len + comment_len
    stream = struct.unpack_from("<I", data, records["P\\a.bin"] + 42)[0]
    for name in ("P\\b.bin", "P\\c.bin"):
        struct.pack_into("<I", data, records[name] + 42, stream)
    open(out, "wb").write(data)
EOF
}

# Every file of the library folder with its checksum.
library_sums() { (cd "$LIB" && find . -type f -print0 | sort -z | xargs -0 md5sum); }

# refused KIND REASON: the package KIND on a fresh drive D: whose installation "CAD A" holds the
# packages P and Q; the unattended install through "/D=" must refuse it with REASON (a line of
# the log) and leave the library untouched; verify must refuse it too, naming REASON unless
# VERIFY_SAYS is set.
refused() {
  local kind=$1 reason=$2 drive=$E2E_WORK/$1
  LIB="$drive/Nordeka/CAD A/dodatki"
  mkdir -p "$LIB/P" "$LIB/Q" "$drive/logi"
  e2e_make_database "$LIB/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
    e2e_fail "$kind: cannot make P's database"
  e2e_make_database "$LIB/Q/dodatki.mdb" "$NEW_PRODUCENT" "$OLD_DODATKI" ||
    e2e_fail "$kind: cannot make Q's database"
  echo "tekstura" >"$LIB/P/stara.jpg"
  e2e_drive d "$drive"
  craft "$kind" "$E2E_WORK/$kind.zip"
  e2e_make_installer "$E2E_WORK/$kind.zip" "$drive/installer.exe"
  local before p_db q_db
  before=$(library_sums)
  p_db=$(md5sum <"$LIB/P/dodatki.mdb")
  q_db=$(md5sum <"$LIB/Q/dodatki.mdb")

  e2e_unattended "$kind" "$drive" \
    "start \"\" /wait D:\\installer.exe /S /LOG=D:\\logi\\$kind.log /D=D:\\Nordeka\\CAD A\\"
  local log=$drive/logi/$kind.log
  cp "$log" "$E2E_ART/$kind.log" 2>/dev/null
  e2e_check_eq "$kind: exit code" "$CODE" 2
  e2e_check_eq "$kind: P's database byte for byte as it was" "$(md5sum <"$LIB/P/dodatki.mdb")" "$p_db"
  e2e_check_eq "$kind: Q's database byte for byte as it was" "$(md5sum <"$LIB/Q/dodatki.mdb")" "$q_db"
  e2e_check_eq "$kind: the library as it was" "$(library_sums)" "$before"
  e2e_check "$kind: the log says \"$reason\"" grep -qF -- " $reason"$'\r' "$log"
  e2e_check_eq "$kind: log ends with the outcome" "$(tail -n 1 "$log" | tr -d '\r' | cut -d ' ' -f 3-)" \
    "Wynik: brak pakietu, pakiet uszkodzony lub odrzucony; kod wyjścia: 2"

  local report
  report=$("$E2E_MKINSTALLER" verify "$drive/installer.exe")
  e2e_check_eq "$kind: verify fails" "$?" 1
  echo "$report" >"$E2E_ART/$kind.verify.txt"
  e2e_check "$kind: verify says \"${VERIFY_SAYS:-$reason}\"" \
    grep -qF -- "${VERIFY_SAYS:-$reason}" "$E2E_ART/$kind.verify.txt"
}

# shellcheck disable=SC2016 # the backquotes are the log's own
refused old_database 'Pakiet odrzucony: plik o nazwie zastrzeżonej dla instalatora: `P\dodatki_old.mdb`'
VERIFY_SAYS='error: 2 package databases (in Q, P)' \
  refused slash_package 'Błędna zawartość pliku ZIP! (2 katalogów)'
# shellcheck disable=SC2016
refused folder_database 'Pakiet odrzucony: folder w miejscu bazy dodatki.mdb: `P\dodatki.mdb\`'
# shellcheck disable=SC2016
refused overlap 'Pakiet odrzucony: pliki `P\a.bin` i `P\b.bin` dzielą te same dane archiwum'
e2e_check "overlap: verify unpacked nothing" grep -qF "entries: 5, 0 bytes unpacked" \
  "$E2E_ART/overlap.verify.txt"

e2e_finish
