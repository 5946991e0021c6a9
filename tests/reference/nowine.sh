#!/usr/bin/env bash
# No Wine needed to build: the example project (examples/) is linked with veldra and the
# reference toolchain for x64 and for x86 twice, once with Wine on PATH and once with every
# program whose name begins with "wine" taken out of it (and Wine's variables unset); both
# links must succeed and leave the same objects (the COFF header's time stamp aside).
#
#   nowine.sh <veldra> <reference toolchain>
#
# Exit status: 0, 1 when a link fails or the objects differ, 77 (not run, with the reason)
# without the COBOL kit.
set -uo pipefail
veldra=$1 ref=$2
source "${VELDRA_SCRIPTS:-$(dirname "${BASH_SOURCE[0]}")/../../scripts}/lib.sh"
source "$ref/machines.sh"
[ -x "$ref/bin/cobol" ] || { echo "not run: no COBOL kit: $(cat "$ref/cobol/missing" 2>/dev/null)"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/veldra-nowine-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# A PATH without Wine: each of its folders that holds a wine* program is replaced by a folder
# of links to everything else in it.
nowine=
IFS=: read -r -a dirs <<<"$PATH"
for dir in "${dirs[@]}"; do
    if compgen -G "$dir/wine*" >/dev/null; then
        mkdir "$work/path${#nowine}" || exit 1
        find "$dir" -mindepth 1 -maxdepth 1 ! -name 'wine*' -exec ln -st "$work/path${#nowine}" {} +
        dir=$work/path${#nowine}
    fi
    nowine+=${nowine:+:}$dir
done
PATH=$nowine command -v wine >/dev/null && { echo "wine is still on the PATH"; exit 1; }

# build <with|without> <machine> <PATH>: taxtable.obj from its source, MATHLIB.DLL, then
# payroll.exe from the COBOL main program, util.c and taxtable.obj, as
# scripts/demo-reference.sh does, in <with|without>-<machine>.
build() (
    mkdir "$work/$1-$2" && cd "$work/$1-$2" || exit 1
    cp "$VELDRA_ROOT"/examples/{mathlib.c,mathlib.def,util.c,payroll.cbl,taxtable.c} . || exit 1
    unset WINEPREFIX WINELOADER WINESERVER
    PATH=$3
    toolchain_env "$ref" "$2" || exit 1
    cl -c -nologo "${MACHINE_DEFINES[@]}" -MD taxtable.c >/dev/null &&
        "$veldra" -N "${TOOLCHAIN_WORDS[@]}" -D mathlib.c mathlib.def &&
        "$veldra" -N "${TOOLCHAIN_WORDS[@]}" payroll.cbl util.c taxtable.obj
)
# An object without its COFF header's time stamp (after the machine and the section count).
unstamped() { head -c 4 "$1" && tail -c +9 "$1"; }

# Both builds record one time of translation, as a reproducible build would.
export SOURCE_DATE_EPOCH=1700000000
status=0
for machine in $(machine_names); do
    build with $machine "$PATH" || { echo "$machine: the link with Wine failed"; status=1; }
    build without $machine "$nowine" || { echo "$machine: the link without Wine failed"; status=1; continue; }
    [ -f "$work/without-$machine/payroll.obj" ] || { echo "$machine: no payroll.obj"; status=1; }
    for object in "$work/with-$machine"/*.obj; do
        cmp -s <(unstamped "$object") <(unstamped "$work/without-$machine/${object##*/}") ||
            { echo "$machine: ${object##*/} differs without Wine"; status=1; }
    done
    echo "$machine: $(cd "$work/without-$machine" && echo *.obj) linked without Wine, the same as with it"
done
exit $status
