#!/usr/bin/env bash
# Configures and builds veldra into build/ under the repository, with Ninja:
#   build/windows   Windows x86_64, cross-built with mingw-w64 (its tests run under Wine)
#   build/windows32 Windows x86 (32-bit), cross-built with mingw-w64 (tests need wine32)
#   build/native    Linux, gcc; its end-to-end tests also run build/windows/veldra.exe
#   build/sanitize  Linux, gcc, AddressSanitizer and UndefinedBehaviorSanitizer
#   build/fuzz      Linux, clang, libFuzzer targets (only when fuzz/ exists)
# Usage: scripts/build.sh [windows|windows32|native|sanitize|fuzz ...]   (default: all of them)
# VELDRA_JOBS sets the parallel jobs (default 2).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

configs=("$@")
if [ ${#configs[@]} -eq 0 ]; then
    configs=(windows windows32 native sanitize)
    [ -f "$VELDRA_ROOT/fuzz/CMakeLists.txt" ] && configs+=(fuzz)
fi

# The micro-benchmarks are compiled with the native build once they exist.
bench=OFF
[ -f "$VELDRA_ROOT/bench/CMakeLists.txt" ] && bench=ON

configure_and_build() {
    local dir=$VELDRA_BUILD/$1 fresh=() stamp
    shift
    # CMake keeps the compilers it found in its cache, whatever the toolchain file says later:
    # configure afresh when the arguments or the toolchain file changed since the last time.
    stamp=$(printf '%s\n' "$@" | cat - "$VELDRA_ROOT"/cmake/mingw-w64-*.cmake | cksum)
    if [ -f "$dir/CMakeCache.txt" ] && [ "$(cat "$dir/.veldra-configured" 2>/dev/null)" != "$stamp" ]; then
        fresh=(--fresh)
    fi
    # Called through stage, where set -e does not apply: chain the steps.
    cmake "${fresh[@]}" -S "$VELDRA_ROOT" -B "$dir" -G Ninja "$@" &&
        echo "$stamp" >"$dir/.veldra-configured" &&
        cmake --build "$dir" -j "$VELDRA_JOBS"
}

for config in "${configs[@]}"; do
    case $config in
    windows)
        stage "build windows (mingw-w64)" configure_and_build windows \
            -DCMAKE_TOOLCHAIN_FILE="$VELDRA_ROOT/cmake/mingw-w64-x86_64.cmake"
        ;;
    windows32)
        stage "build windows32 (mingw-w64 i686)" configure_and_build windows32 \
            -DCMAKE_TOOLCHAIN_FILE="$VELDRA_ROOT/cmake/mingw-w64-i686.cmake"
        ;;
    native)
        stage "build native (gcc)" configure_and_build native \
            -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
            -DVELDRA_WINDOWS_BUILD_DIR="$VELDRA_BUILD/windows" -DVELDRA_BENCH=$bench
        ;;
    sanitize)
        # Debug: quicker to compile, and the sanitizers see every access as written.
        stage "build sanitize (gcc, asan+ubsan)" configure_and_build sanitize \
            -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
            -DCMAKE_BUILD_TYPE=Debug -DVELDRA_SANITIZE=ON
        ;;
    fuzz)
        [ -f "$VELDRA_ROOT/fuzz/CMakeLists.txt" ] || die "no fuzz/ folder to build"
        stage "build fuzz (clang, libFuzzer)" configure_and_build fuzz \
            -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
            -DVELDRA_FUZZ=ON -DVELDRA_SANITIZE=ON -DVELDRA_TESTS=OFF
        ;;
    *)
        die "unknown configuration '$config' (windows, windows32, native, sanitize or fuzz)"
        ;;
    esac
done
[ ${#configs[@]} -eq 1 ] || print_stages
