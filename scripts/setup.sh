#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; does nothing
# when all are present. Uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ cmake make pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins fonts-ipafont-gothic
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-plugins-ugly
  libopencv-core-dev libopencv-imgproc-dev
  libdlib-dev libopencv-objdetect-dev opencv-data libopencv-imgcodecs-dev
  imagemagick
  librsvg2-bin dpkg-dev file xdg-user-dirs
  lintian desktop-file-utils appstream man-db
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: need root or sudo to install packages" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q "${missing[@]}"
