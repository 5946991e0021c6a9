#!/usr/bin/env bash
# cobol of the reference toolchain: compiles one COBOL source into <stem>.obj in the current
# folder. The command line is veldra's:
#   cobol <source>;                       or   cobol <source> use(<directives file>);
# A directives file holds compiler options, one to a line (blank lines and lines that begin
# with "#" are skipped), for example "-free" or "-DLEVEL=2".
# The machine comes from VELDRA_COBOL_MACHINE: x86 (the default) or x64. Steps:
#   1. translate the source to C with that machine's cobc.exe under Wine (cobc -C), so that
#      binary fields and pointers get the machine's own sizes; x86 needs Wine's 32-bit half;
#   2. compile the C with the toolchain's cl against the kit's libcob headers.
# Exit status: 0, or 12 when the source did not compile or the tool could not run (veldra
# ends its run at any code above 8). The compiler's own messages reach standard error.
set -uo pipefail
bin=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kit=$bin/../cobol

fail() {
    echo "cobol: $*" >&2
    exit 12
}

[ $# -gt 0 ] || fail "usage: cobol <source>[ use(<directives file>)];"
words=("$@")
last=${words[$#-1]}
words[$#-1]=${last%;}
directives=
case ${words[$#-1]} in
use\(*\))
    directives=${words[$#-1]#use(}
    directives=${directives%)}
    unset "words[$#-1]"
    ;;
esac
source="${words[*]}"
[ -n "$source" ] || fail "no source named"
[ -f "$source" ] || fail "cannot find $source"

machine=${VELDRA_COBOL_MACHINE:-x86}
case $machine in
x64) defines=(-D_AMD64_=1 -DWIN32 -DWIN64) ;;
x86)
    defines=(-D_X86_=1 -DWIN32)
    # Debian's wine starts 32-bit programs only with its wine32 package.
    if [ -z "${WINELOADER:-}" ] && [ -x /usr/lib/wine/wine64 ] && [ ! -x /usr/lib/wine/wine ]; then
        fail "x86 COBOL needs Wine's 32-bit half (wine32) to run the x86 compiler;" \
            "install it, or set VELDRA_COBOL_MACHINE=x64 and link with -P3"
    fi
    ;;
*) fail "VELDRA_COBOL_MACHINE is \"$machine\": x86 or x64 expected" ;;
esac
[ -f "$kit/$machine/cobc.exe" ] || fail "no COBOL kit in $kit/$machine"

options=()
if [ -n "$directives" ]; then
    [ -r "$directives" ] || fail "cannot read the directives file $directives"
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line%$'\r'}
        line=$(echo "$line" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//')
        case $line in "" | "#"*) continue ;; esac
        options+=("$line")
    done <"$directives"
fi

name=${source##*/}
name=${name##*\\}
stem=${name%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/cobol-XXXXXX") || fail "cannot make a scratch folder"
trap 'rm -rf "$work"' EXIT

# cobc.exe finds libcob-4.dll beside itself and its configuration along COB_CONFIG_DIR; the
# C lands in the scratch folder (with its two headers), named after the stem.
status=0
COB_CONFIG_DIR="Z:$kit/config" WINEDEBUG=-all wine "$kit/$machine/cobc.exe" -C \
    "${options[@]}" -o "Z:$work/$stem.c" "$source" >"$work/said" 2>&1 || status=$?
tr -d '\r' <"$work/said" >&2
[ $status -eq 0 ] || exit 12
# A Wine that cannot start the program may still end with status 0.
[ -f "$work/$stem.c" ] || fail "the $machine compiler did not run under Wine"
"$bin/cl" -c -nologo -MD "${defines[@]}" -w -I"$kit/$machine/include" \
    "-Fo$PWD/$stem.obj" "$work/$stem.c" >&2 || exit 12
