#!/usr/bin/env bash
# The main job on the bundled sample: installs what is missing, builds Parchcli with its
# program folder (default preset), then extracts the sample's text and its images into
# build/sample-output/ and shows what came out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target Parchcli

program=build/default/program/Parchcli
out=build/sample-output
rm -rf "$out"
mkdir -p "$out"

"$program" -inp samples/sample.pdf -etx -out "$out/text"
"$program" -inp samples/sample.pdf -eim -imf png -dpi 150 -out "$out/images"

echo
echo "== Produced in $out:"
find "$out" -type f | sort
echo
echo "== $out/text/sample.txt (first lines):"
head -n 8 "$out/text/sample.txt"
echo
echo "== Images (format, size, resolution):"
for image in "$out"/images/*; do
  identify -units PixelsPerInch \
    -format "%f: %m %wx%h, %[fx:round(resolution.x)]x%[fx:round(resolution.y)] dpi\n" "$image"
done
