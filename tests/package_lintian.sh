#!/bin/sh
# Makes the Debian package of the build in $1 in a temporary folder and checks
# it with lintian: any error fails. Exits 77 (skipped) without lintian.
set -eu
build_dir=$1
if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed: package check skipped"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/brevant-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
if ! cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
set -- "$work"/*.deb
echo "lintian $(basename "$1"):"
lintian --fail-on error --display-info --tag-display-limit 0 "$1"
