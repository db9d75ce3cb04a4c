#!/usr/bin/env bash
# Installs what is missing, builds the sanitised test build and runs the whole suite: the
# unit and widget tests offscreen, the end-to-end tests against a private Xvfb server, the
# replays of the fuzz corpora and a short soak.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/test-env.sh
build=build/tests
build_test_build "$build"
start_test_display
ctest --test-dir "$build" --output-on-failure "$@"
