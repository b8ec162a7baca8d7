# Shared by the set-up scripts: installs the Debian packages that are missing
# and configures and builds the project in build/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QM738_BUILD_DIR:-$ROOT/build}"

PACKAGES=(cmake ninja-build g++ pkg-config
          qt6-base-dev qt6-serialport-dev libqt6serialport6
          libqcustomplot-dev libqcustomplot2.1-qt6
          libhidapi-dev libhidapi-hidraw0
          qt6-translations-l10n
          xvfb xauth
          dbus-daemon
          desktop-file-utils appstream
          libmosquitto-dev mosquitto mosquitto-clients openssl
          libsystemd-dev
          libsqlite3-dev sqlite3)

install_missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local SUDO=""
        [ "$(id -u)" -ne 0 ] && SUDO="sudo"
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD" -j2
}

# The sanitizer build in build-asan/: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer on everything, and the libFuzzer programs, which
# share its instrumented objects. Used by test-sanitizers.sh and fuzz.sh.
SANITIZER_PACKAGES=(clang llvm libclang-rt-dev)
SANITIZER_BUILD="${QM738_ASAN_BUILD_DIR:-$ROOT/build-asan}"

configure_and_build_sanitized() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # Warnings are the normal build's business; this build looks for faults at run time.
    cmake -S "$ROOT" -B "$SANITIZER_BUILD" -G Ninja "${launcher[@]}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
        -DCMAKE_CXX_COMPILER=clang++ \
        -DQM738_SANITIZE=ON -DQM738_FUZZ=ON -DQM738_WERROR=OFF -DQM738_BENCH=OFF
    cmake --build "$SANITIZER_BUILD" -j2 "$@"
}

# Leak detection on, any undefined behaviour fatal, leaks inside third-party
# libraries (named in scripts/lsan.supp) left out and listed when used.
export_sanitizer_options() {
    export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=1"
}
