#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the programs and the tests need,
# only those that are missing, so a second run costs nothing.
# help2man makes the man page; dpkg-dev (dpkg-shlibdeps) and file let cpack
# declare the package's dependencies; man-db and bsdextrautils (col) let
# scripts/check-package.sh read the packaged man page; lintian checks the
# package there against Debian's policy. exiv2 and libimage-exiftool-perl are
# for the tests only: they read back the metadata of the saved images.
set -euo pipefail

packages=(
    cmake g++ pkg-config make
    qtbase5-dev libqt5svg5-dev qttools5-dev-tools qt5-image-formats-plugins kimageformat-plugins
    libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev
    libmpv-dev
    libopencv-core-dev libopencv-imgproc-dev
    libexiv2-dev
    ffmpeg xvfb xauth time
    exiv2 libimage-exiftool-perl
    libgl1-mesa-dri fonts-dejavu-core
    help2man dpkg-dev file man-db bsdextrautils lintian
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
