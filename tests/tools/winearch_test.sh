#!/usr/bin/env bash
# The choice of Wine architecture, with stand-in 32-bit loaders: one that the
# kernel refuses, one that runs.
set -uo pipefail
choose=$(cd "$(dirname "$0")/../../tools" && pwd)/winearch.sh
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '#!/bin/sh\necho "/bin/sh: 1: exec: $0: Exec format error" >&2\nexit 126\n' >"$dir/refused"
printf '#!/bin/sh\necho wine-8.0\n' >"$dir/runs"
chmod +x "$dir/refused" "$dir/runs"
failed=0

expect() {  # expect NAME LOADER OVERRIDE ARCH NOTICE
  local arch notice
  arch=$(env -u CK_WINE_ARCH ${3:+CK_WINE_ARCH=$3} CK_WINE32_LOADER="$2" "$choose" 2>"$dir/err")
  notice=$(cat "$dir/err")
  if [[ $arch == "$4" && $notice == "$5" ]]; then
    echo "ok: $1"
  else
    echo "FAILED: $1: chose '$arch', said '$notice'; expected '$4', '$5'"
    failed=$((failed + 1))
  fi
}

expect "a refused loader takes the 64-bit path and says why" "$dir/refused" "" win64 \
  "This machine runs no 32-bit programs (Exec format error): Wine runs the 64-bit build of the same sources here, not the 32-bit product."
expect "a loader that runs keeps the product, quietly" "$dir/runs" "" win32 ""
expect "the override takes the 64-bit path anyway" "$dir/runs" win64 win64 \
  "CK_WINE_ARCH=win64: Wine runs the 64-bit build of the same sources here, not the 32-bit product."
echo "$((3 - failed)) passed, $failed failed"
exit $((failed > 0))
