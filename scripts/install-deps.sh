#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build and the tests need.
# Only what is missing is installed, so a second run costs one dpkg query.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-positioning-dev libqt6positioning6-plugins
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev libopencv-dnn-dev libdnnl-dev
  libheif-dev libx265-dev libcurl4-openssl-dev nlohmann-json3-dev libcpp-httplib-dev libicu-dev
  liblcms2-dev libplist-dev libpng-dev libwebp-dev libtiff-dev libjpeg-dev
  libheif-examples libimage-exiftool-perl libplist-utils
  libgtest-dev libgmock-dev
  fonts-dejavu-core xvfb xauth qt6-qpa-plugins qt6-image-formats-plugins shared-mime-info
  desktop-file-utils locales
  plasma-workspace-wallpapers
  libglib2.0-dev libgnome-bg-4-dev gsettings-desktop-schemas dconf-gsettings-backend qt6-declarative-dev libxml2-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  sudo=sudo
else
  sudo=
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
