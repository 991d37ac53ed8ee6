#!/usr/bin/env bash
# Configures and builds Tunevault into build/ (all executables in build/bin),
# with warnings in our own code treated as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [[ ! -f build/CMakeCache.txt ]]; then
  cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNEVAULT_WERROR=ON
elif ! grep -q '^TUNEVAULT_WERROR:BOOL=ON$' build/CMakeCache.txt; then
  cmake -S . -B build -DTUNEVAULT_WERROR=ON
fi
cmake --build build --parallel "$(nproc)"
