#!/usr/bin/env bash
# Times frame extraction by FrameGrabber against ffmpeg doing the same work,
# in one run, and prints the ratios (ours / ffmpeg, median wall time of
# RUNS runs) and the peak resident memory of both. For dense and sparse it
# also prints the ratio of CPU time (user + system), which moves far less
# than wall time when other work shares the machine, and the time ratio
# that CPU time would give were every core busy throughout.
#   dense:  60 s 1080p30 H.264 (GOP 250, B-frames), 12 images at 2 s, 7 s, ... 57 s,
#           against one ffmpeg pass with a select filter.
#   sparse: 10 min of the same kind, 20 images every 30 s from 2 s,
#           against a loop of "ffmpeg -ss T -i clip -frames:v 1".
#   fast:   the sparse positions taking the nearest key frame, against the
#           same ffmpeg loop and a loop of ffmpegthumbnailer (installed here
#           for the comparison only).
#   4k:     40 s of 3840x2160 HEVC 10-bit, 10 images every 4 s from 2 s,
#           exact and fast, against the ffmpeg -ss loop.
#   batch:  200 jobs of a 5 s clip through the batch thread, 3 images each,
#           against a shell loop running ffmpeg once per clip.
# Clips are made once and kept in bench/cache/. Images are JPEG (ours of
# quality 90, ffmpeg's of -q:v 2, its closest setting).
# When build/bench/pipeline/vistaloom-bench-pipeline exists it is run too
# (with PIPELINE_ARGS, if set) and its share of the dense time per image
# is printed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$top/build"}
cache="$top/bench/cache"
runs=${RUNS:-3}
grabber="$build/bench/grabber/vistaloom-bench-grabber"
pipeline="$build/bench/pipeline/vistaloom-bench-pipeline"
batch="$build/bench/batch/vistaloom-bench-batch"
cli="$build/cli/vistaloom-cli"

"$top/scripts/install-deps.sh"
if [ ! -d "$build" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vistaloom-bench-grabber vistaloom-bench-pipeline vistaloom-bench-batch vistaloom-cli -j2 >/dev/null

mkdir -p "$cache"
make_clip() { # name seconds
    local clip="$cache/$1.mp4"
    if [ ! -f "$clip" ]; then
        echo "making $clip (once)" >&2
        ffmpeg -y -hide_banner -loglevel error \
            -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$2" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$2" \
            -c:v libx264 -preset veryfast -g 250 -bf 3 -pix_fmt yuv420p -c:a aac -b:a 128k \
            -movflags +faststart "$cache/$1.tmp.mp4"
        mv "$cache/$1.tmp.mp4" "$clip"
    fi
    echo "$clip"
}
dense=$(make_clip dense 60)
sparse=$(make_clip sparse 600)
uhd="$cache/uhd-hevc10.mkv"
if [ ! -f "$uhd" ]; then
    echo "making $uhd (once, slow)" >&2
    ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=3840x2160:rate=24:duration=40" \
        -c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -x265-params keyint=240:log-level=error \
        "$cache/uhd-hevc10.tmp.mkv"
    mv "$cache/uhd-hevc10.tmp.mkv" "$uhd"
fi
if ! command -v ffmpegthumbnailer >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends ffmpegthumbnailer >/dev/null \
        || { $sudo apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive \
             $sudo apt-get install -y -q --no-install-recommends ffmpegthumbnailer >/dev/null; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cpu_ms FILE: user + system time in ms from a "%M %U %S" line of /usr/bin/time.
cpu_ms() { tail -n 1 "$1" | awk '{ printf "%d", ($2 + $3) * 1000 }'; }

# measure NAME COMMAND...: runs the command under /usr/bin/time, appends
# "<wall ms> <peak KB> <cpu ms>" to $work/NAME. CPU time, unlike wall time,
# hardly moves when other work shares the machine.
measure() {
    local name=$1; shift
    rm -rf "$work/out" && mkdir -p "$work/out"
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%M %U %S" -o "$work/time" "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000000 )) $(tail -n 1 "$work/time" | cut -d' ' -f1) $(cpu_ms "$work/time")" >> "$work/$name"
}

# The sparse ffmpeg side is one process per image: its wall time is the
# loop's, its peak memory the largest of the processes.
ffmpeg_sparse_loop() {
    local peak=0 kb cpu=0
    for t in "${sparse_seconds[@]}"; do
        /usr/bin/time -f "%M %U %S" -o "$work/loop-time" \
            ffmpeg -y -hide_banner -loglevel error -ss "$t" -i "$sparse" -frames:v 1 -q:v 2 "$work/out/$t.jpg"
        kb=$(tail -n 1 "$work/loop-time" | cut -d' ' -f1)
        [ "$kb" -gt "$peak" ] && peak=$kb
        cpu=$((cpu + $(cpu_ms "$work/loop-time")))
    done
    echo "$peak $cpu" > "$work/loop-peak"
}
measure_sparse_ffmpeg() {
    rm -rf "$work/out" && mkdir -p "$work/out"
    local start end
    start=$(date +%s%N)
    ffmpeg_sparse_loop
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000000 )) $(cat "$work/loop-peak")" >> "$work/sparse-ffmpeg"
}

