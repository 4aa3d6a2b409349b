#!/usr/bin/env bash
# Wine prefixes for the tests and the demo, of the architecture in
# CK_WINE_ARCH (win32 unless it says win64).
#   wineprefix.sh base        makes the shared base prefix once; prints its path
#   wineprefix.sh new DIR     makes DIR a fresh prefix, copied from the base
# Booting a prefix takes 10-15 s, a copy well under one: every test process
# gets a prefix of its own without paying for the boot.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
wine=$root/tools/wine.sh
arch=${CK_WINE_ARCH:-win32}
base=${CK_WINE_BASE:-$root/build/wine-base-$arch}
export WINEDEBUG=-all

# Runs one Wine command in the base prefix; on failure names it and shows
# what Wine said.
in_base() {
  local log=$base.log status=0
  WINEPREFIX=$base "$@" >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    echo "wineprefix: '$*' failed in $arch prefix $base (exit $status). Wine said:" >&2
    tail -n 20 "$log" | sed 's/^/  /' >&2
    exit 1
  fi
}

make_base() {
  mkdir -p "$(dirname "$base")"
  exec 9>"$base.lock"
  flock 9
  if [[ ! -f $base/.complete ]]; then
    rm -rf "$base"
    # No Mono or Gecko: nothing here needs them, and they would ask to be
    # downloaded.
    WINEDLLOVERRIDES="mscoree,mshtml=" in_base "$wine" wineboot -i
    # Under Xvfb no window manager draws frames: let Wine draw the caption
    # and its buttons itself, so screenshots and real clicks see them.
    in_base "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    in_base wineserver -w
    # Wine's own fonts (MS Sans Serif, Tahoma, ...) from fonts-wine: this
    # Wine build does not look in their folder, but it loads every font in
    # the prefix's Fonts folder.
    cp /usr/share/wine/fonts/* "$base/drive_c/windows/Fonts/"
    touch "$base/.complete"
  fi
  flock -u 9
}

new_prefix() {
  local dir=$1
  make_base
  rm -rf "$dir"
  mkdir -p "$dir/drive_c"
  # .update-timestamp tells Wine the prefix is current; without it every
  # copy would be set up again.
  cp -a "$base"/*.reg "$base/.update-timestamp" "$base/dosdevices" "$dir/"
  local entry
  for entry in "$base"/drive_c/*; do
    # The system folder is only read: link it rather than copy 600 MB,
    # unless the new prefix is on another file system.
    if [[ $(basename "$entry") == windows ]]; then
      cp -al "$entry" "$dir/drive_c/" 2>/dev/null || { rm -rf "$dir/drive_c/windows"; cp -a "$entry" "$dir/drive_c/"; }
    else
      cp -a "$entry" "$dir/drive_c/"
    fi
  done
}

case ${1:-} in
  base) make_base; echo "$base" ;;
  new) [[ $# -eq 2 ]] || { echo "usage: $0 new DIR" >&2; exit 2; }; new_prefix "$2"; echo "$2" ;;
  *) echo "usage: $0 base | new DIR" >&2; exit 2 ;;
esac
