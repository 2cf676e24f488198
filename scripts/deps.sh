#!/usr/bin/env bash
# Installs every system package the project needs (idempotent; run as root).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev              # libFuzzer and sanitizers for fuzz targets
  libgtest-dev googletest zlib1g-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev # the Windows build
  wine wine32 xvfb xdotool x11-utils x11-apps xauth
  mdbtools imagemagick fonts-dejavu-core
  unzip zip osslsigncode openssl jq
  nodejs
)

missing=()
for p in "${PACKAGES[@]}"; do
  arch_p=$p
  [ "$p" = wine32 ] && arch_p=wine32:i386
  dpkg-query -W -f='${Status}' "$arch_p" 2>/dev/null | grep -q "install ok installed" || missing+=("$arch_p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

command -v npm >/dev/null || { apt-get install -y -qq npm >/dev/null; }

# The second independent Jet reader, used by the comparison tests.
if [ ! -d tools/node/node_modules/mdb-reader ]; then
  (cd tools/node && npm install --no-audit --no-fund --silent)
fi
echo "deps: ok"
