#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tunevault
# need, when any of them is missing. Safe to run again: it does nothing when
# everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
  libpulse-dev
  googletest libgtest-dev libgmock-dev
  libtag1-dev
  ca-certificates
  zlib1g-dev libsqlite3-dev
  pulseaudio pulseaudio-utils
  fonts-dejavu-core
  dbus-daemon desktop-file-utils appstream dpkg-dev file
  lame
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
