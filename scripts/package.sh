#!/usr/bin/env bash
# Installs what is missing, builds the programs, man page and completion into
# build/ (or the folder given as BUILD_DIR) and makes the Debian package with
# cpack. The last line printed is the path of the .deb.
# Extra arguments go to the CMake configure step.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-"$top/build"}

"$top/scripts/install-deps.sh"

# Only the packaged target is built, not the tests and benchmarks; a build
# folder that is already current costs nothing.
cmake -S "$top" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" --target packaged --parallel "$(nproc)"

cd "$build_dir"
rm -f vistaloom_*.deb
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cpack -G DEB >"$log" 2>&1; then
    cat "$log" >&2
    echo "cpack failed" >&2
    exit 1
fi
cat "$log"
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$log" | tail -n 1)
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "cpack did not name the package it made" >&2
    exit 1
fi
echo "$deb"
