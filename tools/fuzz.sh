#!/usr/bin/env bash
# Fuzzes the places where outside bytes enter the program, each target for a given time.
#   tools/fuzz.sh SECONDS [TARGET...]     targets: region ini picture highscore png gif webp tiff
#                                         icopng wmf emf (default: all)
# Runs as many targets at once as there are cores, then adds what each run found that the
# committed corpus tests/fuzz/corpus/<target> does not cover yet (libFuzzer's -merge=1), and
# prints executions, speed, the slowest input and findings per target. Inputs that crash a target
# or take longer than 10 s (the picture targets: 3 s, or 256 MB in one allocation) are kept in
# tests/fuzz/crashes/<target>, where the test command replays them. The targets of single
# picture formats take inputs of up to 1 MB, enough for data that inflates to the limits.
# Environment: TILORA_FUZZ_BUILD (build folder, default build/fuzz), TILORA_FUZZ_JOBS (targets
# at once, default the number of cores), TILORA_FUZZ_ARGS (more libFuzzer options; with
# "-fork=1 -ignore_crashes=1" a run goes on after a finding that is not fixed yet).
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(region ini picture highscore png gif webp tiff icopng wmf emf)
if [[ $# -lt 1 || ! "$1" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [${all_targets[*]}]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
    [[ -f tests/fuzz/fuzz_$target.cpp ]] || { echo "unknown target: $target" >&2; exit 2; }
done

tools/install-deps.sh --fuzz
build=${TILORA_FUZZ_BUILD:-build/fuzz}
# -O1 keeps the speed the fuzzer needs and the stacks readable; Debug keeps Qt's assertions.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTILORA_FUZZ=ON -DTILORA_TESTS=OFF -DTILORA_BENCH=OFF \
    >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

work="$build/work"
logs="$build/logs"
mkdir -p "$logs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
    local target=$1
    local started
    started=$(date +%s)
    local corpus=tests/fuzz/corpus/$target
    local crashes=tests/fuzz/crashes/$target
    mkdir -p "$work/$target" "$crashes"
    local dictionary=()
    [[ -f tests/fuzz/$target.dict ]] && dictionary=(-dict="tests/fuzz/$target.dict")
    # A slow input is a finding (slow-unit-* beside the crashes). Decoding a picture must stay
    # well under a second whatever the file: the picture target decodes each input twice and
    # checks the processor time of each decode itself, since wall time depends on the load.
    local limits=(-timeout=120)
    case $target in
        picture) limits=(-timeout=10 -report_slow_units=3 -malloc_limit_mb=256) ;;
        png | gif | webp | tiff | icopng | wmf | emf)
            limits=(-timeout=10 -report_slow_units=3 -malloc_limit_mb=256 -max_len=1048576) ;;
    esac
    # The work corpus comes first: new inputs go there, the committed one is only read.
    # shellcheck disable=SC2086
    "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        "${limits[@]}" -rss_limit_mb=2560 -artifact_prefix="$crashes/" "${dictionary[@]}" \
        ${TILORA_FUZZ_ARGS:-} "$work/$target" "$corpus" >"$logs/$target.log" 2>&1 || true
    echo $(($(date +%s) - started)) >"$logs/$target.seconds"
}

declare -A crashes_before
for target in "${targets[@]}"; do
    crashes_before[$target]=$(find "tests/fuzz/crashes/$target" -type f 2>/dev/null | wc -l)
done

started=$(date +%s)
running=0
for target in "${targets[@]}"; do
    if [[ $running -ge ${TILORA_FUZZ_JOBS:-$(nproc)} ]]; then
        wait -n || true
        running=$((running - 1))
    fi
    echo "fuzzing $target for $seconds s (log: $logs/$target.log)"
    run_target "$target" &
    running=$((running + 1))
done
wait

status=0
printf '\n%-10s %12s %8s %8s %8s %8s %s\n' target executions exec/s seconds slowest corpus \
    findings
for target in "${targets[@]}"; do
    corpus=tests/fuzz/corpus/$target
    log=$logs/$target.log
    # Keep what reaches code the committed inputs do not (edges, not counts, to stay small).
    "$build/tests/fuzz/fuzz_$target" -merge=1 -use_counters=0 "$corpus" "$work/$target" \
        >"$logs/$target-merge.log" 2>&1 || echo "merging $target failed: $logs/$target-merge.log"
    stat_of() { sed -n "s/^stat::$1: *//p" "$log" | tail -n 1; }
    executions=$(stat_of number_of_executed_units)
    speed=$(stat_of average_exec_per_sec)
    duration=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
    slowest=$(stat_of slowest_unit_time_sec)
    # With -fork the figures are in the last progress line: "#N: ... exec/s S ... time: Ts".
    progress=$(grep -a '^#[0-9]*: cov:' "$log" | tail -n 1 || true)
    if [[ -z "$executions" && -n "$progress" ]]; then
        executions=$(sed 's/^#\([0-9]*\):.*/\1/' <<<"$progress")
        speed=$(sed -n 's/.* exec\/s \([0-9]*\) .*/\1/p' <<<"$progress")
        duration=$(sed -n 's/.* time: \([0-9]*\)s.*/\1/p' <<<"$progress")
    fi
    [[ -n "$duration" ]] || duration=$(cat "$logs/$target.seconds" 2>/dev/null || echo '?')
    files=$(find "$corpus" -maxdepth 1 -type f | wc -l)
    found=$(($(find "tests/fuzz/crashes/$target" -type f | wc -l) - crashes_before[$target]))
    findings="$found new"
    if [[ $found -gt 0 ]] \
        || grep -qE '^==[0-9]+==ERROR|deadly signal|property broken|Slowest unit' "$log"
    then
        findings="$found new, see $log"
        status=1
    fi
    printf '%-10s %12s %8s %8s %8s %8s %s\n' "$target" "${executions:-?}" "${speed:-?}" \
        "${duration:-?}" "${slowest:-?}s" "$files" "${findings}"
done
echo "total time: $(($(date +%s) - started)) s; committed corpora:" \
    "$(find tests/fuzz/corpus -type f | wc -l) files," \
    "$(find tests/fuzz/corpus -type f -exec cat {} + | wc -c) bytes"
exit $status
