#!/usr/bin/env bash
# The real half of the main job: links the C part of the example project with
# build/native/veldra and the reference toolchain (build/native/reference) in a scratch copy
# (build/demo-reference), an x64 DLL and an EXE that loads it, and runs the EXE under Wine.
# Needs build/native built with the reference toolchain (scripts/build.sh native).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

veldra=$VELDRA_BUILD/native/veldra
reference=$VELDRA_BUILD/native/reference
[ -x "$veldra" ] || die "$veldra not built yet (run scripts/build.sh native)"
[ -d "$reference/lib/x64" ] ||
    die "no reference toolchain in $reference (its tools were missing at configure time)"
wine_prepare >/dev/null

# The toolchain before /usr/bin (coreutils has a link of its own); -P3 links for x64, whose
# libraries veldra looks for along LIB64. Wine finds zorun32.dll along WINEPATH.
export PATH=$reference/bin:$PATH
export LIB=$reference/lib/x86 LIB64=$reference/lib/x64
export WINEPATH="Z:${LIB64//\//\\}"

demo=$VELDRA_BUILD/demo-reference
rm -rf "$demo"
mkdir -p "$demo"
cp "$VELDRA_ROOT"/examples/{mathlib.c,mathlib.def,util.c,payslip.c} "$demo"/
cd "$demo"
echo "toolchain: $reference/bin (clang-cl, lld-link and tessor)"
echo "LIB64:     $LIB64"
echo "folder:    $demo"

run() {
    printf '\n$ %s\n' "$*"
    "$@"
}
run "$veldra" -V -P3 -D mathlib.c mathlib.def
run "$veldra" -V -P3 payslip.c util.c
echo
echo "files: $(ls -1 | tr '\n' ' ')"
run wine payslip.exe
