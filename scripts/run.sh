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

out="$top/build/sample-output"
rm -rf "$out"
mkdir -p "$out"
echo "Extracting 10 images from $sample into $out"
status=0
"$top/build/cli/vistaloom-cli" "$sample" "$out" --count 10 || status=$?
echo
echo "Files written to $out:"
ls -l "$out"
exit $status
