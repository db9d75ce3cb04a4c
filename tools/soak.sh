#!/usr/bin/env bash
# Plays many games in a row in the real program under a private Xvfb and prints the figures:
# games, seconds, resident memory after the first game and at the end. Two runs: the sanitised
# test build (no crash, no undefined behaviour, no leak at the end) and a plain optimised build
# (resident memory at the end within the first game's plus 10 %).
#   tools/soak.sh [GAMES]      default 200
# Environment: TILORA_SOAK_BUILD (sanitised build folder, default build/tests, the test build),
# TILORA_SOAK_PLAIN_BUILD (default build/soak), TILORA_SOAK_SEED (the random presses and
# choices).
set -euo pipefail
cd "$(dirname "$0")/.."
games=${1:-200}
source tools/test-env.sh
build=${TILORA_SOAK_BUILD:-build/tests}
plain=${TILORA_SOAK_PLAIN_BUILD:-build/soak}
build_test_build "$build" e2e_tst_soak tilora
cmake -S . -B "$plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILORA_SANITIZE=OFF \
    -DTILORA_BENCH=OFF >/dev/null
cmake --build "$plain" -j"$(nproc)" --target e2e_tst_soak tilora
start_test_display
export QT_QPA_PLATFORM=offscreen
export TILORA_SOAK_GAMES=$games
# QtTest ends a test function after five minutes unless told otherwise.
export QTEST_FUNCTION_TIMEOUT=$((24 * 3600 * 1000))

status=0
summary=()
for folder in "$build" "$plain"; do
    log=$(mktemp)
    echo "== $folder"
    "$folder/tests/e2e_tst_soak" 2>&1 | tee "$log" || status=1
    summary+=("$folder: $(grep -E '^QINFO.*soak:' "$log" | sed 's/^QINFO *: *[^ ]* *soak: *//')")
    grep -qE '^Totals: [0-9]+ passed, 0 failed' "$log" || summary+=("$folder: FAILED")
    rm -f "$log"
done
echo
printf '%s\n' "${summary[@]}"
exit $status
