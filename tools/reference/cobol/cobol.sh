#!/usr/bin/env bash
# cobol of the reference toolchain: compiles one COBOL source into <stem>.obj in the current
# folder. The command line is veldra's:
#   cobol <source>;                       or   cobol <source> use(<directives file>);
# A directives file holds compiler options, one to a line (blank lines and lines that begin
# with "#" are skipped), for example "-free" or "-DLEVEL=2".
# The machine comes from VELDRA_COBOL_MACHINE: x86 (the default) or x64. Steps:
#   1. translate the source to C (cobc -C) with that machine's translator, the kit's cobc built
#      for this host, which writes the C that the machine's cobc.exe writes (binary fields and
#      pointers of the machine's own sizes); no Wine is needed;
#   2. compile the C with the toolchain's cl against the kit's libcob headers.
# COPY finds GnuCOBOL's own copybooks (screenio.cpy, sqlca.cpy...) in the kit, as on Windows.
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

# x86 unless told, as veldra's own machine is.
machine=${VELDRA_COBOL_MACHINE:-x86}
source "$bin/../machines.sh"
machine_row "$machine" ||
    fail "VELDRA_COBOL_MACHINE is \"$machine\": $(machine_names | paste -sd, | sed 's/,/ or /g') expected"
defines=("${MACHINE_DEFINES[@]}")
[ -x "$kit/$machine/cobc" ] || fail "no COBOL kit in $kit/$machine"

options=()
if [ -n "$directives" ]; then
    [ -r "$directives" ] || fail "cannot read the directives file $directives"
    while IFS= read -r line || [ -n "$line" ]; do
        line=${line%$'\r'}
        line=${line#"${line%%[![:space:]]*}"}
        line=${line%"${line##*[![:space:]]}"}
        case $line in "" | "#"*) continue ;; esac
        options+=("$line")
    done <"$directives"
fi

name=${source##*/}
name=${name##*\\}
stem=${name%.*}
work=$(mktemp -d "${TMPDIR:-/tmp}/cobol-XXXXXX") || fail "cannot make a scratch folder"
trap 'rm -rf "$work"' EXIT

# The translator finds its configuration along COB_CONFIG_DIR and GnuCOBOL's copybooks along
# COB_COPY_DIR; the C lands in the scratch folder (with its headers), named after the stem.
COB_CONFIG_DIR=$kit/config COB_COPY_DIR=$kit/copy "$kit/$machine/cobc" -C "${options[@]}" \
    -o "$work/$stem.c" "$source" >&2 || exit 12
"$bin/cl" -c -nologo -MD "${defines[@]}" -w -I"$kit/$machine/include" \
    "-Fo$PWD/$stem.obj" "$work/$stem.c" >&2 || exit 12
