#!/usr/bin/env bash
# Default mode beside -s bitmap on photo pages: photo pages drawn once, no slower than bitmap pages.
# Usage: bench/photopages.sh [BUILD_DIR] [--runs N] [--pdf-dir DIR]
set -euo pipefail
exec python3 "$(dirname "$0")/photopages/benchmark.py" "$@"
