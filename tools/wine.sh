#!/usr/bin/env bash
# `wine` for the architecture in CK_WINE_ARCH: win32 (the default) through
# Debian's usual wine command, win64 through Wine's 64-bit loader itself.
# The usual command picks the 32-bit loader whenever it is installed, even on
# a kernel that cannot run it. The loader looks at its own name, so this is a
# script rather than a link.
case ${CK_WINE_ARCH:-win32} in
  win32) export WINEARCH=win32; exec wine "$@" ;;
  win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64; exec /usr/lib/wine/wine64 "$@" ;;
  *) echo "wine.sh: CK_WINE_ARCH must be win32 or win64, not '$CK_WINE_ARCH'" >&2; exit 2 ;;
esac
