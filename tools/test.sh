#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with ctest.
# When no sound server is reachable it starts a private PulseAudio daemon with
# a null sink for the playback tests, and stops it afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh

pulse_dir=""
cleanup() {
  if [[ -n "$pulse_dir" ]]; then
    XDG_RUNTIME_DIR="$pulse_dir" pulseaudio --kill >/dev/null 2>&1 || true
    rm -rf "$pulse_dir"
  fi
}
trap cleanup EXIT

if ! pactl info >/dev/null 2>&1; then
  pulse_dir=$(mktemp -d /tmp/tunevault-pulse.XXXXXX)
  export XDG_RUNTIME_DIR="$pulse_dir"
  export PULSE_RUNTIME_PATH="$pulse_dir/pulse"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load=module-null-sink --load=module-native-protocol-unix \
    --log-target=file:"$pulse_dir/pulse.log" || echo "warning: could not start PulseAudio"
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi

ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
