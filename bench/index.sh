#!/usr/bin/env bash
# What the book index costs the converter: its size and its extraction time per page.
# Usage: bench/index.sh [BUILD_DIR] [--runs N] [--pdf-dir DIR]
set -euo pipefail
exec python3 "$(dirname "$0")/index/benchmark.py" "$@"
