#!/usr/bin/env bash
# Installs what is missing, builds the sanitised test build and runs the whole suite: the
# unit and widget tests offscreen, the end-to-end tests against a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --test
build=build/tests
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTILORA_SANITIZE=ON -DTILORA_BENCH=OFF \
    >/dev/null
cmake --build "$build" -j"$(nproc)"

# One Xvfb for the whole run, on a display number it picks itself.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$display_file" \
    >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 100); do
    [[ -s "$display_file" ]] && break
    sleep 0.1
done
if [[ ! -s "$display_file" ]]; then
    echo "Xvfb did not start" >&2
    exit 1
fi
export TILORA_E2E_DISPLAY=":$(head -n 1 "$display_file")"
DISPLAY="$TILORA_E2E_DISPLAY" xsetroot -solid '#10e0b0'

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure "$@"
