#!/usr/bin/env bash
# A built installer signed with osslsigncode and a code-signing certificate made here: Authenticode
# appends its certificate table after the trailer, aligned to 8 bytes with zero padding. The
# signature covers the whole installer, `mkinstaller verify` sees through it, and under Wine the
# installer still finds its own archive before the table and installs the package.
set -uo pipefail
source "$(dirname "$0")/../../scripts/e2e/lib.sh"
source "$(dirname "$0")/../../scripts/e2e/built_package.sh"
e2e_init signed_installer 1280x1024
for tool in osslsigncode openssl; do
  command -v "$tool" >/dev/null || e2e_fail "$tool is missing: bash scripts/deps.sh installs it"
done

unsigned=$E2E_WORK/unsigned.exe
signed=$E2E_WORK/signed.exe
pkg_make_folder "$E2E_WORK/pkg"
# The padding before the table is what the installer must skip, so the unsigned size is made
# unaligned by lengthening the description until it is.
for _ in 1 2 3 4 5 6 7 8; do
  pkg_build "$PKG_DIR" "$unsigned" || e2e_fail "mkinstaller build failed (see mkinstaller.log)"
  [ $(($(stat -c %s "$unsigned") % 8)) -eq 0 ] || break
  echo "Więcej na stronie producenta." >>"$PKG_DIR/$PKG_NAME.txt"
done

signer="/CN=Nordeka test signer"
openssl req -x509 -newkey rsa:2048 -nodes -batch -days 2 -subj "$signer" \
  -addext keyUsage=digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$E2E_WORK/key.pem" -out "$E2E_WORK/cert.pem" >"$E2E_ART/openssl.log" 2>&1 ||
  e2e_fail "openssl could not make the certificate (see openssl.log)"
# No timestamp server: the test stays off the network.
osslsigncode sign -certs "$E2E_WORK/cert.pem" -key "$E2E_WORK/key.pem" -h sha256 \
  -n "$PKG_NAME" -in "$unsigned" -out "$signed" >"$E2E_ART/osslsigncode-sign.log" 2>&1 ||
  e2e_fail "osslsigncode sign failed (see osslsigncode-sign.log)"

# The certificate table as the PE header names it: the security directory lies at 128 in a PE32
# optional header (magic 0x10B, the shipped 32-bit installer) and at 144 in a PE32+ one (0x20B,
# the 64-bit twin); the optional header follows the 24-byte PE signature and file header.
u32_at() { od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '; }
u16_at() { od -An -tu2 -j "$2" -N 2 "$1" | tr -d ' '; }
pe=$(u32_at "$signed" 60)
case $(u16_at "$signed" $((pe + 24))) in
  267) security=$((pe + 24 + 128)) ;;
  523) security=$((pe + 24 + 144)) ;;
  *) e2e_fail "the signed installer has no PE32 or PE32+ optional header" ;;
esac
table=$(u32_at "$signed" "$security")
table_size=$(u32_at "$signed" $((security + 4)))
unsigned_size=$(stat -c %s "$unsigned")
signed_size=$(stat -c %s "$signed")
padding=$((table - unsigned_size))
e2e_log "unsigned $unsigned_size bytes, signed $signed_size: padding $padding, table $table_size"
e2e_check_eq "the table follows the installer at the next 8-byte boundary" \
  "$table" $(((unsigned_size + 7) / 8 * 8))
e2e_check "the signer padded the installer" [ "$padding" -gt 0 ]
e2e_check "the table ends the file" [ $((table + table_size)) -eq "$signed_size" ]
e2e_check_eq "the padding is zero bytes" \
  "$(tail -c +$((unsigned_size + 1)) "$signed" | head -c "$padding" | tr -d '\0' | wc -c)" 0

# Trusted with the test's own certificate as the root, the signature checks out over the file.
osslsigncode verify -CAfile "$E2E_WORK/cert.pem" -in "$signed" \
  >"$E2E_ART/osslsigncode-verify.log" 2>&1
e2e_check_eq "osslsigncode verifies the signature (exit code)" "$?" 0
e2e_check "the signature names the test's signer" \
  grep -qF "Subject: $signer" "$E2E_ART/osslsigncode-verify.log"

pkg_check_verify signed "$signed" yes

pkg_install signed "$signed" "$unsigned"

e2e_finish
