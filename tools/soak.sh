#!/usr/bin/env bash
# Plays many games in a row in the real program (sanitised build, private Xvfb) and prints
# the figures: games, seconds, resident memory after the first game and at the end.
#   tools/soak.sh [GAMES]      default 200
# Environment: TILORA_SOAK_BUILD (build folder, default build/tests, the test build),
# TILORA_SOAK_SEED (the random presses and choices).
set -euo pipefail
cd "$(dirname "$0")/.."
games=${1:-200}
source tools/test-env.sh
build=${TILORA_SOAK_BUILD:-build/tests}
build_test_build "$build" e2e_tst_soak tilora
start_test_display
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
