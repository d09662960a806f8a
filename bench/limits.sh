#!/usr/bin/env bash
# The page converter's cost per page on long documents, and what its limits cost.
# Usage: bench/limits.sh [BUILD_DIR] [--runs N]
set -euo pipefail
exec python3 "$(dirname "$0")/limits/benchmark.py" "$@"
