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

# Without a choice of tests by label or name, "package" is excluded. ctest excludes a test only
# when every -LE matches it, so a -LE given here gets "package" beside it rather than a second
# -LE of its own.
arguments=("$@")
chosen=false
excluding=false
for argument in "$@"; do
    case "$argument" in
        -L|--label-regex|-R|--tests-regex) chosen=true ;;
        -LE|--label-exclude) excluding=true ;;
    esac
done
if ! $chosen; then
    arguments=()
    while [[ $# -gt 0 ]]; do
        arguments+=("$1")
        if [[ $# -gt 1 && ( "$1" == -LE || "$1" == --label-exclude ) ]]; then
            arguments+=("($2)|^package\$")
            shift
        fi
        shift
    done
    $excluding || arguments+=(-LE package)
fi
ctest --test-dir "$build" --output-on-failure "${arguments[@]}"
