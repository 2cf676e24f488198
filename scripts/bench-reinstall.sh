#!/usr/bin/env bash
# How long reinstalling a package of many files takes, and where the time goes: the installer
# under Wine, run with /S over an installation that already holds every file of the package, so
# that each one is set aside, replaced and, at the end, deleted.
#   bash scripts/bench-reinstall.sh          (after make build)
#   SIZES="10000 30000" PER_FOLDER=1000 STUB=path/to/installer.exe bash scripts/bench-reinstall.sh
# SIZES are the package's numbers of files (100 bytes each), PER_FOLDER how many share one folder
# of the package; STUB is the installer program (the built one by default). Prints, per size, the
# first install's and the reinstall's seconds, the reinstall's phases from its log (whole
# seconds, as the log stamps them) and the machine's load when the reinstall ended: the flushes
# and deletions slow down with other programs' disk traffic.
set -uo pipefail
source "$(dirname "$0")/e2e/lib.sh"
[ -n "${STUB:-}" ] && E2E_INSTALLER_EXE=$STUB
e2e_init bench_reinstall 1280x1024
source "$(dirname "$0")/e2e/update_package.sh"

SIZES=${SIZES:-10000 30000}
PER_FOLDER=${PER_FOLDER:-1000}
HOST='D:\Nordeka\CAD A\'

# make_installer FILES OUT.exe: the update package with FILES small files beside its database,
# built by mkinstaller from a package folder.
make_installer() {
  local pkg=$E2E_WORK/pkg$1
  rm -rf "$pkg" && mkdir -p "$pkg/P"
  e2e_make_database "$pkg/P/dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI" ||
    e2e_fail "cannot make the package's database"
  e2e_make_cover "$pkg/P.jpg" 1040 585
  python3 - "$pkg/P" "$1" "$PER_FOLDER" <<'PY' || e2e_fail "cannot make the package's files"
import os, sys
root, files, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(files):
    folder = os.path.join(root, "modele", "m%03d" % (i // per))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "czesc%05d.bin" % i), "wb") as f:
        f.write(("%05d " % i).encode() * 16 + b"\r\n" * 2)
PY
  "$E2E_MKINSTALLER" build "$pkg" -o "$2" --stub "$E2E_INSTALLER_EXE" >/dev/null ||
    e2e_fail "mkinstaller build failed"
  rm -rf "$pkg"
}

# seconds NAME COMMAND_LINE: runs the unattended install, prints its wall-clock seconds; fails
# on an exit code other than 0.
seconds() {
  local started ended
  started=$(date +%s.%N)
  e2e_unattended "$1" "$DRIVE" "$2" >/dev/null
  ended=$(date +%s.%N)
  [ "$CODE" = 0 ] || e2e_fail "$1: exit code $CODE"
  echo "$ended - $started" | bc
}

# phases LOG: seconds between the log lines that open each phase of the reinstall.
phases() {
  tr -d '\r' <"$1" | awk '
    function at(line) { split(substr(line, 12, 8), t, ":"); return t[1] * 3600 + t[2] * 60 + t[3] }
    NR == 1 { start = at($0) }
    /Zapisujemy dziennik instalacji:/ && !plan { plan = at($0) }
    /Odkładamy plik / && !aside { aside = at($0) }
    /Zaczynamy rozpakowywanie/ { unpack = at($0) }
    /Zaczynamy obsługę bazy/ { merge = at($0) }
    /Zapisujemy w dzienniku zakończenie/ { commit = at($0) }
    /FINALLY/ { finish = at($0) }
    { last = at($0) }
    END {
      printf "start and plan %d, journal and backup %d, set aside %d, unpack %d, merge and flush %d, finish %d\n",
        plan - start, aside - plan, unpack - aside, merge - unpack, finish - merge, last - finish
    }'
}

echo "stub: $E2E_INSTALLER_EXE, $PER_FOLDER files a folder"
printf '%-8s %-12s %-12s %-6s %s\n' "files" "install s" "reinstall s" "load" \
  "reinstall's phases (s, from the log)"
for files in $SIZES; do
  DRIVE=$E2E_WORK/drive$files
  mkdir -p "$DRIVE/Nordeka/CAD A/dodatki/P" "$DRIVE/run" "$DRIVE/logi"
  e2e_make_database "$DRIVE/Nordeka/CAD A/dodatki/P/dodatki.mdb" "$OLD_PRODUCENT" "$OLD_DODATKI" ||
    e2e_fail "cannot make the earlier database"
  e2e_drive d "$DRIVE"
  make_installer "$files" "$DRIVE/installer.exe"
  first=$(seconds install "start \"\" /wait D:\\installer.exe /S /D=$HOST")
  again=$(seconds reinstall "start \"\" /wait D:\\installer.exe /S /LOG=D:\\logi\\r.log /D=$HOST")
  cp "$DRIVE/logi/r.log" "$E2E_ART/reinstall-$files.log"
  [ -d "$DRIVE/Nordeka/CAD A/dodatki/P/dodatki_install.old" ] && e2e_fail "set-aside folder left"
  load=$(cut -d ' ' -f 1 /proc/loadavg)
  printf '%-8s %-12.1f %-12.1f %-6s %s\n' "$files" "$first" "$again" "$load" \
    "$(phases "$DRIVE/logi/r.log")"
  rm -rf "$DRIVE"
done
e2e_finish
