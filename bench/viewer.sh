#!/usr/bin/env bash
# Viewer speed: opening a book and turning a page, 10 against 1,000 pages and vector against bitmap pages,
# the cover's first paint with and without its poster, and (with --only startup) a first visit over
# emulated slow networks before and after the compressed player and the previews, in headless Chromium
# with Ruffle.
# Usage: bench/viewer.sh [BUILD_DIR] [--runs N] [--renderer canvas|default] [--only size|pages|overview|search|cover|startup]   (BUILD_DIR defaults to build; build it first)
set -euo pipefail
build="${1:-build}"
shift || true
exec node "$(dirname "$0")/viewer/benchmark.js" "$build" "$@"