# loop_measure NAME PEAKFILE-less COMMAND-TEMPLATE: times a loop over the
# positions in $loop_seconds, one process each; appends "<wall ms> <peak KB>".
loop_measure() {
    local name=$1 tool=$2 video=$3
    rm -rf "$work/out" && mkdir -p "$work/out"
    local peak=0 kb start end
    start=$(date +%s%N)
    for t in "${loop_seconds[@]}"; do
        if [ "$tool" = thumbnailer ]; then
            /usr/bin/time -f "%M" -o "$work/loop-time" ffmpegthumbnailer -i "$video" -o "$work/out/$t.jpg" \
                -t "$(printf '%02d:%02d:%02d' $((t / 3600)) $((t / 60 % 60)) $((t % 60)))" -s 0 -q 9 >/dev/null 2>&1
        else
            /usr/bin/time -f "%M" -o "$work/loop-time" \
                ffmpeg -y -hide_banner -loglevel error -ss "$t" -i "$video" -frames:v 1 -q:v 2 "$work/out/$t.jpg"
        fi
        kb=$(tail -n 1 "$work/loop-time")
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000000 )) $peak" >> "$work/$name"
}

dense_ms=(); dense_frames=()
for t in $(seq 2 5 57); do dense_ms+=("$((t * 1000))"); dense_frames+=("eq(n\\,$((t * 30)))"); done
dense_select=$(IFS=+; echo "${dense_frames[*]}")
sparse_ms=(); sparse_seconds=()
for t in $(seq 2 30 599); do sparse_ms+=("$((t * 1000))"); sparse_seconds+=("$t"); done
uhd_ms=(); uhd_seconds=()
for t in $(seq 2 4 38); do uhd_ms+=("$((t * 1000))"); uhd_seconds+=("$t"); done

for run in $(seq 1 "$runs"); do
    echo "run $run of $runs" >&2
    measure dense-ours "$grabber" "$dense" "$work/out" "${dense_ms[@]}"
    measure dense-ffmpeg ffmpeg -y -hide_banner -loglevel error -i "$dense" \
        -vf "select=$dense_select" -fps_mode passthrough -q:v 2 "$work/out/%03d.jpg"
    # The whole console program, as a user runs it (JPEG quality 90).
    measure dense-cli "$cli" "$dense" "$work/out" --ms 5000 --skipfront 2000 --skipback 2000
    measure sparse-ours "$grabber" "$sparse" "$work/out" "${sparse_ms[@]}"
    measure_sparse_ffmpeg
    measure sparse-cli "$cli" "$sparse" "$work/out" --ms 30000 --skipfront 2000 --skipback 0
    measure fast-ours env FAST=1 "$grabber" "$sparse" "$work/out" "${sparse_ms[@]}"
    loop_seconds=("${sparse_seconds[@]}")
    loop_measure fast-thumbnailer thumbnailer "$sparse"
    measure uhd-ours "$grabber" "$uhd" "$work/out" "${uhd_ms[@]}"
    measure uhd-fast env FAST=1 "$grabber" "$uhd" "$work/out" "${uhd_ms[@]}"
    loop_seconds=("${uhd_seconds[@]}")
    loop_measure uhd-ffmpeg ffmpeg "$uhd"
done

