#!/usr/bin/env bash
# Draws the program icon (a database drum with a tiled face) with ImageMagick into
# resources/icons/tesselor-<size>.png. The PNGs are kept in the repository; run this only
# to change the drawing.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$ROOT/resources/icons
CONVERT=${CONVERT:-convert}
mkdir -p "$OUT"
big=$(mktemp --suffix=.png)
trap 'rm -f "$big"' EXIT

# 256x256 master: the drum's body, its rims, and a 3x3 mosaic of tiles over the lower right.
"$CONVERT" -size 256x256 xc:none \
  -fill '#1d4f7a' -stroke '#0d2c47' -strokewidth 6 \
  -draw 'ellipse 112,196 84,30 0,180' \
  -stroke none -draw 'rectangle 28,60 196,196' \
  -stroke '#0d2c47' -draw 'line 28,60 28,196' -draw 'line 196,60 196,196' \
  -fill none -stroke '#5d9bd1' -strokewidth 5 \
  -draw 'ellipse 112,106 84,30 0,180' -draw 'ellipse 112,152 84,30 0,180' \
  -fill '#3f86c4' -stroke '#0d2c47' -strokewidth 6 -draw 'ellipse 112,60 84,30 0,360' \
  -fill '#8cc2ee' -stroke none -draw 'ellipse 104,54 50,14 0,360' \
  -fill white -stroke '#0d2c47' -strokewidth 5 -draw 'roundrectangle 128,128 248,248 14,14' \
  -stroke none \
  -fill '#e8532c' -draw 'rectangle 140,140 172,172' \
  -fill '#f2b632' -draw 'rectangle 172,140 204,172' \
  -fill '#3aa45b' -draw 'rectangle 204,140 236,172' \
  -fill '#f2b632' -draw 'rectangle 140,172 172,204' \
  -fill '#3aa45b' -draw 'rectangle 172,172 204,204' \
  -fill '#e8532c' -draw 'rectangle 204,172 236,204' \
  -fill '#3aa45b' -draw 'rectangle 140,204 172,236' \
  -fill '#e8532c' -draw 'rectangle 172,204 204,236' \
  -fill '#f2b632' -draw 'rectangle 204,204 236,236' \
  -stroke white -strokewidth 3 \
  -draw 'line 172,140 172,236' -draw 'line 204,140 204,236' \
  -draw 'line 140,172 236,172' -draw 'line 140,204 236,204' \
  "PNG32:$big"

for size in 16 24 32 48 64 128 256; do
  "$CONVERT" "$big" -filter Lanczos -resize ${size}x${size} "PNG32:$OUT/tesselor-$size.png"
done
echo "make-icon: wrote $OUT/tesselor-{16,24,32,48,64,128,256}.png"
