#!/usr/bin/env bash
# Builds the tests that hand work to the worker pool with ThreadSanitizer
# (-DTUNEVAULT_TSAN=ON) into build-tsan/ and runs them; any data race or
# other report fails the run.
#
#   tools/tsan.sh [GTEST_FILTER]
#
# The tests run with a home folder of their own, as in tools/test.sh; the
# playback tests are not among them, so no sound server is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
filter="${1:-*}"

build=build-tsan
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S . -B $build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNEVAULT_TSAN=ON
fi
targets=(workers_test catalogue_test mainwindow_test tagtools_test)
cmake --build $build --target "${targets[@]}" -j2

run_dir=$(mktemp -d /tmp/tunevault-tsan.XXXXXX)
trap 'rm -rf "$run_dir"' EXIT
mkdir -p "$run_dir/home" "$run_dir/runtime"
chmod 700 "$run_dir/runtime"
export HOME="$run_dir/home" XDG_RUNTIME_DIR="$run_dir/runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export QT_QPA_PLATFORM=offscreen
# Qt is not built with ThreadSanitizer: its own threads (the file dialogs'
# gatherer) and locks are invisible to it, so what the library does inside
# itself is not checked; every access made by our code still is.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 ${TSAN_OPTIONS:-}"
for t in "${targets[@]}"; do
  echo "== $t"
  "$build/bin/$t" --gtest_filter="$filter"
done
