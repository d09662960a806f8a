#!/usr/bin/env bash
# Bytes per page of default (vector) pages beside -s bitmap pages on the generated benchmark PDFs.
# Usage: bench/pagesize.sh [BUILD_DIR] [--pdf-dir DIR]
set -euo pipefail
exec python3 "$(dirname "$0")/pagesize/benchmark.py" "$@"
