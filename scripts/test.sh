#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: the normal
# build in build/, the Debian package made from it and checked, then the
# suite again built with AddressSanitizer (leak detection on) and
# UndefinedBehaviorSanitizer in build-sanitize/. Both builds treat compiler
# warnings as errors. Exits non-zero when anything fails.
#   --sanitize      only the sanitizer suite
#   --no-sanitize   only the normal suite and the package check
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-all}

"$top/scripts/install-deps.sh"

# Both suites share one folder of fixture videos: ffmpeg makes the same
# files whichever way our code is built, so the sanitizer suite reuses what
# the normal suite made instead of encoding them again.
fixture_cache="$top/build/fixture-cache"

# Both builds compile through ccache when it is installed: a clone or a
# second build folder then reuses what was compiled before.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

run_normal() {
    BUILD_DIR="$top/build" "$top/scripts/build.sh" -DVISTALOOM_WERROR=ON -DVISTALOOM_FIXTURE_CACHE="$fixture_cache" \
        "${launcher[@]}"
    (cd "$top/build" && ctest --output-on-failure --parallel "$(nproc)")
    BUILD_DIR="$top/build" "$top/scripts/check-package.sh"
}

run_sanitized() {
    # -O1 as the sanitizers' own guides advise: a fifth less to compile, and
    # stack traces that still name every line.
    BUILD_DIR="$top/build-sanitize" "$top/scripts/build.sh" -DVISTALOOM_SANITIZE=ON -DVISTALOOM_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DVISTALOOM_WERROR=ON -DVISTALOOM_FIXTURE_CACHE="$fixture_cache" "${launcher[@]}"
    # After the normal suite the cache is kept rather than emptied.
    local keep=()
    [ "$mode" = --sanitize ] || keep=(-E '^fixture_cache_prepare$' --fixture-exclude-setup fixture_cache)
    # Leaks inside system libraries only are suppressed (scripts/lsan.supp).
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/scripts/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    (cd "$top/build-sanitize" && ctest --output-on-failure --parallel "$(nproc)" "${keep[@]}")
}

case "$mode" in
    --sanitize) run_sanitized ;;
    --no-sanitize) run_normal ;;
    all) run_normal; run_sanitized ;;
    *) echo "usage: $0 [--sanitize | --no-sanitize]" >&2; exit 1 ;;
esac
