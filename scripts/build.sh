#!/usr/bin/env bash
# Configures and builds CMake presets (CMakePresets.json) into build/<preset>:
#   windows    Windows x86_64, cross-built with mingw-w64 (its tests run under Wine)
#   windows32  Windows x86, cross-built with mingw-w64
#   native     Linux, gcc; its end-to-end tests also run build/windows/veldra.exe
#   sanitize   Linux, gcc, AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz       Linux, clang, libFuzzer targets
# Usage: scripts/build.sh [PRESET ...]   (default: all of them)
# VELDRA_JOBS sets the parallel jobs (default 2).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(windows windows32 native sanitize fuzz)
for preset in "${presets[@]}"; do
    build_preset "$preset"
done
degraded=$(degraded_parts)
[ -z "$degraded" ] || printf '\nBuilt without, as configured:\n%s\n' "$degraded"
