#!/usr/bin/env bash
# lintian on the Debian package: no errors; its warnings and notes are printed for the record.
# Usage: deb_lintian_test.sh PACKAGE.deb
set -euo pipefail
deb=$1
[ -f "$deb" ] || { echo "no package $deb"; exit 1; }
lintian --fail-on error --display-info "$deb"
