#!/usr/bin/env bash
# Plays many games in a row in the real program (sanitised build, private Xvfb) and prints
# the figures: games, seconds, resident memory after the first game and at the end.
#   tools/soak.sh [GAMES]      default 200
# Environment: TILORA_SOAK_BUILD (build folder, default build/tests, the test build),
# TILORA_SOAK_SEED (the random presses and choices).
set -euo pipefail
cd "$(dirname "$0")/.."
games=${1:-200}
tools/install-deps.sh --test
build=${TILORA_SOAK_BUILD:-build/tests}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTILORA_SANITIZE=ON -DTILORA_BENCH=OFF \
    >/dev/null
cmake --build "$build" -j"$(nproc)" --target e2e_tst_soak tilora

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
export QT_QPA_PLATFORM=offscreen
export TILORA_SOAK_GAMES=$games
# QtTest ends a test function after five minutes unless told otherwise.
export QTEST_FUNCTION_TIMEOUT=$((24 * 3600 * 1000))
log=$(mktemp)
status=0
"$build/tests/e2e_tst_soak" 2>&1 | tee "$log" || status=$?
echo
grep -E '^QINFO.*(soak:|game [0-9]+:)' "$log" | sed 's/^QINFO *: *[^ ]* *//' || true
rm -f "$log"
exit $status
