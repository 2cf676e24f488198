#!/usr/bin/env bash
# The check of the shipped installer must catch a program that needs MinGW's runtime DLLs: a small
# C++ program linked without -static imports libstdc++ and libgcc, and the check has to fail
# naming them.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#include <string>\nint main() { return std::string("x").size(); }\n' \
  >"$work/dynamic.cpp"
i686-w64-mingw32-g++-posix -mwindows -o "$work/dynamic.exe" "$work/dynamic.cpp" ||
  { echo "FAILED: cannot build the dynamically linked program"; exit 1; }
out=$(bash "$here/check_installer_exe.sh" "$work/dynamic.exe")
rc=$?
echo "$out"
[ $rc -ne 0 ] || { echo "FAILED: the check passed a dynamically linked program"; exit 1; }
grep -q "not Windows' own:.*libstdc++" <<<"$out" ||
  { echo "FAILED: the check did not name libstdc++"; exit 1; }
echo "ok: the check refuses a dynamically linked program and names its DLLs"
