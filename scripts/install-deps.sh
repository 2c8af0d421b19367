#!/usr/bin/env bash
# Installs what building and testing Brevant needs on a Debian machine.
# With --package-check also lintian (about 25 MB with its Perl modules), which
# the package test uses to check the Debian package; without it that test is
# skipped. ser2net serves the simulator on loopback for the network tests
# (label network), which are skipped where it is missing; curl drives the
# service's API in the real-window test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  g++ cmake ninja-build pkg-config \
  qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-websockets-dev libgl-dev \
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n \
  fonts-wqy-microhei fonts-dejavu-core \
  libgtest-dev libgmock-dev libbenchmark-dev \
  xvfb xdotool curl libcli11-dev nlohmann-json3-dev libsystemd-dev \
  clang-format clang-tidy \
  ser2net
if [ "${1:-}" = "--package-check" ]; then
  $SUDO apt-get install -y --no-install-recommends lintian
fi
