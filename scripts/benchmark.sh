#!/usr/bin/env bash
# Every benchmark in one run: the Google Benchmark cases (codec, senders, incoming MIDI, bursts
# through the two-thread path), then start-up and memory of the panel against a bare JUCE window,
# launched alternately on a fresh virtual display with no window manager.
#   scripts/benchmark.sh [build dir] [launches of each program]
set -euo pipefail
source "$(dirname "$0")/common.sh"

dir="${1:-$ROOT/build}"
runs="${2:-40}"
# The font families a desktop has: the framework's first typeface scans every installed font file,
# in the panel and in the reference window alike, so start-up is measured with them installed.
FONT_PACKAGES=(fonts-urw-base35 fonts-noto-mono fonts-dejavu-core fonts-dejavu-extra)
install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${FONT_PACKAGES[@]}"
build_tree "$dir" -DTALVO_BUILD_BENCHMARKS=ON

echo "build type: $(grep -m1 '^CMAKE_BUILD_TYPE:' "$dir/CMakeCache.txt" | cut -d= -f2)"
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

xvfb-run -a "$dir/benchmarks/talvo_benchmarks" \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true | grep -v '^Raw Device'

xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$dir/benchmarks/talvo_launch_probe" --runs "$runs" \
    "$dir/benchmarks/talvo_reference_window" "$dir/Talvo z3 Control"

# Meters and live resizes, as a user feels them (the layout passes across a tier are among the
# Google Benchmark cases above). The panel connected to the simulated interface in a window on a
# display tall enough for its large start size: its CPU while meters move, per report rate; then
# the real program under openbox, dragged by its corner in 4-pixel steps, every step's picture
# watched for on the screen, and the bare window dragged alike.
xvfb-run -a -s "-screen 0 1600x1600x24" "$dir/benchmarks/talvo_meter_load" --seconds 10
xvfb-run -a -s "-screen 0 1600x1600x24" "$dir/benchmarks/talvo_resize_probe" --drags 3 "$dir/Talvo z3 Control"
xvfb-run -a -s "-screen 0 1600x1600x24" "$dir/benchmarks/talvo_resize_probe" --drags 3 \
    --title "Reference Window" "$dir/benchmarks/talvo_reference_window"
