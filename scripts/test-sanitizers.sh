#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, leak detection on, any undefined behaviour fatal) into build-asan/ and
# runs it. Installs what is missing, as the other scripts do.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
PACKAGES+=("${SANITIZER_PACKAGES[@]}")
install_missing_packages
configure_and_build_sanitized
export_sanitizer_options
export QT_QPA_PLATFORM=offscreen
cd "$SANITIZER_BUILD"
ctest --output-on-failure --timeout 900 -j2
