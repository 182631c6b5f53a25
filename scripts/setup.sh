#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests use, when any
# is missing. With --windows, also what the Windows stage runs on: the
# x86_64 mingw-w64 compiler and binutils for the 64-bit build, wine64 (which
# runs on every machine) and 32-bit Wine (which runs where the kernel runs
# 32-bit programs), Xvfb for the confirmation dialog, xdotool to answer it
# and ImageMagick to photograph it (Wine takes a few minutes the first time).
set -euo pipefail
packages=(cmake make ninja-build ccache g++ pkg-config clang libclang-rt-14-dev libgtest-dev libbenchmark-dev libpng-dev dosfstools mtools fdisk gddrescue e2fsprogs ntfs-3g ntfs-3g-dev exfatprogs valgrind bsdextrautils xxd fp-compiler fp-units-rtl g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest)
if [ "${1:-}" = --windows ]; then
  packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 wine32:i386 xvfb xdotool imagemagick)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
