#!/usr/bin/env bash
# Coverage-guided fuzzing: libFuzzer with AddressSanitizer, UBSan and leak detection.
#   scripts/fuzz.sh [seconds per target]     (default 60; also FUZZ_SECONDS)
# Builds build-fuzz/ with clang, replays each target's committed seeds (tests/fuzz/seeds/<Name>/),
# then fuzzes each target for that time, FUZZ_JOBS (default 2) at a time, with its dictionary. An
# input that crashes, leaks, runs over a second or takes more than FUZZ_RSS_LIMIT_MB (default 2048)
# fails the run and its path is printed; `build-fuzz/<Name> <file>` replays it. What the fuzzer
# learns goes to build-fuzz/corpus/<Name>/, never into the repository.
set -euo pipefail
source "$(dirname "$0")/common.sh"

seconds="${1:-${FUZZ_SECONDS:-60}}"
jobs="${FUZZ_JOBS:-2}"
rss_limit_mb="${FUZZ_RSS_LIMIT_MB:-2048}"

# The units under test read with the product's own packages; libFuzzer and the sanitizer runtimes
# come with libclang-rt-14-dev, the symbolizer for readable stacks with llvm-14.
install_packages "${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev llvm-14

dir="$ROOT/build-fuzz"
build_tree "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVO_LIBFUZZER=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14

# A freed block waits in a quarantine of 64 MB rather than 256 MB: an input's blocks live far shorter
# than that takes to fill, and the parser target stays near 200 MB instead of 750 MB.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=64"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer

mapfile -t targets < "$dir/fuzz-targets.txt"
limits=(-timeout=1 -rss_limit_mb="$rss_limit_mb" -detect_leaks=1)

# report_failure <name> <log>: the reproducer's path, and the committed seed it came from, if any.
report_failure() {
    local name="$1" log="$2"
    echo "FAILED: $name (log: $log)"
    grep -E "ERROR:|runtime error:|^SUMMARY" "$log" | head -n 5 || true
    local artifact seed
    sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | while read -r artifact; do
        echo "  reproducer: $artifact"
        echo "  replay:     $dir/$name $artifact"
        for seed in "$ROOT/tests/fuzz/seeds/$name"/*; do
            if [ -f "$seed" ] && cmp -s "$seed" "$artifact"; then echo "  the committed seed $seed"; fi
        done
    done
}

# fuzz_one <name> <mode>: "replay" runs the seeds once each, "fuzz" explores from them.
fuzz_one() {
    local name="$1" mode="$2"
    local seeds="$ROOT/tests/fuzz/seeds/$name" corpus="$dir/corpus/$name" artifacts="$dir/artifacts/$name"
    local log="$dir/logs/$name.$mode.log"
    mkdir -p "$corpus" "$artifacts" "$dir/logs"

    local args=("${limits[@]}" -artifact_prefix="$artifacts/" -print_final_stats=1)
    [ -f "$dir/$name.dict" ] && args+=(-dict="$dir/$name.dict")
    if [ "$mode" = replay ]; then
        # An empty folder first: libFuzzer writes to its first folder, never to the seeds.
        local none; none="$(mktemp -d)"
        args+=(-runs=0 "$none")
    else
        args+=(-max_total_time="$seconds" "$corpus")
    fi
    [ -d "$seeds" ] && args+=("$seeds")

    if "$dir/$name" "${args[@]}" > "$log" 2>&1; then
        echo ok > "$log.status"
    else
        echo failed > "$log.status"
    fi
    [ -n "${none:-}" ] && rm -rf "$none"
    return 0
}

# summary <name> <log>: the last status line's figures.
summary() {
    local line
    line="$(grep -E '^#[0-9]+' "$2" | tail -n 1)"
    local cov ft corp execs
    cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$line")"
    ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$line")"
    corp="$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<< "$line")"
    execs="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$2" | tail -n 1)"
    printf '%-22s %8s exec/s   corpus %-14s cov %-6s ft %s\n' "$1" "${execs:-?}" "${corp:-?}" "${cov:-?}" "${ft:-?}"
}

# run_all <mode> <names...>: FUZZ_JOBS at a time.
run_all() {
    local mode="$1" running=0 name; shift
    for name in "$@"; do
        if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
        fuzz_one "$name" "$mode" &
        running=$((running + 1))
    done
    wait
}

failed=0
run_all replay "${targets[@]}"
passed=()
for name in "${targets[@]}"; do
    log="$dir/logs/$name.replay.log"
    if [ "$(cat "$log.status")" = ok ]; then passed+=("$name"); else report_failure "$name" "$log"; failed=1; fi
done

# A target whose seeds fail would only find the same input again.
echo "Fuzzing ${#passed[@]} targets for ${seconds}s each, $jobs at a time"
run_all fuzz "${passed[@]}"
for name in "${passed[@]}"; do
    log="$dir/logs/$name.fuzz.log"
    if [ "$(cat "$log.status")" = ok ]; then summary "$name" "$log"; else report_failure "$name" "$log"; failed=1; fi
done

[ "$failed" -eq 0 ] || exit 1
echo "Fuzzing found nothing; the inputs it added are in $dir/corpus/"
