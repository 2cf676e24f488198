#!/usr/bin/env bash
# How long the window takes to offer Install, and what it writes to the disk meanwhile, for
# packages of several sizes: the installer under Wine and Xvfb, as a user starts it.
#   bash scripts/bench-startup.sh          (after make build)
#   SIZES="1 600" RUNS=3 STUB=path/to/installer.exe bash scripts/bench-startup.sh
# SIZES are the package's megabytes of incompressible files (1 stands for a small package);
# STUB is the installer program to wrap the packages in (the built one by default). Prints, per
# size, the median seconds from the start until Install is enabled, their range, and the bytes
# in the working folders at that moment.
set -uo pipefail
source "$(dirname "$0")/e2e/lib.sh"
[ -n "${STUB:-}" ] && E2E_INSTALLER_EXE=$STUB
e2e_init bench_startup 1280x1024

SIZES=${SIZES:-1 600}
RUNS=${RUNS:-3}
HOST_WIN='D:\Nordeka\CAD A\'

install_offered() { [ "$(e2e_control_enabled "${E2E_INSTALL_BUTTON[@]}")" = 1 ]; }

# make_installer MB OUT.exe: a package with MB megabytes in one stored file.
make_installer() {
  local pkg=$E2E_WORK/pkg$1
  rm -rf "$pkg" && mkdir -p "$pkg/P"
  echo "not read at start-up" >"$pkg/P\\dodatki.mdb"
  e2e_make_cover "$pkg/P.jpg" 1040 585
  head -c $(($1 * 1024 * 1024)) /dev/urandom >"$pkg/P/dane.bin"
  (cd "$pkg" && zip -X -q -0 -r ../pkg$1.zip 'P\dodatki.mdb' P.jpg P) || e2e_fail "zip failed"
  e2e_make_installer "$E2E_WORK/pkg$1.zip" "$2"
  rm -rf "$pkg" "$E2E_WORK/pkg$1.zip"
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

echo "stub: $E2E_INSTALLER_EXE"
printf '%-8s %-10s %-18s %s\n' "MB" "median s" "range s" "bytes in working folders"
for mb in $SIZES; do
  drive=$E2E_WORK/drive$mb
  mkdir -p "$drive/Nordeka/CAD A/dodatki" "$drive/run"
  e2e_drive d "$drive"
  make_installer "$mb" "$drive/installer.exe"
  times=()
  written=
  for ((run = 1; run <= RUNS; run++)); do
    started=$(date +%s.%N)
    e2e_start_installer 'D:\installer.exe' "$drive/run"
    e2e_wait_window
    e2e_wait_until 300 install_offered || e2e_fail "$mb MB: Install never offered"
    lit=$(date +%s.%N)
    times+=("$(echo "$lit - $started" | bc)")
    # Earlier builds worked in .\tmp\ beside the program.
    written=$({ e2e_work_folders; [ -d "$drive/run/tmp" ] && echo "$drive/run/tmp"; } |
      xargs -r -d '\n' du -scb | tail -n 1 | cut -f 1)
    e2e_click_close
    e2e_wait_exit || e2e_fail "$mb MB: the installer did not end after Close"
  done
  med=$(printf '%s\n' "${times[@]}" | median)
  lo=$(printf '%s\n' "${times[@]}" | sort -n | head -n 1)
  hi=$(printf '%s\n' "${times[@]}" | sort -n | tail -n 1)
  printf '%-8s %-10.2f %-18s %s\n' "$mb" "$med" "$(printf '%.2f-%.2f' "$lo" "$hi")" "${written:-0}"
  rm -rf "$drive"
done
e2e_finish
