#!/usr/bin/env bash
# Command (2): the whole test suite. Installs what is missing (scripts/install-deps.sh; root or
# sudo needed only then), builds every preset of CMakePresets.json, prepares a Wine prefix under
# build/, and runs the tests of each preset that has them:
#   windows   unit tests of the Windows build, under Wine
#   native    unit tests, end-to-end tests of the native and, under Wine, the Windows program
#   sanitize  the native suite under AddressSanitizer and UndefinedBehaviorSanitizer, without
#             the cases labelled slow
#   windows32, wine32  the same for the x86 Windows build, when Wine runs 32-bit programs
# then the bounded fuzzing (scripts/fuzz.sh) and the package checks (test preset package).
# Exits non-zero when anything failed; the last line counts the steps that passed and failed.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

started=$SECONDS
failed=()
step() { stage "$@" || failed+=("$1"); }
run_tests() { (cd "$VELDRA_ROOT" && ctest --preset "$1" -j "$VELDRA_JOBS"); }

stage "install dependencies" bash "$VELDRA_ROOT/scripts/install-deps.sh" || exit 1

for preset in windows windows32 native sanitize fuzz; do
    step "build $preset" build_preset "$preset"
done
# The Windows machines whose tests run under Wine, and why one does not.
machines=()
if stage "prepare Wine" wine_prepare; then
    wine_serve
    machines+=("x64: run")
else
    failed+=("prepare Wine")
    machines+=("x64: run, but the Wine prefix could not be made (see above)")
fi
trap wine_stop EXIT
# Read by the test programs (the real links), so that each does not ask Wine again.
export VELDRA_WINE32 VELDRA_WINE32_WHY
wine32_ready
for preset in windows native sanitize; do
    step "tests $preset" run_tests "$preset"
done
# The x86 build's unit tests and its end-to-end run need wine32; without it, it is only built.
if [ $VELDRA_WINE32 = 1 ]; then
    machines+=("x86: run")
    step "tests windows32" run_tests windows32
    step "tests wine32" run_tests wine32
else
    machines+=("x86: not run, $WINE32_WHY")
    say "tests windows32 and wine32: not run, $WINE32_WHY"
fi
step "fuzz (bounded)" bash "$VELDRA_ROOT/scripts/fuzz.sh"
step "packages" run_tests package

print_stages
say "Windows machines"
printf '  %s\n' "${machines[@]}"
mapfile -t left_out < <(degraded_parts)
[ ${#left_out[@]} -eq 0 ] || { say "left out on purpose"; printf '  %s\n' "${left_out[@]}"; }
echo "  total time: $((SECONDS - started))s"
[ ${#failed[@]} -eq 0 ] || echo "FAILED: ${failed[*]}"
echo "steps: $((${#STAGE_LOG[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
