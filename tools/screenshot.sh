#!/usr/bin/env bash
# Saves a PNG of one of Cairnkeep's windows on $DISPLAY, once it is drawn: the
# main window, or the first whose title matches TITLE (a regular expression).
#   screenshot.sh OUT.png [TITLE]
set -euo pipefail
out=${1:?usage: screenshot.sh OUT.png [TITLE]}
title=${2:-^Cairnkeep v}
for _ in $(seq 300); do
  id=$(xdotool search --name "$title" 2>/dev/null | head -n1 || true)
  [[ -n $id ]] && break
  sleep 0.1
done
[[ -n ${id:-} ]] || { echo "screenshot: no window '$title' on $DISPLAY" >&2; exit 1; }
sleep 1  # let it paint
mkdir -p "$(dirname "$out")"
import -window "$id" "$out"
