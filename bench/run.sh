#!/usr/bin/env bash
# make bench: one backup pass for 1, 20, 100 and 500 generated characters,
# natively beside Info-ZIP and the floors, and the Win32 pass under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/var/tmp}/ck-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

folders=()
for n in 1 20 100 500; do
  python3 "$root/tools/make_saves.py" "$work/c$n" --count "$n" --seed "$n"
  folders+=("$work/c$n")
done
echo "Folders in $work (on $(df --output=fstype "$work" | tail -1)); medians of 7 passes."
"$root/${CK_BENCH_NATIVE:-build/bench-native}/bench/backup_bench" "${folders[@]}"
rm -f "$work"/c100/*.zip
# The product's pass, or the 64-bit build's where this machine runs no 32-bit
# programs (CK_WINE_ARCH, as make bench chose it).
win=build/windows
[[ ${CK_WINE_ARCH:-win32} == win64 ]] && win=build/windows64
WINEDLLOVERRIDES=winebus.sys=d "$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" "Z:${work//\//\\}\\c100\\"
