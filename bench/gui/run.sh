#!/usr/bin/env bash
# Benchmarks the main window's player under Xvfb with a 1080p30 H.264
# clip (made once into bench/cache/), with each video renderer, and the
# slider previews on a 1080p30 H.264 clip with a key frame every half second.
# Builds first. Prints the figures.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cache="$top/bench/cache"
clip="$cache/dense-1080p30.mp4"
mkdir -p "$cache"
if [ ! -f "$clip" ]; then
    ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=15" \
        -c:v libx264 -preset medium -pix_fmt yuv420p -g 60 -bf 2 "$clip"
fi
previews="$cache/keyframes-1080p30.mp4"
if [ ! -f "$previews" ]; then
    ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=30" \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 15 -bf 2 "$previews"
fi
cmake --build "${BUILD_DIR:-$top/build}" --target bench_gui -j2 >/dev/null
bench="${BUILD_DIR:-$top/build}/bench/gui/bench_gui"
for renderer in opengl software; do
    echo "== $renderer"
    VISTALOOM_VIDEO_OUTPUT=$renderer xvfb-run -a -s "-screen 0 1600x1000x24" "$bench" "$clip" "${RUNS:-5}" "$previews" 2>/dev/null
done
