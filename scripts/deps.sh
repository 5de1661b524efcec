#!/usr/bin/env bash
# Installs every Debian package that the build, the test tiers and the demo
# need. Idempotent: packages already present are left alone. Run as root on
# Debian 12; as another user it only lists what is missing.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  mingw-w64-tools binutils-mingw-w64-x86-64 libwine-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  g++-multilib lib32asan8 lib32ubsan1  # the 32-bit native tests, with the sanitizers
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev libexpat1-dev
  llvm-14  # llvm-profdata-14 and llvm-cov-14, for scripts/fuzz-coverage.sh
  dpkg-dev  # dpkg-source, for the fuzz tree's expat (scripts/expat-source.sh)
  wine wine64 xvfb xauth x11-utils imagemagick
  fonts-dejavu-core fonts-liberation fonts-wqy-microhei
  fonts-wine  # the title-bar glyphs (Marlett) of Wine's own windows
  python3
  wixl msitools  # the installer packages, and msiinfo to read them back
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages (install them as root): ${missing[*]}" >&2
  exit 1
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
