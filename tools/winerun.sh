#!/usr/bin/env bash
# Runs one Windows program under Wine, of the architecture in CK_WINE_ARCH,
# in a fresh prefix of its own, with a private X server unless
# CK_KEEP_DISPLAY=1 and a display is set. Everything it starts is stopped by
# PID, and the prefix's wineserver with wineserver -k.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/ck-wine.XXXXXX")
xvfb_pid=""

cleanup() {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT

"$here/wineprefix.sh" new "$prefix" >/dev/null

if [[ ${CK_KEEP_DISPLAY:-0} != 1 || -z ${DISPLAY:-} ]]; then
  # Xvfb picks a free display and writes its number once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$prefix/.display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 200); do [[ -s $prefix/.display ]] && break; sleep 0.05; done
  [[ -s $prefix/.display ]] || { echo "winerun: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -n1 "$prefix/.display")
fi

export WINEPREFIX=$prefix WINEDEBUG=-all
set +e
# CK_FILE_LIMIT_KB: the largest file the program may write, for tests that
# need it killed in the middle of a write.
( [[ -n ${CK_FILE_LIMIT_KB:-} ]] && ulimit -f "$CK_FILE_LIMIT_KB"; exec "$here/wine.sh" "$@" )
status=$?
set -e
# 126 and 127 are the shell's: Wine itself could not be started. Its own
# message stands above.
if [[ $status -eq 126 || $status -eq 127 ]]; then
  echo "winerun: Wine (${CK_WINE_ARCH:-win32}) could not start $1 (exit $status)" >&2
fi
exit $status
