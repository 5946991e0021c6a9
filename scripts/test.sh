#!/usr/bin/env bash
# Command (2): the whole test suite, native and under Wine. Installs what is missing
# (scripts/install-deps.sh; root or sudo needed only then), builds every configuration
# (scripts/build.sh), prepares a Wine prefix under build/, and runs CTest in
#   build/windows   unit tests of the Windows build, under Wine
#   build/windows32 unit and end-to-end tests of the x86 build, under Wine when wine32 runs
#   build/native    unit tests, end-to-end tests of the native and of the Windows program
#   build/sanitize  the native suite under AddressSanitizer and UndefinedBehaviorSanitizer
# then the bounded fuzzing and the package checks once they exist (scripts/fuzz.sh,
# scripts/package.sh). Exits non-zero when anything failed; ends with a summary.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

started=$SECONDS
failed=()
passed_total=0
failed_total=0
suite_lines=()

finish() {
    wine_stop
    say "summary"
    [ ${#suite_lines[@]} -eq 0 ] || printf '  %s\n' "${suite_lines[@]}"
    print_stages
    echo "  total time: $((SECONDS - started))s"
    echo
    if [ ${#failed[@]} -gt 0 ]; then
        echo "FAILED: ${failed[*]}"
    else
        echo "All suites passed."
    fi
    echo "veldra: $passed_total passed, $failed_total failed"
    [ ${#failed[@]} -eq 0 ]
}

# Runs the CTest suite of one build folder and adds its counts to the totals.
run_suite() {
    local name=$1 dir=$2 log=$VELDRA_BUILD/ctest-$1.log code=0
    shift 2
    # No per-test time limit of our own beyond a guard against a hung child.
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$VELDRA_JOBS" \
        --timeout 1200 "$@" 2>&1 | tee "$log" || code=$?
    # "100% tests passed, 0 tests failed out of 3"
    local counts total bad
    counts=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
    if [ -n "$counts" ]; then
        bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$counts")
        total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$counts")
        passed_total=$((passed_total + total - bad))
        failed_total=$((failed_total + bad))
        suite_lines+=("$(printf '%-10s %3d passed, %d failed' "$name" $((total - bad)) "$bad")")
    else
        suite_lines+=("$(printf '%-10s did not run (ctest status %d)' "$name" "$code")")
    fi
    [ "$code" -eq 0 ] || failed+=("tests:$name")
    return "$code"
}

stage "install dependencies" bash "$VELDRA_ROOT/scripts/install-deps.sh" ||
    { failed+=(install); finish; exit 1; }

configs=(windows windows32 native sanitize)
[ -f "$VELDRA_ROOT/fuzz/CMakeLists.txt" ] && configs+=(fuzz)
for config in "${configs[@]}"; do
    stage "build $config" bash "$VELDRA_ROOT/scripts/build.sh" "$config" ||
        { failed+=("build:$config"); finish; exit 1; }
done

stage "prepare Wine" wine_prepare || { failed+=(wine); finish; exit 1; }

stage "tests windows (under Wine)" run_suite windows "$VELDRA_BUILD/windows" || true
stage "tests native" run_suite native "$VELDRA_BUILD/native" || true
stage "tests sanitize" run_suite sanitize "$VELDRA_BUILD/sanitize" || true

# A check that is not a CTest suite counts as one test in the closing line.
run_check() {
    local name=$1
    shift
    if stage "$@"; then
        passed_total=$((passed_total + 1))
        suite_lines+=("$(printf '%-10s passed' "$name")")
    else
        failed_total=$((failed_total + 1))
        suite_lines+=("$(printf '%-10s FAILED' "$name")")
        failed+=("$name")
    fi
}
# The x86 build needs wine32; without it, it is built and packaged but not run.
e2e_windows32() {
    VELDRA_PROGRAM=$VELDRA_BUILD/windows32/veldra.exe \
        VELDRA_TOOLCHAIN=$VELDRA_BUILD/windows32/toolchain \
        VELDRA_LAUNCHER=$VELDRA_ROOT/cmake/wine-run.sh "$VELDRA_BUILD/native/tests/e2e_tests"
}
if wine32_works; then
    stage "tests windows32 (under Wine)" run_suite windows32 "$VELDRA_BUILD/windows32" || true
    run_check e2e.wine32 "tests windows32 end to end" e2e_windows32
else
    say "tests windows32: not run, Wine cannot start 32-bit programs here (wine32 missing)"
    suite_lines+=("$(printf '%-10s not run (no wine32)' windows32)")
fi
if [ -d "$VELDRA_BUILD/fuzz" ] && [ -f "$VELDRA_ROOT/scripts/fuzz.sh" ]; then
    run_check fuzz "fuzz (bounded)" bash "$VELDRA_ROOT/scripts/fuzz.sh"
fi
if [ -f "$VELDRA_ROOT/scripts/package.sh" ]; then
    run_check packages "packages" bash "$VELDRA_ROOT/scripts/package.sh"
fi

finish
