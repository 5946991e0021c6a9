#!/usr/bin/env bash
# Puts each deliberate fault of faults.tsv into the product code, one at a time, rebuilds the
# native configuration and runs its fast suites (unit, platform, end to end without the slow
# cases); reports the faults that no test catches, and the share caught.
#   tests/mutation/run.sh [build folder] [fault list]
#   (default: build/mutation, configured if missing; tests/mutation/faults.tsv; the other list is
#   tests/mutation/independent.tsv)
# faults.tsv: one fault a line, "file<TAB>text<TAB>replacement", "¶" standing for a line break;
# the text must occur exactly once in the file. Lines starting with # are comments.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build/mutation}
faults=${2:-$root/tests/mutation/faults.tsv}
jobs=${VELDRA_JOBS:-2}
targets=(veldra standin unit_tests platform_tests e2e_tests)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
        -DVELDRA_REFERENCE=OFF >/dev/null || exit 1
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >/dev/null || exit 1

suites() {
    cmake --build "$build" -j "$jobs" --target "${targets[@]}" >/dev/null 2>&1 || return 1
    # Only the suites built above: a suite not built would count as a failure.
    GTEST_FILTER='-Slow*' ctest --test-dir "$build" -R '^(unit|platform|native)\.' -E Slow \
        --timeout 120 \
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
survivors=()
while IFS=$'\t' read -r file text replacement; do
    [ -z "$file" ] || [ "${file:0:1}" = "#" ] && continue
    text=${text//¶/$'\n'}
    replacement=${replacement//¶/$'\n'}
    path=$root/$file
    content=$(cat "$path"; printf x)
    content=${content%x}
    rest=${content#*"$text"}
    if [ "$rest" = "$content" ] || [ "${rest#*"$text"}" != "$rest" ]; then
        echo "stale fault (not exactly once): $file: $text"
        continue
    fi
    total=$((total + 1))
    current=$path
    cp "$path" "$path.unmutated"
    printf '%s' "${content%%"$text"*}$replacement$rest" >"$path"
    if suites; then
        survivors+=("$file: $text  ->  $replacement")
        echo "SURVIVED  $file: $text  ->  $replacement"
    else
        caught=$((caught + 1))
        echo "caught    $file: $text"
    fi
    restore
done <"$faults"
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >/dev/null 2>&1

echo
echo "$caught of $total faults caught ($((total ? 100 * caught / total : 0))%)."
for survivor in "${survivors[@]}"; do
    echo "  survives: $survivor"
done
