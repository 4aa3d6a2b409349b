#!/usr/bin/env bash
# Installs the Debian packages that the build, the demo and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake make python3 zip unzip
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  # The 64-bit build of the same sources, for machines that run no 32-bit
  # programs: the tests choose by trying (tools/winearch.sh).
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  g++ googletest zlib1g-dev
  wine wine32:i386 wine64
  fonts-wine xvfb xdotool x11-utils imagemagick
  # make fuzz: clang's libFuzzer; and the other tools whose archives seed it.
  clang libclang-rt-14-dev libarchive-tools 7zip
  # Time zones with summer time, for the tests of archived times.
  tzdata
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

if [[ ${#missing[@]} -eq 0 && $need_i386 -eq 0 ]]; then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi

echo "Installing: ${missing[*]}"
if [[ $need_i386 -eq 1 ]]; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves an index of the wrong size for a
# while; apt then keeps the lists it had, or none of that one, and the
# install below says so if a package is really out of reach.
for attempt in 1 2 3; do
  "${sudo[@]}" apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt of 3)" >&2
  [[ $attempt -lt 3 ]] && sleep 10
done
install() { DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
if ! install "${missing[@]}"; then
  # Wine's 32-bit half needs the i386 libraries of exactly the versions
  # installed, which a mirror in the middle of a sync may not have yet.
  # Without it the tests take the 64-bit path, as on a machine that runs no
  # 32-bit programs; the product is still built.
  rest=()
  for p in "${missing[@]}"; do [[ $p == *:i386 ]] || rest+=("$p"); done
  [[ ${#rest[@]} -lt ${#missing[@]} ]] || exit 1
  echo "install-deps: the i386 packages cannot be installed now; going on without them" >&2
  [[ ${#rest[@]} -eq 0 ]] || install "${rest[@]}"
fi
