#!/usr/bin/env bash
# Whether the suite runs the x86 Windows build is decided by what Wine prints for a 32-bit
# program, not by its status: each row puts a stand-in `wine` first on PATH and checks
# wine32_check's answer and reason.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/build/windows32"
: >"$work/build/windows32/veldra.exe"
failed=0

# row <wine's script body> <expected status> <text the reason holds>
row() {
    printf '#!/bin/sh\n%s\n' "$1" >"$work/bin/wine"
    chmod +x "$work/bin/wine"
    local why status=0
    why=$(PATH=$work/bin:$PATH VELDRA_BUILD=$work/build bash -c \
        ". '$root/scripts/lib.sh'; wine32_check; s=\$?; echo \"\$WINE32_WHY\"; exit \$s") || status=$?
    if [ $status -ne "$2" ] || ! grep -qF -- "$3" <<<"$why"; then
        echo "FAIL: wine doing '$1': status $status (want $2), reason '$why' (want '$3')"
        failed=1
    fi
}

usage='echo "usage: veldra [-V] [-S] [-D] [-G] [-L] [-K] [-Boptions] [-Foption]"'
# A Wine without its 32-bit half: a hint on standard error, nothing on standard output, status 0.
row 'echo "it looks like wine32 is missing" >&2; exit 0' 1 "printed no usage"
row 'exit 0' 1 "cannot start 32-bit programs"
row "$usage" 0 ""
# The usage, but the program failed.
row "$usage; exit 3" 1 "printed no usage"
row 'echo "wine: could not load kernel32.dll, status c0000135"' 1 "printed no usage"
rm "$work/build/windows32/veldra.exe"
row "$usage" 1 "the x86 build has no veldra.exe"
[ $failed -eq 0 ] && echo "wine32 detection: all rows passed"
exit $failed
