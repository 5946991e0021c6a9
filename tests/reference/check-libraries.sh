#!/usr/bin/env bash
# Every symbol that a member of msvcrt.lib or zorun32*.lib needs is defined by some library a
# link gets, for each machine; only the linker's image base and the names object's zo_names
# come from elsewhere. Usage: check-libraries.sh <reference toolchain> <llvm-nm>
set -uo pipefail
ref=$1 nm=$2
status=0
for machine in x64 x86; do
    lib=$ref/lib/$machine
    prefix=
    [ $machine = x64 ] || prefix=_
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
done
exit $status
