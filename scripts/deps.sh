#!/usr/bin/env bash
# Installs every system and npm package the project needs, on a fresh Debian 12 as root with no
# standard input. Idempotent: a second run installs nothing and ends quickly.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config ca-certificates
  clang libclang-rt-14-dev              # libFuzzer and sanitizers for the fuzz targets
  libgtest-dev googletest zlib1g-dev    # googletest: its sources, built for the Windows tests
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev  # the shipped 32-bit build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix  # the 64-bit test twin
  wine wine64 wine32:i386 fonts-wine    # the Windows tests and the installer itself
  xvfb xauth xdotool x11-utils         # displays, input and window queries for GUI tests
  mdbtools imagemagick fonts-dejavu-core
  unzip zip osslsigncode openssl jq time
  nodejs                                # the independent Jet reader (tools/node)
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
# Debian's nodejs comes without npm; some other builds of nodejs bring their own.
command -v npm >/dev/null || installed npm || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # wine32 is an i386 package.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq </dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
fi

# The npm packages, as pinned in tools/node/package-lock.json.
if [ ! -d tools/node/node_modules/mdb-reader ]; then
  (cd tools/node && npm ci --no-audit --no-fund --silent </dev/null)
fi
echo "deps: ok"
