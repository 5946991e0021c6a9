#!/usr/bin/env bash
# The real half of the main job: links the example project with build/native/veldra and the
# reference toolchain (build/native/reference) in a scratch copy (build/demo-reference), for
# x64, and runs the program under Wine. With the toolchain's COBOL kit that is the whole
# project: taxtable.obj built first from its source, as the tax office ships it, then
# MATHLIB.DLL and payroll.exe; without the kit, the C part: MATHLIB.DLL and payslip.exe.
# Needs build/native built with the reference toolchain (scripts/build.sh native).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

veldra=$VELDRA_BUILD/native/veldra
reference=$VELDRA_BUILD/native/reference
[ -x "$veldra" ] || die "$veldra not built yet (run scripts/build.sh native)"
[ -d "$reference/lib/x64" ] ||
    die "no reference toolchain in $reference (its tools were missing at configure time)"
wine_prepare >/dev/null

# The toolchain before /usr/bin (coreutils has a link of its own), for x64: -P3, whose
# libraries veldra looks for along LIB64. The COBOL compiler learns the machine from
# VELDRA_COBOL_MACHINE, not from veldra. link puts the run-time DLLs beside what it makes.
toolchain_env "$reference" x64
p=("${TOOLCHAIN_WORDS[@]}")

demo=$VELDRA_BUILD/demo-reference
rm -rf "$demo"
mkdir -p "$demo"
cp "$VELDRA_ROOT"/examples/{mathlib.c,mathlib.def,util.c,payslip.c,payroll.cbl,taxtable.c} "$demo"/
cd "$demo"
cobol=
[ -x "$reference/bin/cobol" ] && cobol=yes
echo "toolchain: $reference/bin (clang-cl, lld-link, tessor${cobol:+ and cobol})"
echo "LIB64:     $LIB64"
echo "folder:    $demo"

run() {
    printf '\n$ %s\n' "$*"
    "$@"
}
if [ -n "$cobol" ]; then
    run cl -c -nologo "${MACHINE_DEFINES[@]}" -MD taxtable.c
    rm taxtable.c
    run "$veldra" -V "${p[@]}" -D mathlib.c mathlib.def
    run "$veldra" -V "${p[@]}" payroll.cbl util.c taxtable.obj
    echo
    echo "files: $(ls -1 | tr '\n' ' ')"
    # libcob looks for a called program in the modules named in COB_PRE_LOAD, and for a module
    # of the program's own name: ROUNDPAY is in MATHLIB.DLL.
    status=0
    run env COB_PRE_LOAD=MATHLIB wine payroll.exe || status=$?
    echo "--- exit status $status"
    exit $status
fi
echo "(no cobol: $(cat "$reference/cobol/missing" 2>/dev/null || echo "no COBOL kit"))"
run "$veldra" -V "${p[@]}" -D mathlib.c mathlib.def
run "$veldra" -V "${p[@]}" payslip.c util.c
echo
echo "files: $(ls -1 | tr '\n' ' ')"
run wine payslip.exe
