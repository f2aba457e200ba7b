#!/usr/bin/env bash
# Scene and smart modes against ffmpeg, in one run.
#   Choice: a clip of known transitions (hard cuts, a cut between two
#           similar pictures, a dissolve, a fade through black) and of
#           things that are no transition (a flash, a pan, a zoom, fast
#           motion). Prints precision and recall of `--scenes` and of
#           ffmpeg's select='gt(scene,0.3)' on it. A detection counts for
#           a cut from 200 ms before it to 700 ms after it, and for a gradual
#           transition from its middle (the new shot half in; earlier is a
#           picture of the old shot) to 700 ms after its end; each
#           transition is matched once.
#   Speed:  on the benchmark's 60 s 1080p30 clip, the median of RUNS runs:
#           `--scenes` against ffmpeg's scdet filter and a bare ffmpeg
#           decode, and `--ms 2000 --smart` against the plain `--ms 2000`;
#           and `--scenes` against scdet on a 60 s 1080p30 clip with a cut
#           every 2 s on pictures nothing refers to (the worst case).
# Clips are made once and kept in bench/cache/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-"$top/build"}
cache="$top/bench/cache"
runs=${RUNS:-3}
cli="$build/cli/vistaloom-cli"

"$top/scripts/install-deps.sh"
if [ ! -d "$build" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vistaloom-cli -j2 >/dev/null
mkdir -p "$cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -y -hide_banner -loglevel error "$@"; }

# Shots of 3 s at 640x360, 30 fps; the transitions and their spans in ms.
choice="$cache/transitions.mp4"
truth="$cache/transitions.txt"
if [ ! -f "$choice" ]; then
    echo "making $choice (once)" >&2
    s="s=640x360:r=30"
    ff -filter_complex "
        testsrc2=$s:d=3,format=yuv420p,setsar=1,settb=AVTB[a];
        smptebars=$s:d=3,format=yuv420p,setsar=1,settb=AVTB[b];
        smptehdbars=$s:d=3,format=yuv420p,setsar=1,settb=AVTB[c];
        mandelbrot=$s,trim=duration=3,setpts=PTS-STARTPTS,format=yuv420p,setsar=1,settb=AVTB[d];
        rgbtestsrc=$s:d=3,format=yuv420p,setsar=1,settb=AVTB[e];
        testsrc2=$s:d=3,hue=h=120,drawbox=x=0:y=0:w=iw:h=ih:c=white:t=fill:enable='between(t,1.5,1.56)',format=yuv420p,setsar=1,settb=AVTB[f];
        smptehdbars=s=1920x360:r=30:d=3,crop=640:360:x='t*400':y=0,format=yuv420p,setsar=1,settb=AVTB[g];
        testsrc2=$s:d=3,zoompan=z='1+on/60':d=1:s=640x360:fps=30,format=yuv420p,setsar=1,settb=AVTB[h];
        life=s=640x360:r=30:mold=10:ratio=0.5,trim=duration=3,setpts=PTS-STARTPTS,format=yuv420p,setsar=1,settb=AVTB[i];
        [a][b]concat=n=2:v=1[ab];
        [ab][c]concat=n=2:v=1,settb=AVTB[abc];
        [abc][d]xfade=transition=fade:duration=1:offset=8[abcd];
        [abcd][e]xfade=transition=fadeblack:duration=1:offset=10,settb=AVTB[abcde];
        [abcde][f]concat=n=2:v=1[abcdef];
        [abcdef][g]concat=n=2:v=1[abcdefg];
        [abcdefg][h]concat=n=2:v=1[abcdefgh];
        [abcdefgh][i]concat=n=2:v=1,format=yuv420p[v]" \
        -map "[v]" -c:v libx264 -preset veryfast -crf 18 "$cache/transitions.tmp.mp4"
    mv "$cache/transitions.tmp.mp4" "$choice"
    # start end (ms) of each transition: the cuts at 3 s and 6 s, the
    # dissolve from 8 s and the fade through black from 10 s (1 s each),
    # the cuts at 13, 16, 19 and 22 s. The flash at 14.5 s, the pan
    # (16-19 s), the zoom (19-22 s) and the motion of every shot are none.
    printf '%s\n' "3000 3000" "6000 6000" "8000 9000" "10000 11000" "13000 13000" "16000 16000" \
        "19000 19000" "22000 22000" > "$truth"
fi

# score NAME FILE: FILE holds one detection time in ms a line.
score() {
    awk -v name="$1" 'NR == FNR { start[++n] = $1; stop[n] = $2; next }
        { found[++m] = $1 }
        END {
            hits = 0
            for (i = 1; i <= n; ++i) {
                from = start[i] == stop[i] ? start[i] - 200 : (start[i] + stop[i]) / 2
                for (j = 1; j <= m; ++j)
                    if (!used[j] && found[j] >= from && found[j] <= stop[i] + 700) {
                        used[j] = 1; ++hits; break
                    }
            }
            printf "%s_precision=%.2f %s_recall=%.2f (%d of %d detections right, %d of %d transitions found)\n",
                name, m ? hits / m : 0, name, n ? hits / n : 0, hits, m, hits, n
        }' "$truth" "$2"
}

mkdir "$work/ours"
"$cli" "$choice" "$work/ours" --scenes --skipfront 0 --skipback 0 --filename '{ms}' --filesuffix _ \
    --filetype bmp >/dev/null
# The first frame is the span's image, not a detection.
ls "$work/ours" | sed 's/_.*//' | sort -n | awk '$1 > 0' > "$work/ours.txt"
ffmpeg -hide_banner -i "$choice" -vf "select='gt(scene,0.3)',showinfo" -f null - 2>&1 \
    | sed -n 's/.*pts_time:\([0-9.]*\).*/\1/p' | awk '{ printf "%d\n", $1 * 1000 }' > "$work/ffmpeg.txt"
echo "detections, ours: $(tr '\n' ' ' < "$work/ours.txt")"
echo "detections, ffmpeg: $(tr '\n' ' ' < "$work/ffmpeg.txt")"
score scenes "$work/ours.txt"
score ffmpeg_select "$work/ffmpeg.txt"

dense="$cache/dense.mp4"
if [ ! -f "$dense" ]; then
    echo "making $dense (once)" >&2
    ff -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=60" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=60" \
        -c:v libx264 -preset veryfast -g 250 -bf 3 -pix_fmt yuv420p -c:a aac -b:a 128k \
        -movflags +faststart "$cache/dense.tmp.mp4"
    mv "$cache/dense.tmp.mp4" "$dense"
fi

# The worst case for leaving pictures out: a cut every 2 s, each on a
# picture nothing refers to, so the walk has to go back for every one.
cuts="$cache/cuts.mp4"
if [ ! -f "$cuts" ]; then
    echo "making $cuts (once)" >&2
    ff -f lavfi -i "testsrc2=s=1920x1080:r=30:d=60" -f lavfi -i "smptehdbars=s=1920x1080:r=30:d=60" \
        -filter_complex "[0][1]blend=all_expr='if(lt(mod(T,4),2),A,B)'" -c:v libx264 -preset veryfast \
        -x264-params scenecut=0:b-adapt=0:bframes=3 -pix_fmt yuv420p "$cache/cuts.tmp.mp4"
    mv "$cache/cuts.tmp.mp4" "$cuts"
fi

# median_ms COMMAND...: the median wall time of RUNS runs, in ms.
median_ms() {
    local times=()
    for ((i = 0; i < runs; ++i)); do
        rm -rf "$work/out" && mkdir "$work/out"
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}

scenes=$(median_ms "$cli" "$dense" "$work/out" --scenes)
scdet=$(median_ms ffmpeg -hide_banner -loglevel error -i "$dense" -vf scdet -f null -)
decode=$(median_ms ffmpeg -hide_banner -loglevel error -i "$dense" -f null -)
plain=$(median_ms "$cli" "$dense" "$work/out" --ms 2000)
smart=$(median_ms "$cli" "$dense" "$work/out" --ms 2000 --smart)
cutScenes=$(median_ms "$cli" "$cuts" "$work/out" --scenes)
cutScdet=$(median_ms ffmpeg -hide_banner -loglevel error -i "$cuts" -vf scdet -f null -)
echo "scenes_ms=$scenes scdet_ms=$scdet decode_ms=$decode plain_ms=$plain smart_ms=$smart"
echo "cuts: scenes_ms=$cutScenes scdet_ms=$cutScdet"
awk -v a="$scenes" -v b="$scdet" -v c="$decode" -v p="$plain" -v s="$smart" -v ca="$cutScenes" -v cb="$cutScdet" 'BEGIN {
    printf "scenes_vs_scdet=%.2f scenes_vs_decode=%.2f smart_vs_plain=%.2f cuts_scenes_vs_scdet=%.2f\n",
        a / b, a / c, s / p, ca / cb }'
