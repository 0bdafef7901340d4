#!/usr/bin/env bash
# Installs what is missing, builds the panel and starts it.
set -euo pipefail
source "$(dirname "$0")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_tree "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The panel finds its firmware updater at build/Contents/bin/TalvoFWUpdatez3, which the build puts there.
exec "$ROOT/build/Talvo z3 Control" "$@"
