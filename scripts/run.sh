#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with the simulated
# USB meter connected (set QM738_DEMO_METER= to talk to a real meter).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing_packages
configure_and_build
export QM738_DEMO_METER="${QM738_DEMO_METER-usb}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program under xvfb-run (a virtual X server; nothing will be visible)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$BUILD/app/qm738"
fi
exec "$BUILD/app/qm738"
