#!/usr/bin/env bash
# Runs a batch of three 1080p H.264 clips (made once into bench/cache/)
# through the batch processing dialog and prints how long the window's
# event loop was held up at most. Builds first.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cache="$top/bench/cache"
mkdir -p "$cache"
clips=()
for n in 1 2 3; do
    clip="$cache/batch-1080p-$n.mp4"
    if [ ! -f "$clip" ]; then
        ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=20" \
            -vf "hue=h=$((n * 90))" -c:v libx264 -preset fast -pix_fmt yuv420p -g 60 -bf 2 "$clip"
    fi
    clips+=("$clip")
done
cmake --build "${BUILD_DIR:-$top/build}" --target bench_batchui -j2 >/dev/null
bench="${BUILD_DIR:-$top/build}/bench/gui/bench_batchui"
echo "== offscreen"
QT_QPA_PLATFORM=offscreen "$bench" --interval "${INTERVAL:-1000}" "${clips[@]}" 2>/dev/null
if command -v xvfb-run >/dev/null; then
    echo "== xvfb"
    xvfb-run -a -s "-screen 0 1600x1000x24" "$bench" --interval "${INTERVAL:-1000}" "${clips[@]}" 2>/dev/null
fi
