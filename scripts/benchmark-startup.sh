#!/usr/bin/env bash
# Start-up and memory of the panel against a bare JUCE window: launches both alternately on a
# fresh virtual display (no window manager) and prints the medians and ratios of launch to first
# window mapped, launch to first paint, and resident memory 5 s after launch.
#   scripts/benchmark-startup.sh [build dir] [runs]
set -euo pipefail
source "$(dirname "$0")/common.sh"

dir="${1:-$ROOT/build}"
runs="${2:-40}"
install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_tree "$dir" -DTALVO_BUILD_BENCHMARKS=ON

echo "build type: $(grep -m1 '^CMAKE_BUILD_TYPE:' "$dir/CMakeCache.txt" | cut -d= -f2)"
xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$dir/benchmarks/talvo_launch_probe" --runs "$runs" \
    "$dir/benchmarks/talvo_reference_window" "$dir/Talvo z3 Control"
