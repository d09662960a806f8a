#!/usr/bin/env bash
# Page converter speed beside pdftoppm on the generated benchmark PDFs.
# Usage: bench/converter.sh [BUILD_DIR] [--runs N] [--pdf-dir DIR]
set -euo pipefail
exec python3 "$(dirname "$0")/converter/benchmark.py" "$@"
