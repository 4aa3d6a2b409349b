#!/usr/bin/env bash
# Prints the Wine architecture that runs the Windows tests, the demo and the
# bench on this machine: win32, the product itself, where Wine's 32-bit
# loader starts; win64, the 64-bit build of the same sources, where it does
# not, or where CK_WINE_ARCH=win64 asks for it. It says so on stderr whenever
# it is not the product that runs.
#   CK_WINE32_LOADER   the 32-bit loader to try (default /usr/lib/wine/wine)
set -uo pipefail
say64() { echo "$1: Wine runs the 64-bit build of the same sources here, not the 32-bit product." >&2; echo win64; }

case ${CK_WINE_ARCH:-} in
  win32) echo win32; exit 0 ;;
  win64) say64 "CK_WINE_ARCH=win64"; exit 0 ;;
  "") ;;
  *) echo "winearch: CK_WINE_ARCH must be win32 or win64, not '$CK_WINE_ARCH'" >&2; exit 2 ;;
esac

loader=${CK_WINE32_LOADER:-/usr/lib/wine/wine}
if [[ ! -e $loader ]]; then
  say64 "This machine has no 32-bit Wine loader ($loader)"
  exit 0
fi
# Try it, rather than guess from the kernel: the shell reports a refused exec
# as "...: Exec format error" with status 126.
output=$("$loader" --version 2>&1)
status=$?
if [[ $status -eq 0 ]]; then
  echo win32
  exit 0
fi
reason=$(tail -n1 <<<"$output")
reason=${reason##*: }
say64 "This machine runs no 32-bit programs (${reason:-exit status $status})"
