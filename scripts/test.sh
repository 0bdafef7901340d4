#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under a virtual display.
#   scripts/test.sh            plain build
#   scripts/test.sh address    AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer included)
#   scripts/test.sh thread     ThreadSanitizer
#   scripts/test.sh no-unity   plain build with every source file compiled on its own (no unity
#                              build), so that each keeps its own includes and no file-scope name
#                              reaches another file; then the suite, which the build's order of
#                              definitions could change
#   scripts/test.sh shuffle [seed]
#                              plain build; the whole test program once in one process, in an
#                              order shuffled by the seed (printed; a new one each run unless
#                              given), so that a test leaning on what another left shows
# The soak (ctest label "soak", a thousand unplug/replug cycles) runs only in the address build.
set -euo pipefail
source "$(dirname "$0")/common.sh"

mode="${1:-}"
sanitizer="$mode"
unity=ON
if [ "$mode" = no-unity ]; then
    sanitizer=""
    unity=OFF
fi
if [ "$mode" = shuffle ]; then
    sanitizer=""
fi
install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

dir="$ROOT/build${sanitizer:+-$sanitizer}"
[ "$mode" = no-unity ] && dir="$ROOT/build-no-unity"
benchmarks=ON
[ -n "$sanitizer" ] || [ "$mode" = no-unity ] && benchmarks=OFF
build_tree "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVO_SANITIZER="$sanitizer" -DTALVO_BUILD_BENCHMARKS="$benchmarks" \
    -DTALVO_UNITY_BUILD="$unity"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$ROOT/tests/tsan.supp"

skip_soak=(-LE soak)
[ "$mode" = address ] && skip_soak=()

cd "$dir"
# -noreset: the display outlives its last client, as a desktop's does; a test whose program closes
# the last connection would otherwise make the next one meet a display in the middle of a reset.
display=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

if [ "$mode" = shuffle ]; then
    # ProgramLaunch.* start the program and take turns on the display; ConnectionSoak.* is the
    # soak. Both need a process of their own (see tests/CMakeLists.txt).
    exec "${display[@]}" tests/talvo_tests --gtest_shuffle --gtest_random_seed="${2:-0}" \
        --gtest_filter='-ProgramLaunch.*:ConnectionSoak.*'
fi

"${display[@]}" ctest --output-on-failure --timeout 600 -j "$(nproc)" "${skip_soak[@]}"
