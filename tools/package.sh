#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package
# build/tunevault_VERSION_ARCH.deb from the installed set.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
cd build
cpack -G DEB
