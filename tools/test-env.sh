# Shared by the test command and the soak script (sourced, not run): the sanitised test build
# and a private Xvfb for the tests that need a real X server.

# Installs what the tests need and builds the test build in $1 (targets: the rest, or all).
build_test_build() {
    local build=$1
    shift
    tools/install-deps.sh --test
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTILORA_SANITIZE=ON -DTILORA_BENCH=OFF \
        >/dev/null
    local targets=()
    [[ $# -gt 0 ]] && targets=(--target "$@")
    cmake --build "$build" -j"$(nproc)" "${targets[@]}"
}

# Starts Xvfb on a display number it picks itself, stops it when the script ends, and
# exports TILORA_E2E_DISPLAY and the sanitizer options.
start_test_display() {
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
}
