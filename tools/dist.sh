#!/usr/bin/env bash
# The release a player downloads: dist/Cairnkeep-<version>.zip, holding the
# 32-bit program, the players' README, the licence and the SHA-256 checksums
# of those three, with the archive's own checksum beside it. The version is
# the one in resources/version.h, as in the program's version record.
#   dist.sh [EXE [OUT_DIR]]    defaults: build/windows/Cairnkeep.exe, dist
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$root/build/windows/Cairnkeep.exe}
[[ -f $exe ]] || { echo "dist: $exe is not built: run make dist" >&2; exit 1; }
mkdir -p "${2:-$root/dist}"
out=$(cd "${2:-$root/dist}" && pwd)

version=$(for part in MAJOR MINOR REVISION; do
  sed -n "s/^#define CK_VERSION_$part \([0-9][0-9]*\)$/\1/p" "$root/resources/version.h"
done | paste -sd.)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "dist: no version in resources/version.h" >&2; exit 1; }
name=Cairnkeep-$version

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
files=(Cairnkeep.exe README.txt LICENSE.txt)
cp "$exe" "$stage/Cairnkeep.exe"
# CRLF line ends: older Notepads show no other line break.
sed 's/$/\r/' "$root/docs/README-players.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
(cd "$stage" && sha256sum "${files[@]}" >SHA256SUMS.txt)
# The same files make the same archive: the times of the last commit, in
# UTC wherever it is built, no extra attributes.
export TZ=UTC
touch -d "@$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)" "$stage"/*
rm -f "$out/$name.zip"
(cd "$stage" && zip -qX "$out/$name.zip" "${files[@]}" SHA256SUMS.txt)
(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
unzip -l "$out/$name.zip"
cat "$out/$name.zip.sha256"
