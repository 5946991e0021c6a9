#!/usr/bin/env bash
# The main job: links the example project for real with the reference toolchain and runs it
# under Wine (scripts/demo-reference.sh): the whole project, COBOL included, when the
# toolchain has its COBOL kit. Where the kit is missing, it then links the whole project again
# with build/native/veldra and the stand-in toolchain, in a scratch copy (build/demo), showing
# what veldra prints (-V: every child's command line) and which files each link left behind.
# Needs build/native (scripts/build.sh native).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

veldra=$VELDRA_BUILD/native/veldra
toolchain=$VELDRA_BUILD/native/toolchain
reference=$VELDRA_BUILD/native/reference
[ -x "$veldra" ] || die "$veldra not built yet (run scripts/build.sh native)"
[ -d "$toolchain" ] || die "$toolchain missing (run scripts/build.sh native)"

if [ -x "$reference/bin/cobol" ]; then
    say "for real: MATHLIB.DLL and the COBOL program PAYROLL, run under Wine"
    exec bash "$VELDRA_ROOT/scripts/demo-reference.sh"
elif [ -d "$reference/lib/x64" ]; then
    say "for real: MATHLIB.DLL and a C program that calls it, run under Wine"
    bash "$VELDRA_ROOT/scripts/demo-reference.sh"
else
    say "no reference toolchain in build/native: its tools were missing at configure time"
fi
say "the whole project, COBOL included, with the stand-ins"

# The stand-ins go first in PATH: coreutils has a /usr/bin/link of its own.
export PATH=$toolchain:$PATH
# veldra looks for the C runtime library along LIB before it runs the linker.
libdir=$VELDRA_BUILD/demo-lib
mkdir -p "$libdir"
: >"$libdir/msvcrt.lib"
export LIB=$libdir

demo=$VELDRA_BUILD/demo
rm -rf "$demo"
mkdir -p "$demo"
cp "$VELDRA_ROOT"/examples/* "$demo"/
rm -f "$demo/README.md"
cd "$demo"
# The tax office's module comes as an object only.
cl -c taxtable.c >/dev/null
rm taxtable.c

echo "veldra:    $veldra"
echo "toolchain: $toolchain (stand-ins: they only simulate the real tools)"
echo "LIB:       $LIB"
echo "folder:    $demo"

status=0
# Runs one link and shows what appeared in the folder (and what went).
run_link() {
    local before after code=0
    before=$(ls -1)
    printf '\n$ veldra %s\n' "$*"
    "$veldra" "$@" || code=$?
    after=$(ls -1)
    echo "--- exit status $code"
    echo "--- new files: $(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')"
    local gone
    gone=$(comm -23 <(echo "$before") <(echo "$after") | tr '\n' ' ')
    [ -z "$gone" ] || echo "--- removed: $gone"
    [ $code -eq 0 ] || status=$code
}

echo
echo "files: $(ls -1 | tr '\n' ' ')"
# The DLL first: a C source and its module-definition file.
run_link -V -D mathlib.c mathlib.def
# Then the program: a COBOL source, a C source and an object-only module.
run_link -V payroll.cbl util.c taxtable.obj
echo
echo "files: $(ls -1 | tr '\n' ' ')"
exit $status
