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
index=0
IFS=: read -r -a dirs <<<"$PATH"
for dir in "${dirs[@]}"; do
    if compgen -G "$dir/wine*" >/dev/null; then
        index=$((index + 1))
        mkdir -p "$work/path$index" || exit 1
        for file in "$dir"/*; do
            case ${file##*/} in wine*) ;; *) ln -s "$file" "$work/path$index/" ;; esac
        done
        dir=$work/path$index
    fi
    nowine+=${nowine:+:}$dir
done

# build <folder> <machine> <PATH>: taxtable.obj from its source, MATHLIB.DLL, then payroll.exe
# from the COBOL main program, util.c and taxtable.obj, as scripts/demo-reference.sh does.
build() {
    local dir=$1 machine=$2 path=$3
    mkdir -p "$dir" && cp "$VELDRA_ROOT"/examples/{mathlib.c,mathlib.def,util.c,payroll.cbl,taxtable.c} \
        "$dir/" || return 1
    (
        cd "$dir" || exit 1
        unset WINEPREFIX WINELOADER WINESERVER
        PATH=$path
        toolchain_env "$ref" "$machine" || exit 1
        cl -c -nologo "${MACHINE_DEFINES[@]}" -MD taxtable.c >/dev/null &&
            "$veldra" -N "${TOOLCHAIN_WORDS[@]}" -D mathlib.c mathlib.def &&
            "$veldra" -N "${TOOLCHAIN_WORDS[@]}" payroll.cbl util.c taxtable.obj
    )
}

# Both builds record one time of translation, as a reproducible build would.
export SOURCE_DATE_EPOCH=1700000000
status=0
for machine in $(machine_names); do
    PATH=$nowine command -v wine >/dev/null && { echo "wine is still on the PATH"; exit 1; }
    build "$work/with-$machine" $machine "$PATH" || { echo "$machine: the link with Wine failed"; status=1; }
    build "$work/without-$machine" $machine "$nowine" ||
        { echo "$machine: the link without Wine failed"; status=1; continue; }
    [ -f "$work/without-$machine/payroll.obj" ] || { echo "$machine: no payroll.obj"; status=1; }
    for object in "$work/with-$machine"/*.obj; do
        name=${object##*/}
        # A COFF object's header: machine (2 bytes), sections (2), the time stamp (4).
        if ! cmp -s <(head -c 4 "$object"; tail -c +9 "$object") \
            <(head -c 4 "$work/without-$machine/$name"; tail -c +9 "$work/without-$machine/$name"); then
            echo "$machine: $name differs without Wine"
            status=1
        fi
    done
    echo "$machine: $(cd "$work/without-$machine" && ls *.obj | tr '\n' ' ')linked without Wine," \
        "the same as with it"
done
exit $status
