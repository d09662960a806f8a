#!/usr/bin/env bash
# Installs the dependencies, builds, installs the program folder into dist/ and makes a sample book.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAVELIN_BUILD_TESTS=OFF
cmake --build build
cmake --install build --prefix "$PWD/dist"
# SAMPLE BOOK: made here once the page converter and the sample PDF exist.
