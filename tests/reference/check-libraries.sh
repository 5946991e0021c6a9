#!/usr/bin/env bash
# Checks the libraries a link gets, for each machine:
# - every symbol that a member of msvcrt.lib or zorun32*.lib needs is defined by some library
#   of the link; only the linker's image base and the names object's zo_names come from
#   elsewhere;
# - no member of msvcrt.lib with gcc's long double code (the x87's 80-bit loads and stores)
#   defines or calls a function that a program calls with cl's long double, a double: one the
#   headers declare with a long double parameter or result, or a printf or scanf engine, which
#   takes a long double from a variable argument list or stores one through a pointer.
# Usage: check-libraries.sh <reference toolchain> <llvm-nm>. Exit status 0, else 1 with what
# is wrong.
set -uo pipefail
ref=$(cd "$1" && pwd) nm=$2
objdump=${nm/llvm-nm/llvm-objdump}
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#include <complex.h>\n#include <math.h>\n#include <stdio.h>\n#include <stdlib.h>\n#include <wchar.h>\n' \
    >"$work/declared.c"
engines="__mingw_pformat __mingw_wpformat __mingw_vfscanf __mingw_vsscanf __mingw_vfwscanf"
engines+=" __mingw_vswscanf"
source "$ref/machines.sh"
for machine in $(machine_names); do
    machine_row "$machine"
    lib=$ref/lib/$machine prefix=$MACHINE_PREFIX define=-D$MACHINE_DEFINE=1
    defined=$("$nm" "$lib"/*.lib 2>/dev/null | awk 'NF == 3 && $2 ~ /^[A-TV-Z]$/ { print $3 }' |
        sort -u)
    needed=$("$nm" -u "$lib"/msvcrt.lib "$lib"/zorun32*.lib 2>/dev/null |
        awk 'NF == 2 { print $2 }' | sort -u)
    [ -n "$defined" ] && [ -n "$needed" ] || { echo "$machine: no symbols read"; status=1; }
    missing=$(comm -13 <(echo "$defined") <(echo "$needed") |
        grep -vx -e "_${prefix}_ImageBase" -e "${prefix}zo_names")
    if [ -n "$missing" ]; then
        echo "$machine: needed but defined nowhere:" $missing
        status=1
    fi
    echo "$machine: $(echo "$needed" | wc -l) symbols needed, $(echo "$defined" | wc -l) defined"

    # The functions of cl's long double, as cl's own headers declare them.
    (cd "$work" && "$ref/bin/cl" -nologo -Zs $define -Xclang -ast-dump declared.c) 2>/dev/null |
        awk -v engines="$engines" '/^[|`]-FunctionDecl/ && /long double/ {
                sub(/ '"'"'.*/, ""); print $NF }
            END { print engines }' | tr ' ' '\n' | grep . | sort -u >"$work/long-double"
    [ "$(wc -l <"$work/long-double")" -gt 50 ] ||
        { echo "$machine: no long double functions read from the headers"; status=1; }
    "$objdump" -d --no-show-raw-insn "$lib/msvcrt.lib" 2>/dev/null |
        awk '/file format/ { sub(/\):.*/, ""); sub(/.*\(/, ""); member = $0 }
            /\t(fldt|fstpt)\t/ { print member }' | sort -u >"$work/x87"
    # cl marks its objects with @feat.00; gcc and its assembler do not.
    "$nm" -A "$lib/msvcrt.lib" 2>/dev/null >"$work/symbols"
    gcc_long_double=$(awk -v prefix="$prefix" '
        FNR == 1 { file++ }
        file == 1 { x87[$0] = 1; next }
        file == 2 { wanted[$0] = 1; next }
        { split($1, where, ":"); member = where[2]; name = $NF }
        file == 3 { if (name == "@feat.00") cl[member] = 1; next }
        { if (prefix != "") sub("^" prefix, "", name)
          if ((member in x87) && !(member in cl) && (name in wanted)) print member ":" name }' \
        "$work/x87" "$work/long-double" "$work/symbols" "$work/symbols" | sort -u)
    if [ -n "$gcc_long_double" ]; then
        echo "$machine: gcc's long double code where cl's long double is passed:" $gcc_long_double
        status=1
    fi
done
exit $status
