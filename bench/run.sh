#!/usr/bin/env bash
# make bench: one backup pass for 1, 20, 100 and 500 generated characters,
# natively beside Info-ZIP and the floors, and the Win32 pass under Wine,
# with a year's history and without, and the history window;
# then the program's own figures beside their goals: memory, size, start-up,
# CPU while idle with the save folder watched and not, and the time from a
# save to its archive.
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
# The product's pass, or the 64-bit build's where this machine runs no 32-bit
# programs (CK_WINE_ARCH, as make bench chose it).
win=build/windows
[[ ${CK_WINE_ARCH:-win32} == win64 ]] && win=build/windows64
export WINEDLLOVERRIDES=winebus.sys=d
for n in 20 100; do
  rm -f "$work/c$n"/*.zip
  "$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" "Z:${work//\//\\}\\c$n\\"
done
# Each from a folder of no archives, whose first pass the window writes
# itself: from then on it trusts the folder's times.
for n in 20 100; do
  rm -f "$work/c$n"/*.zip
  "$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --unchanged "Z:${work//\//\\}\\c$n\\" |
    sed 's/$/   (goal: under 100 ms for 100)/'
done
rm -f "$work/c20"/*.zip
"$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --one-saved "Z:${work//\//\\}\\c20\\" |
  sed 's/$/   (goal: at most 30 ms)/'
python3 "$root/tools/make_saves.py" "$work/l500" --count 50 --archives 10 --seed 500
"$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --list "Z:${work//\//\\}\\l500\\" |
  sed '/refresh/ s/$/   (goal: none read, under 30 ms)/; /first/ s/$/   (goal: each read once)/'

# A history of a year's play: one character, then 100 with as much each.
for n in 1 100; do
  python3 "$root/tools/make_saves.py" "$work/h$n" --count "$n" --seed "$n"
  "$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --history "Z:${work//\//\\}\\h$n\\" |
    sed 's/$/   (goal: at most 1.5 times)/'
done
# The history window over 200 archives of one character.
python3 "$root/tools/make_saves.py" "$work/w1" --count 1 --seed 1
"$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --history-window "Z:${work//\//\\}\\w1\\" |
  sed '/refresh/ s/$/   (goal: none read, under 30 ms)/; /first/ s/$/   (goal: each read once)/'
echo
echo "The program, as $win builds it, under Wine (goals on the right):"
python3 "$root/tools/make_saves.py" "$work/m20" --count 20 --seed 20
"$root/tools/winerun.sh" "$root/$win/bench/win32_pass.exe" --window "Z:${work//\//\\}\\m20\\" 100 |
  sed 's/$/   (goal: under 8 MB after 100)/'
exe=$root/build/windows/Cairnkeep.exe
dlls=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' | sort | tr '\n' ' ')
printf 'Size of the 32-bit product build/windows/Cairnkeep.exe: %.2f MB, imports only %s  (goal: under 1.5 MB, static)\n' \
  "$(stat -c %s "$exe" | awk '{print $1 / 1048576}')" "$dlls"
[[ $dlls != *lib* ]] || echo "  NOT STATIC: it needs $dlls"
CK_EXE=$root/$win/Cairnkeep.exe CK_DRIVER=$root/$win/tools/ckdriver.exe CK_SOAK=$root/$win/tools/cksoak.exe \
  python3 "$root/bench/resources.py"
