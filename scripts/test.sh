#!/usr/bin/env bash
# Installs what is missing, builds in build/ and runs the whole test suite.
# Exits non-zero when anything fails.
#   --sanitize   build in build-sanitize/ with AddressSanitizer and UBSan instead
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

"$top/scripts/install-deps.sh"

build_args=()
build_dir="$top/build"
if [ "${1:-}" = "--sanitize" ]; then
    build_dir="$top/build-sanitize"
    build_args+=(-DVISTALOOM_SANITIZE=ON -DVISTALOOM_BUILD_BENCH=OFF)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
fi

BUILD_DIR="$build_dir" "$top/scripts/build.sh" "${build_args[@]}"
cd "$build_dir"
ctest --output-on-failure --parallel "$(nproc)"
