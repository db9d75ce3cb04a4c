#!/usr/bin/env bash
# Installs what is missing, builds the sanitised test build and runs the suite: the unit and
# widget tests offscreen, the end-to-end tests against a private Xvfb server, the replays of
# the fuzz corpora and a short soak. The package test (label "package") is left to
# tools/make-deb.sh unless the arguments choose tests by label or name.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/test-env.sh
build=build/tests
build_test_build "$build"
start_test_display
selection=(-LE package)
for argument in "$@"; do
    case "$argument" in
        -LE*|--label-exclude*) ;;
        -L*|--label-regex*|-R*|--tests-regex*) selection=() ;;
    esac
done
ctest --test-dir "$build" --output-on-failure "${selection[@]}" "$@"
