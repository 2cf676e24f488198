#!/usr/bin/env bash
# Static checks of the shipped installer program, read with objdump and from its own bytes:
#   check_installer_exe.sh INSTALLER.exe
# a 32-bit (i386, PE32) GUI program that imports only Windows' own DLLs (everything else is
# linked in statically), with the manifest it needs: asInvoker, per-monitor DPI awareness and
# common controls 6, for the x86 processor. Prints one line per check; exits 1 on any failure.
set -uo pipefail
exe=${1:?usage: $0 INSTALLER.exe}
OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}

# The DLLs a program may import: Windows' own, present on every supported Windows.
SYSTEM_DLLS="advapi32 comctl32 comdlg32 gdi32 gdiplus kernel32 msimg32 msvcrt ole32 oleacc oleaut32
shell32 shlwapi user32 uxtheme version"

failures=0
check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

[ -f "$exe" ] || { echo "FAILED: no program at $exe (make build makes it)"; exit 1; }
headers=$("$OBJDUMP" -p "$exe") || { echo "FAILED: $OBJDUMP cannot read $exe"; exit 1; }

has() { grep -Eq "$1" <<<"$headers"; }
check "machine i386 (file format pei-i386)" has 'file format pei-i386$'
check "optional-header magic 0x10B (PE32)" has '^Magic[[:space:]]+010b'
check "GUI subsystem (2)" has '^Subsystem[[:space:]]+00000002'

imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
check "imports some DLLs" [ -n "$imports" ]
foreign=()
for dll in $imports; do
  grep -qw "${dll%.dll}" <<<"$SYSTEM_DLLS" || foreign+=("$dll")
done
check "imports only Windows' own DLLs (found: $(echo $imports))" [ ${#foreign[@]} -eq 0 ]
[ ${#foreign[@]} -eq 0 ] || echo "  not Windows' own: ${foreign[*]}"

# The manifest is stored as plain XML in the resources.
manifest=$(perl -0777 -ne 'print $1 if /(<assembly\b.*?<\/assembly>)/s' "$exe")
inmanifest() { grep -Fq "$1" <<<"$manifest"; }
check "a manifest is embedded" [ -n "$manifest" ]
check "manifest: asInvoker" inmanifest 'level="asInvoker"'
check "manifest: per-monitor DPI awareness" inmanifest '>PerMonitorV2</dpiAwareness>'
check "manifest: common controls 6" \
  inmanifest 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
check "manifest: the x86 processor" inmanifest 'processorArchitecture="x86"'

[ "$failures" -eq 0 ]
