#!/usr/bin/env bash
# Saves a PNG of Cairnkeep's main window on $DISPLAY, once it is drawn.
#   screenshot.sh OUT.png
set -euo pipefail
out=${1:?usage: screenshot.sh OUT.png}
for _ in $(seq 300); do
  id=$(xdotool search --name '^Cairnkeep v' 2>/dev/null | head -n1 || true)
  [[ -n $id ]] && break
  sleep 0.1
done
[[ -n ${id:-} ]] || { echo "screenshot: no Cairnkeep window on $DISPLAY" >&2; exit 1; }
sleep 1  # let it paint
mkdir -p "$(dirname "$out")"
import -window "$id" "$out"
