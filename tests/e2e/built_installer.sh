#!/usr/bin/env bash
# A package maker's two commands seen from outside: `mkinstaller build` turns a package folder into
# an installer, the same folder always into the same bytes; `mkinstaller verify` accepts it; and
# the installer installs the package under Wine into a host installation on drive D:.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
source "$(dirname "$0")/../../scripts/e2e/built_package.sh"
e2e_init built_installer 1280x1024

pkg_make_folder "$E2E_WORK/pkg"
pkg_build "$PKG_DIR" "$E2E_WORK/built.exe" ||
  e2e_fail "mkinstaller build failed (see mkinstaller.log)"

# A copy of the folder elsewhere, its files dated otherwise, must give the same installer: neither
# the folder's place nor the files' times may reach the archive.
cp -r "$PKG_DIR" "$E2E_WORK/copy"
find "$E2E_WORK/copy" -exec touch -d '2003-04-05 06:07:08' {} +
pkg_build "$E2E_WORK/copy" "$E2E_WORK/again.exe" || e2e_fail "the second mkinstaller build failed"
e2e_check "the same package twice gives byte-identical installers" \
  cmp "$E2E_WORK/built.exe" "$E2E_WORK/again.exe"

pkg_check_verify built "$E2E_WORK/built.exe" no

pkg_install first "$E2E_WORK/built.exe" "$E2E_WORK/built.exe"

e2e_finish
