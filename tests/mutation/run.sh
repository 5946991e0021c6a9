#!/usr/bin/env bash
# Puts each deliberate fault of a list into the product code, one at a time, rebuilds the
# native configuration and runs its fast suites (unit, platform, end to end without the slow
# cases); reports the faults that no test catches, and the share caught. A fault in the
# Windows layer (a file ending in _win32.cpp) is judged by the Windows build's unit and
# platform tests under Wine instead, built in <build folder>-windows.
#   tests/mutation/run.sh [build folder] [fault list]
#   tests/mutation/run.sh --check [fault list ...]
#   (default: build/mutation, configured if missing; tests/mutation/faults.tsv; the other list is
#   tests/mutation/independent.tsv)
# A list holds one fault a line, "file<TAB>function<TAB>text<TAB>replacement" (see apply.awk);
# lines starting with # are comments. --check only tries every fault of the lists, builds and
# runs nothing, and fails when one no longer applies (a CTest case runs it). Exit status: 0; 1
# when a fault does not apply or does not build (no test can catch it), or the build fails.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
here=$root/tests/mutation

# mutate <file> <function> <text> <replacement>: the file with the fault in it, on standard
# output; status 2 or 3 (and the reason) when the fault does not apply.
mutate() {
    FAULT_FUNCTION=$2 FAULT_TEXT=$3 FAULT_REPLACEMENT=$4 awk -f "$here/apply.awk" "$root/$1"
}

# faults <list...>: the lists' faults, without comments and blank lines.
faults() { grep -hv -e '^#' -e '^$' "$@"; }

if [ "${1:-}" = --check ]; then
    shift
    [ $# -gt 0 ] || set -- "$here/faults.tsv" "$here/independent.tsv"
    stale=0
    while IFS=$'\t' read -r file function text replacement; do
        mutate "$file" "$function" "$text" "$replacement" >/dev/null && continue
        echo "stale fault: $file: $function: $text"
        stale=$((stale + 1))
    done < <(faults "$@")
    [ $stale -eq 0 ] && echo "every fault applies"
    exit $((stale > 0))
fi

build=${1:-$root/build/mutation}
faults=${2:-$here/faults.tsv}
jobs=${VELDRA_JOBS:-2}
# tessor too: the end-to-end tests run the reference toolchain's own on unreadable objects.
targets=(veldra standin tessor unit_tests platform_tests e2e_tests)
windowsBuild=$build-windows
windowsTargets=(veldra unit_tests platform_tests)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
        -DVELDRA_REFERENCE=OFF >/dev/null || exit 1
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >/dev/null || exit 1
if grep -q '_win32\.cpp' "$faults"; then
    if [ ! -f "$windowsBuild/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$windowsBuild" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null || exit 1
    fi
    cmake --build "$windowsBuild" -j "$jobs" --target "${windowsTargets[@]}" >/dev/null || exit 1
    source "$root/scripts/lib.sh"
    wine_prepare >/dev/null || exit 1
    wine_serve
fi

# suites <file>: builds and runs the suites that judge a fault in that file; 1 when one
# fails, 2 when the build fails (a fault that does not compile is caught by no test).
suites() {
    local dir=$build suites='^(unit|platform|native)\.' built=("${targets[@]}")
    if [[ $1 == *_win32.cpp ]]; then
        dir=$windowsBuild suites='^(unit|platform)\.' built=("${windowsTargets[@]}")
    fi
    cmake --build "$dir" -j "$jobs" --target "${built[@]}" >/dev/null 2>&1 || return 2
    # Only the suites built above: a suite not built would count as a failure.
    GTEST_FILTER='-Slow*' ctest --test-dir "$dir" -R "$suites" -E Slow --timeout 120 \
        --stop-on-failure </dev/null >/dev/null 2>&1
}

current=""
restore() {
    [ -n "$current" ] && cat "$current.unmutated" >"$current" && rm "$current.unmutated"
    current=""
}
trap 'restore; exit 130' INT TERM

total=0
caught=0
stale=0
survivors=()
while IFS=$'\t' read -r file function text replacement; do
    path=$root/$file
    if ! mutated=$(mutate "$file" "$function" "$text" "$replacement" && printf x); then
        echo "STALE     $file: $function: $text"
        stale=$((stale + 1))
        continue
    fi
    total=$((total + 1))
    current=$path
    cp "$path" "$path.unmutated"
    printf '%s' "${mutated%x}" >"$path"
    suites "$file"
    case $? in
    0)
        survivors+=("$file: $function: $text  ->  $replacement")
        echo "SURVIVED  $file: $function: $text  ->  $replacement"
        ;;
    2)
        echo "NO BUILD  $file: $function: $text  ->  $replacement"
        total=$((total - 1)) stale=$((stale + 1))
        ;;
    *)
        caught=$((caught + 1))
        echo "caught    $file: $function: $text"
        ;;
    esac
    restore
done < <(faults "$faults")
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >/dev/null 2>&1
[ ! -f "$windowsBuild/CMakeCache.txt" ] ||
    cmake --build "$windowsBuild" -j "$jobs" --target "${windowsTargets[@]}" >/dev/null 2>&1

echo
echo "$caught of $total faults caught ($((total ? 100 * caught / total : 0))%)."
for survivor in "${survivors[@]}"; do
    echo "  survives: $survivor"
done
[ $stale -eq 0 ] ||
    echo "$stale fault(s) that no longer apply or do not build: the list must be brought to the code"
[ $stale -eq 0 ]
