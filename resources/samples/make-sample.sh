#!/usr/bin/env bash
# Makes the bundled sample clip: 20 s of 1280x720 H.264 (25 fps) with an
# AAC tone, small enough to keep in the repository.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ffmpeg -y -hide_banner -loglevel error \
    -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=20" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
    -c:v libx264 -preset slow -pix_fmt yuv420p -b:v 500k -g 100 -bf 2 \
    -color_primaries bt709 -color_trc bt709 -colorspace bt709 \
    -c:a aac -b:a 64k -shortest -movflags +faststart \
    "$here/sample.mp4"
