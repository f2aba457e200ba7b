#!/usr/bin/env bash
# A longer run of the grabber fuzz test: COUNT damaged copies of the short
# clips (default 5000) from SEED (default 1), read in-process through
# FrameGrabber; prints the test's figures (files, requests, frames, errors,
# slowest file) and any failure with the seed and index to make the file
# again (VISTALOOM_FUZZ_SEED=<seed> VISTALOOM_FUZZ_ONLY=<index>).
#   bench/fuzz.sh [COUNT] [SEED]
# BUILD_DIR picks another build folder than build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$top/build"}
count=${1:-5000}
seed=${2:-1}

if [ ! -d "$build" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target tst_grabberfuzz -j2 >/dev/null

# About 10 ms a file on two cores; the allowance leaves room for slow ones.
timeout=$(( 120 + count / 10 ))
echo "count=$count seed=$seed timeout_s=$timeout"
start=$(date +%s)
status=0
VISTALOOM_FUZZ_COUNT=$count VISTALOOM_FUZZ_SEED=$seed QT_QPA_PLATFORM=offscreen \
    timeout "$timeout" "$build/tests/media/tst_grabberfuzz" -maxwarnings 0 damagedFilesGetOneAnswerPerRequest \
    | grep -v '^QDEBUG' || status=$?
echo "wall_s=$(( $(date +%s) - start )) status=$status"
exit "$status"
