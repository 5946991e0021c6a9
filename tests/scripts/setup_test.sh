#!/usr/bin/env bash
# The setup scripts' own rules, with stand-ins first on PATH for the programs they ask:
#   - whether the suite runs the x86 Windows build (wine32_check), decided by what Wine prints
#     for a 32-bit program and not by its status, and never where the kernel runs no 32-bit
#     program;
#   - what setup does about wine32 (wine32_plan) for each kernel and installation;
#   - fetching into one cache from two builds at once, and failing, naming the source, when no
#     archive has it.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/build/windows32" "$work/state"
: >"$work/build/windows32/veldra.exe"
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
# in_lib <commands>: runs them in a shell that sourced lib.sh, the stand-ins first on PATH.
in_lib() {
    PATH=$work/bin:$PATH VELDRA_BUILD=$work/build VELDRA_STATE=$work/state \
        bash -c ". '$root/scripts/lib.sh'; $1"
}
stand_in() { # <name> <body>
    printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"
    chmod +x "$work/bin/$1"
}

# wine_row <kernel: yes|no> <wine's script body> <expected status> <text the reason holds>
wine_row() {
    stand_in wine "$2"
    local why status=0
    why=$(VELDRA_KERNEL_32BIT=$1 in_lib 'wine32_check; s=$?; echo "$WINE32_WHY"; exit $s') ||
        status=$?
    [ $status -eq "$3" ] && grep -qF -- "$4" <<<"$why" ||
        fail "kernel $1, wine doing '$2': status $status (want $3), reason '$why' (want '$4')"
}
usage='echo "usage: veldra [-V] [-S] [-D] [-G] [-L] [-K] [-Boptions] [-Foption]"'
# A Wine without its 32-bit half: a hint on standard error, nothing on standard output, status 0.
wine_row yes 'echo "it looks like wine32 is missing" >&2; exit 0' 1 "printed no usage"
wine_row yes 'exit 0' 1 "cannot start 32-bit programs"
wine_row yes "$usage" 0 ""
# The usage, but the program failed.
wine_row yes "$usage; exit 3" 1 "printed no usage"
wine_row yes 'echo "wine: could not load kernel32.dll, status c0000135"' 1 "printed no usage"
# A kernel without 32-bit programs decides before Wine is asked.
wine_row no "$usage" 1 "this machine's kernel runs no 32-bit x86 programs: the x86 Windows tests will not run"
rm "$work/build/windows32/veldra.exe"
wine_row yes "$usage" 1 "the x86 build has no veldra.exe"
# The probe itself, on this machine: whatever the kernel says, it must answer, and the override
# must win.
in_lib 'kernel_runs_32bit; [ $? -le 1 ]' || fail "the 32-bit probe gave no answer"
VELDRA_KERNEL_32BIT=no in_lib 'kernel_runs_32bit' && fail "VELDRA_KERNEL_32BIT=no is not obeyed"

# plan_row <kernel> <wine32: installed|not> <state files> <expected plan>
plan_row() {
    stand_in dpkg-query "[ \"\$3\" = wine32:i386 ] && [ $2 = installed ] && printf installed"
    rm -f "$work/state"/*
    local file plan
    for file in $3; do : >"$work/state/$file"; done
    plan=$(VELDRA_KERNEL_32BIT=$1 in_lib 'wine32_plan; echo $WINE32_PLAN')
    [ "$plan" = "$4" ] || fail "kernel $1, wine32 $2, state '$3': plan $plan (want $4)"
}
plan_row yes installed "" keep
plan_row yes not "" install
plan_row yes not wine32-unavailable none
plan_row no not "" none
plan_row no not wine32-unavailable none
plan_row no installed wine32-installed remove
plan_row no installed "" refuse
rm -f "$work/bin/dpkg-query"

# Fetching. No archive of apt's: only VELDRA_DEBIAN_MIRROR, a folder given as a file:// URL.
stand_in apt-get 'exit 0'
stand_in curl "echo \"\$*\" >>'$work/curl.log'; sleep 1; exec $(type -P curl) \"\$@\""
mkdir -p "$work/archive/pool/main/t/tiny"
echo "a pinned source" >"$work/archive/pool/main/t/tiny/tiny_1.0.orig.tar.gz"
sum=$(sha256sum <"$work/archive/pool/main/t/tiny/tiny_1.0.orig.tar.gz" | cut -d' ' -f1)
fetch() { # <cache> <sha256>: prints the path, its status on a line of its own
    VELDRA_CACHE=$1 VELDRA_DEBIAN_MIRROR=file://$work/archive in_lib \
        ". '$root/tools/reference/fetch.sh'; fetch_source t/tiny/tiny_1.0.orig.tar.gz $2; echo \$?"
}
fetch "$work/cache" "$sum" >"$work/one" 2>&1 &
fetch "$work/cache" "$sum" >"$work/two" 2>&1 &
wait
want="$work/cache/sources/tiny_1.0.orig.tar.gz"
for out in one two; do
    [ "$(cat "$work/$out")" = "$want"$'\n0' ] || fail "fetch at once ($out): $(cat "$work/$out")"
done
[ "$(wc -l <"$work/curl.log")" = 1 ] || fail "two fetches at once downloaded $(wc -l <"$work/curl.log") times"
cmp -s "$want" "$work/archive/pool/main/t/tiny/tiny_1.0.orig.tar.gz" || fail "the fetched file differs"
ls "$work/cache/sources" | grep -q part && fail "a temporary file was left: $(ls "$work/cache/sources")"
out=$(fetch "$work/bad" "${sum//?/0}" 2>&1)
grep -q 'checksum mismatch' <<<"$out" && [ "${out##*$'\n'}" = 1 ] &&
    [ -z "$(ls "$work/bad/sources")" ] || fail "a wrong checksum: $out"
# The archive taken away: the kit's build fails, naming the first source it could not get.
rm -rf "$work/archive"
out=$(VELDRA_CACHE=$work/empty VELDRA_DEBIAN_MIRROR=file://$work/archive PATH=$work/bin:$PATH \
    bash "$root/tools/reference/cobol/build-kit.sh" "$work/reference" 1 2>&1)
status=$?
[ $status = 1 ] && grep -q 'cannot be built: .*cannot fetch pool/main/g/gmp/gmp_' <<<"$out" &&
    [ ! -e "$work/reference/cobol" ] || fail "the kit without its sources: status $status, $out"

[ $failed -eq 0 ] && echo "setup rules: all rows passed"
exit $failed
