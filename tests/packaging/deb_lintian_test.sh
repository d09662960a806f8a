#!/usr/bin/env bash
# lintian on the Debian package: no errors; its warnings and notes are printed for the record.
# Usage: deb_lintian_test.sh DEB_DIR
set -euo pipefail
deb=$(ls "$1"/quavelin_*_amd64.deb)
lintian --fail-on error --display-info "$deb"
