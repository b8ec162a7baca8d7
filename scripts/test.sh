#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
configure_and_build
cd "$BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --timeout 300 -j2