median() { # file column
    cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
peak() { cut -d' ' -f2 "$1" | sort -n | tail -n 1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

cores=$(nproc)
echo "runs=$runs"
for bench in dense sparse; do
    ours=$(median "$work/$bench-ours" 1)
    theirs=$(median "$work/$bench-ffmpeg" 1)
    ours_kb=$(peak "$work/$bench-ours")
    theirs_kb=$(peak "$work/$bench-ffmpeg")
    echo "${bench}_ours_ms=$ours ${bench}_ffmpeg_ms=$theirs ${bench}_time_ratio=$(ratio "$ours" "$theirs")"
    echo "${bench}_ours_peak_kb=$ours_kb ${bench}_ffmpeg_peak_kb=$theirs_kb ${bench}_memory_ratio=$(ratio "$ours_kb" "$theirs_kb")"
    ours_cpu=$(median "$work/$bench-ours" 3)
    theirs_cpu=$(median "$work/$bench-ffmpeg" 3)
    echo "${bench}_ours_cpu_ms=$ours_cpu ${bench}_ffmpeg_cpu_ms=$theirs_cpu ${bench}_cpu_ratio=$(ratio "$ours_cpu" "$theirs_cpu")"
    # The time ratio our CPU time would give with every core busy from
    # start to end: only less work, not better scheduling, gets below it.
    echo "${bench}_all_cores_floor=$(awk -v c="$ours_cpu" -v n="$cores" -v t="$theirs" 'BEGIN { printf "%.2f", c / n / t }') cores=$cores"
done
# pair NAME OURS THEIRS: the time and memory ratio of two measured series.
pair() {
    local ours theirs
    ours=$(median "$work/$2" 1); theirs=$(median "$work/$3" 1)
    echo "${1}_ours_ms=$ours ${1}_theirs_ms=$theirs ${1}_time_ratio=$(ratio "$ours" "$theirs")" \
        "${1}_memory_ratio=$(ratio "$(peak "$work/$2")" "$(peak "$work/$3")")"
}
pair fast fast-ours sparse-ffmpeg
pair fast_vs_thumbnailer fast-ours fast-thumbnailer
pair uhd uhd-ours uhd-ffmpeg
pair uhd_fast uhd-fast uhd-ffmpeg
for bench in dense sparse; do
    ours=$(median "$work/$bench-cli" 1)
    theirs=$(median "$work/$bench-ffmpeg" 1)
    echo "${bench}_cli_ms=$ours ${bench}_cli_time_ratio=$(ratio "$ours" "$theirs")" \
        "${bench}_cli_peak_kb=$(peak "$work/$bench-cli") ${bench}_cli_memory_ratio=$(ratio "$(peak "$work/$bench-cli")" "$(peak "$work/$bench-ffmpeg")")"
done
echo "targets: dense_time_ratio<=0.45 sparse_time_ratio<=0.30 fast_time_ratio<=0.10 fast_vs_thumbnailer<1.0 memory_ratio<=1.0"

if [ -x "$pipeline" ]; then
    # shellcheck disable=SC2086
    pipeline_ms=$("$pipeline" ${PIPELINE_ARGS:-} | sed -n 's/^pipeline_ms_per_image=//p' | tail -n 1)
    if [ -n "$pipeline_ms" ]; then
        dense_per_image=$(awk -v t="$(median "$work/dense-ours" 1)" -v n="${#dense_ms[@]}" 'BEGIN { printf "%.1f", t / n }')
        echo "pipeline_ms_per_image=$pipeline_ms dense_ours_ms_per_image=$dense_per_image" \
            "pipeline_share=$(awk -v p="$pipeline_ms" -v d="$dense_per_image" 'BEGIN { printf "%.2f", p / d }')"
    else
        echo "pipeline benchmark printed no pipeline_ms_per_image line"
    fi
else
    echo "pipeline benchmark not built ($pipeline)"
fi

# A long queue of short videos through the batch thread: resident memory
# after 20 jobs and after all of them shows any growth from job to job.
short="$cache/short-5s.mp4"
if [ ! -f "$short" ]; then
    ffmpeg -y -hide_banner -loglevel error -f lavfi -i "testsrc2=size=640x360:rate=30:duration=5" \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p "$cache/short-5s.tmp.mp4"
    mv "$cache/short-5s.tmp.mp4" "$short"
fi
jobs=${BATCH_JOBS:-200}
batch_start=$(date +%s%N)
/usr/bin/time -f "%M" -o "$work/batch-time" env QT_LOGGING_RULES="*.debug=false" QT_QPA_PLATFORM=offscreen \
    "$batch" --jobs "$jobs" "$short" | tee "$work/batch-out"
batch_ms=$(( ($(date +%s%N) - batch_start) / 1000000 ))
# The same 3 frames of each clip (0, 1.665 s and 3.33 s at 30 fps) by one
# ffmpeg process per clip.
rm -rf "$work/out" && mkdir -p "$work/out"
loop_start=$(date +%s%N)
loop_peak=0
for i in $(seq 1 "$jobs"); do
    /usr/bin/time -f "%M" -o "$work/loop-time" ffmpeg -y -hide_banner -loglevel error -i "$short" \
        -vf "select=eq(n\\,0)+eq(n\\,50)+eq(n\\,100)" -fps_mode passthrough -q:v 2 "$work/out/$i-%d.jpg"
    kb=$(tail -n 1 "$work/loop-time"); [ "$kb" -gt "$loop_peak" ] && loop_peak=$kb
done
loop_ms=$(( ($(date +%s%N) - loop_start) / 1000000 ))
images=$(sed -n 's/.* images=\([0-9]*\).*/\1/p' "$work/batch-out")
loop_images=$(find "$work/out" -name '*.jpg' | wc -l)
echo "batch_images_per_s=$(awk -v n="$images" -v t="$batch_ms" 'BEGIN { printf "%.1f", n * 1000 / t }')" \
    "ffmpeg_loop_images_per_s=$(awk -v n="$loop_images" -v t="$loop_ms" 'BEGIN { printf "%.1f", n * 1000 / t }')" \
    "batch_time_ratio=$(ratio "$batch_ms" "$loop_ms")" \
    "batch_memory_ratio=$(ratio "$(tail -n 1 "$work/batch-time")" "$loop_peak")"
