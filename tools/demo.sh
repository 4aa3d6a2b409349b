#!/usr/bin/env bash
# Starts Cairnkeep.exe in a demo Wine prefix under build/demo, with the
# game's registry values pointing at a demo save folder of made-up
# characters. Without a display it runs under Xvfb and saves screenshots of
# the main window, the About box and the history window.
#   CK_DEMO_SECONDS=N   end the demo after N seconds (default: run until the
#                       window is closed, or until Ctrl+C under Xvfb)
#   CK_WINE_ARCH        win64 runs the 64-bit build of the same sources
#   CK_DEMO_DPI=N       the screen's DPI, as Windows' display scaling sets it
#                       (default 96; 120 and 144 are 125 % and 150 %)
#                       (default: whatever tools/winearch.sh finds runs here)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
CK_WINE_ARCH=${CK_WINE_ARCH:-$("$root/tools/winearch.sh")}
export CK_WINE_ARCH
exe=$root/build/windows/Cairnkeep.exe
[[ $CK_WINE_ARCH == win64 ]] && exe=$root/build/windows64/Cairnkeep.exe
[[ -f $exe ]] || { echo "demo: $exe is not built: run make demo" >&2; exit 1; }
demo=$root/build/demo
prefix=$demo/prefix
wine=$root/tools/wine.sh
export WINEPREFIX=$prefix WINEDEBUG=-all

xvfb_pid=""
app_pid=""
cleanup() {
  set +e
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$root/tools/wineprefix.sh" new "$prefix" >/dev/null
# Wine reads the DPI when its first process starts: written before any runs.
if [[ -n ${CK_DEMO_DPI:-} ]]; then
  printf '\n[Control Panel\\\\Desktop] 0\n"LogPixels"=dword:%08x\n' "$CK_DEMO_DPI" >>"$prefix/user.reg"
fi

# The display comes first: the prefix's desktop process starts with the first
# Wine command and keeps the display it found then.
if [[ -z ${DISPLAY:-} ]]; then
  rm -f "$demo/.display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$demo/.display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 200); do [[ -s $demo/.display ]] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$demo/.display")
  headless=1
else
  headless=0
fi

save_unix="$prefix/drive_c/Program Files/Diablo II/Save"
python3 "$root/tools/make_saves.py" "$save_unix" --count 4 --archives 3 --history --dead Tamsin --corpse Aldric

cat > "$demo/game.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Blizzard Entertainment\Diablo II]
"Save Path"="C:\\Program Files\\Diablo II\\Save\\"
"Program"="C:\\Program Files\\Diablo II\\Game.exe"
REG
"$wine" regedit /S "$("$wine" winepath -w "$demo/game.reg")"
if [[ $headless == 0 ]]; then
  # A real desktop has a window manager to frame the window.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
fi

echo "Save folder: C:\\Program Files\\Diablo II\\Save\\ (on disk: $save_unix)"
"$wine" "$exe" &
app_pid=$!

if [[ $headless == 1 ]]; then
  "$root/tools/screenshot.sh" "$demo/cairnkeep.png"
  # Help > About from the keyboard, after a click that gives the window the
  # focus, and the About box in front of it.
  eval "$(xdotool search --name '^Cairnkeep v' getwindowgeometry --shell | grep -E '^[XY]=')"
  xdotool mousemove $((X + 200)) $((Y + 150)) click 1 key alt+h key a
  "$root/tools/screenshot.sh" "$demo/about.png" '^About Cairnkeep$'
  # Esc closes the About box; then File > History... for the archive the
  # click selects.
  xdotool key Escape mousemove $((X + 200)) $((Y + 150)) click 1 key ctrl+h
  "$root/tools/screenshot.sh" "$demo/history.png" '^History of '
  echo "Cairnkeep is running under Xvfb on $DISPLAY; screenshots: $demo/cairnkeep.png, $demo/about.png," \
    "$demo/history.png"
fi

if [[ -n ${CK_DEMO_SECONDS:-} ]]; then
  sleep "$CK_DEMO_SECONDS"
elif [[ $headless == 0 || -t 0 ]]; then
  [[ $headless == 1 ]] && echo "Press Ctrl+C to end the demo."
  wait "$app_pid" || true
fi
app_pid=""
