#!/usr/bin/env bash
# Command (1) for a fresh Debian 12 machine: installs the build dependencies (apt-get, as root;
# through sudo when run by another user), builds the Windows and the native configuration
# (the native one with the reference toolchain when its tools are there),
# then runs the main job, scripts/demo.sh, which links the example project.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

if [ "${VELDRA_SKIP_INSTALL:-}" != 1 ]; then
    stage "install dependencies" bash "$VELDRA_ROOT/scripts/install-deps.sh"
    # Started with sudo: build as the user who asked, so that build/ stays theirs.
    if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
        exec sudo -u "$SUDO_USER" -- env VELDRA_SKIP_INSTALL=1 bash "${BASH_SOURCE[0]}" "$@"
    fi
fi
stage "build windows and native" bash "$VELDRA_ROOT/scripts/build.sh" windows native
stage "main job: link the example" bash "$VELDRA_ROOT/scripts/demo.sh"
print_stages
