#!/usr/bin/env bash
# Makes the Debian package (reusing build/ or BUILD_DIR, so a current build
# costs only cpack), unpacks it into a temporary root and checks what a user
# gets: the console program runs from there on the system's libraries, the
# man pages render, the bash completion loads and completes, the control
# file declares the libraries the programs need, and lintian finds no error.
# Exits non-zero on any fault.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS

"$top/scripts/install-deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! "$top/scripts/package.sh" >"$work/package.log" 2>&1; then
    cat "$work/package.log" >&2
    echo "check-package: making the package failed" >&2
    exit 1
fi
deb=$(tail -n 1 "$work/package.log")
echo "Package: $deb"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; [ -z "${2:-}" ] || printf '%s\n' "$2" | sed 's/^/     /'; }

root="$work/root"
mkdir "$root"
dpkg -x "$deb" "$root"

# The control fields.
version=$(dpkg-deb -f "$deb" Version)
if [ "$(dpkg-deb -f "$deb" Package)" = vistaloom ] && [ -n "$version" ]; then
    pass "package vistaloom, version $version"
else
    fail "package name or version" "$(dpkg-deb -f "$deb" Package Version)"
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
missing=()
for library in libqt5core5a libqt5gui5 libqt5widgets5 libqt5svg5 qt5-image-formats-plugins kimageformat-plugins \
    'libavcodec[0-9]+' 'libavfilter[0-9]+' 'libavformat[0-9]+' 'libavutil[0-9]+' 'libswscale[0-9]+' \
    'libmpv[0-9]+' 'libopencv-core[0-9]+' 'libopencv-imgproc[0-9]+' 'libexiv2-[0-9]+'; do
    if ! grep -Eq "(^|[ ,|])$library( |,|$)" <<<"$depends"; then
        missing+=("$library")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    pass "Depends lists the Qt, FFmpeg, mpv, OpenCV and exiv2 libraries and the Qt plugins"
else
    fail "Depends lacks: ${missing[*]}"
fi

# The files a user expects, where Debian looks for them.
absent=()
for file in usr/bin/vistaloom usr/bin/vistaloom-cli usr/share/applications/vistaloom.desktop \
    usr/share/icons/hicolor/scalable/apps/vistaloom.svg \
    usr/share/icons/hicolor/1024x1024/apps/vistaloom.png \
    usr/share/man/man1/vistaloom.1.gz usr/share/man/man1/vistaloom-cli.1.gz \
    usr/share/bash-completion/completions/vistaloom-cli \
    usr/share/doc/vistaloom/copyright usr/share/doc/vistaloom/changelog.gz; do
    [ -f "$root/$file" ] || absent+=("$file")
done
if [ ${#absent[@]} -eq 0 ]; then
    pass "programs, desktop entry, icons, man pages, completion, copyright and changelog are in place"
else
    fail "missing from the package: ${absent[*]}"
fi
# Debug information would multiply the package's size.
unstripped=$(file "$root/usr/bin/vistaloom" "$root/usr/bin/vistaloom-cli" | grep -v ', stripped' || true)
if [ -z "$unstripped" ]; then
    pass "the programs are stripped"
else
    fail "programs not stripped" "$unstripped"
fi

# The unpacked console program, on the system's libraries and without a
# display.
cli="$root/usr/bin/vistaloom-cli"
status=0
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$cli" --version 2>&1) || status=$?
if [ $status -eq 0 ] && [ "$output" = "Vistaloom $version" ]; then
    pass "vistaloom-cli --version prints: $output"
else
    fail "vistaloom-cli --version (exit $status), expected \"Vistaloom $version\"" "$output"
fi
mkdir "$work/images"
status=0
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$cli" "$top/resources/samples/sample.mp4" \
    "$work/images" --count 1 --filetype tiff 2>&1) || status=$?
if [ $status -eq 0 ] && [ -s "$work/images/sample.tiff" ]; then
    pass "vistaloom-cli saves a TIFF image from the bundled sample"
else
    fail "vistaloom-cli job (exit $status) made no sample.tiff" "$output"
fi

# The man page, as man shows it; groff's warnings would show as garbled text.
page="$root/usr/share/man/man1/vistaloom-cli.1.gz"
status=0
text=$(MANPAGER=cat MANWIDTH=80 man -l "$page" 2>"$work/man.err" | col -b) || status=$?
if [ $status -eq 0 ] && grep -q -- '--filetype' <<<"$text" && grep -q '^EXIT STATUS' <<<"$text" \
    && grep -q 'vistaloom-cli - ' <<<"$text"; then
    pass "man -l renders the page with its options and exit status"
else
    fail "man -l on the page (exit $status)" "$(cat "$work/man.err"; head -n 20 <<<"$text")"
fi
for page in "$page" "$root/usr/share/man/man1/vistaloom.1.gz"; do
    warnings=$(MANPAGER=cat man --warnings -l "$page" 2>&1 >/dev/null || true)
    if [ -z "$warnings" ]; then
        pass "$(basename "$page") renders without groff warnings"
    else
        fail "groff warns about $(basename "$page")" "$warnings"
    fi
done

# The completion: valid bash, registered for vistaloom-cli once sourced, and
# offering the options and file types.
completion="$root/usr/share/bash-completion/completions/vistaloom-cli"
if bash -n "$completion" 2>"$work/bash.err"; then
    pass "bash -n accepts the completion"
else
    fail "bash -n on the completion" "$(cat "$work/bash.err")"
fi
status=0
output=$(bash --norc --noprofile -c '
    source "$1"
    complete -p vistaloom-cli
    offer() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); _vistaloom_cli; echo "${COMPREPLY[*]}"; }
    offer vistaloom-cli --files
    offer vistaloom-cli video.mp4 out --filetype t
' _ "$completion" 2>&1) || status=$?
expected="complete -F _vistaloom_cli vistaloom-cli
--filesuffix
tiff tif"
if [ $status -eq 0 ] && [ "$output" = "$expected" ]; then
    pass "sourcing the completion registers it for vistaloom-cli, and it completes"
else
    fail "completion (exit $status)" "$output"
fi

# Debian's policy, as lintian checks it: an error fails, a warning is shown.
status=0
report=$(lintian --fail-on error "$deb" 2>"$work/lintian.err") || status=$?
if [ $status -eq 0 ] && ! grep -q '^E: ' <<<"$report"; then
    pass "lintian reports no errors"
    [ -z "$report" ] || printf '%s\n' "$report" | sed 's/^/     /'
else
    fail "lintian (exit $status)" "$report$(grep -v 'root privileges' "$work/lintian.err" || true)"
fi

echo "Checked in $((SECONDS - started)) s"
echo "check-package: $passed passed, $failed failed"
[ $failed -eq 0 ]
