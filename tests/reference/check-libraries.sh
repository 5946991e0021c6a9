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
ref=$(cd "$1" && pwd) nm=$2 objdump=${2/llvm-nm/llvm-objdump}
status=0
fail() { echo "$machine: $*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#include <%s.h>\n' complex math stdio stdlib wchar >"$work/declared.c"
source "$ref/machines.sh"
for machine in $(machine_names); do
    machine_row "$machine"
    lib=$ref/lib/$machine prefix=$MACHINE_PREFIX define=-D$MACHINE_DEFINE=1
    defined=$("$nm" "$lib"/*.lib 2>/dev/null | awk 'NF == 3 && $2 ~ /^[A-TV-Z]$/ { print $3 }' |
        sort -u)
    needed=$("$nm" -u "$lib"/msvcrt.lib "$lib"/zorun32*.lib 2>/dev/null |
        awk 'NF == 2 { print $2 }' | sort -u)
    [ -n "$defined" ] && [ -n "$needed" ] || fail "no symbols read"
    missing=$(comm -13 <(echo "$defined") <(echo "$needed") |
        grep -vx -e "_${prefix}_ImageBase" -e "${prefix}zo_names")
    [ -z "$missing" ] || fail "needed but defined nowhere:" $missing
    echo "$machine: $(echo "$needed" | wc -l) symbols needed, $(echo "$defined" | wc -l) defined"

    # The functions of cl's long double, as cl's own headers declare them, and the engines.
    (cd "$work" && "$ref/bin/cl" -nologo -Zs $define -Xclang -ast-dump declared.c) 2>/dev/null |
        awk '/^[|`]-FunctionDecl/ && /long double/ { sub(/ '"'"'.*/, ""); print $NF }' >"$work/long-double"
    [ "$(wc -l <"$work/long-double")" -gt 50 ] || fail "no long double functions read from the headers"
    printf '%s\n' __mingw_{pformat,wpformat,vfscanf,vsscanf,vfwscanf,vswscanf} >>"$work/long-double"
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
    [ -z "$gcc_long_double" ] || fail "gcc's long double code called with cl's:" $gcc_long_double
done
exit $status
