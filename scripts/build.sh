#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as BUILD_DIR).
# Extra arguments go to the CMake configure step.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-"$top/build"}
cmake -S "$top" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
