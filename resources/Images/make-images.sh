#!/usr/bin/env bash
# Makes the raster images of the resources from what is kept beside them:
# the 1024 x 1024 product icon from VLIcon.svg, and the neutral backdrop
# on which the watermark dialog previews a watermark.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ffmpeg -y -hide_banner -loglevel error -width 1024 -height 1024 -i "$here/VLIcon.svg" \
    -frames:v 1 -pix_fmt rgba "$here/VLIcon1024.png"
ffmpeg -y -hide_banner -loglevel error \
    -f lavfi -i "gradients=s=800x450:c0=0x6d8fb5:c1=0xd9c9a3:x0=0:y0=0:x1=800:y1=450:nb_colors=2:seed=7,format=rgb24" \
    -frames:v 1 -q:v 3 "$here/watermarkBackground.jpg"
