#!/usr/bin/env bash
# Kills the program while it writes an archive (a file size limit makes the
# kernel stop it with SIGXFSZ), then starts it again: the slot's previous
# archive must have survived, and the temporary file must be cleared away.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tests=$1
root=$(mktemp -d "${TMPDIR:-/tmp}/ck-crash.XXXXXX")
trap 'rm -rf "$root"' EXIT
export CK_CRASH_TEST=1 CK_SAVE_ROOT="Z:${root//\//\\}"

"$here/../../tools/winerun.sh" "$tests" --gtest_filter=CrashMidWrite.Prepare
# 200 KiB: more than the archive's temporary file may grow to, less than
# anything Wine itself writes in the prefix meanwhile.
if CK_FILE_LIMIT_KB=200 "$here/../../tools/winerun.sh" "$tests" --gtest_filter=CrashMidWrite.Write; then
  echo "crash-mid-write: the program was not stopped mid-write" >&2
  exit 1
fi
"$here/../../tools/winerun.sh" "$tests" --gtest_filter=CrashMidWrite.Recover
