#!/usr/bin/env bash
# Viewer speed: opening and turning a 10-page and a 1,000-page book in headless Chromium with Ruffle.
# Usage: bench/viewer.sh [BUILD_DIR] [--runs N]   (BUILD_DIR defaults to build; build it first)
set -euo pipefail
build="${1:-build}"
shift || true
exec node "$(dirname "$0")/viewer/benchmark.js" "$build" "$@"
