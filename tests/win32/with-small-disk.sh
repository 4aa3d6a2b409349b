#!/usr/bin/env bash
# Runs a Windows test program with CK_SAVE_ROOT naming a 256 KiB tmpfs, so
# that a disk really fills up. Mounting needs root; without it the test
# program is told nothing and skips the case.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
disk=$(mktemp -d "${TMPDIR:-/tmp}/ck-small-disk.XXXXXX")
if mount -t tmpfs -o size=256k tmpfs "$disk" 2>/dev/null; then
  trap 'umount "$disk"; rmdir "$disk"' EXIT
  export CK_SAVE_ROOT="Z:${disk//\//\\}" CK_SMALL_DISK=1
else
  trap 'rmdir "$disk"' EXIT
  echo "with-small-disk: cannot mount a tmpfs here; the full-disk case skips"
fi
WINEDEBUG=-all "$here/../../tools/winerun.sh" "$@"
