#!/usr/bin/env bash
# Installs the dependencies, builds, installs the program folder into dist/ and makes a sample book
# from a brochure the project generates itself.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cmake --install build --prefix "$PWD/dist"

# A fresh folder: a rerun into an existing book keeps its older viewer files.
rm -rf sample-book
mkdir -p sample-book
dist/bin/quavelin build/testpdfs/sample.pdf sample-book
echo "Sample book: $PWD/sample-book (serve it over HTTP and open index.html, e.g."
echo "  python3 -m http.server -d sample-book 8000  then  http://127.0.0.1:8000/)"
