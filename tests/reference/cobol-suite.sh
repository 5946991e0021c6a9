#!/usr/bin/env bash
# GnuCOBOL 3.1.2's own test suite (tests/testsuite in the pinned tarball), driven by its own
# atlocal in its installed-compiler mode (GNUCOBOL_TEST_LOCAL=1), as a distribution runs
# upstream's checks: its cobc and cobcrun are the front ends of ./cobc (veldra and the
# reference toolchain for the machine; cobcrun.exe built here from the tarball's bin/cobcrun.c),
# its run prefix runs ./prog as prog.exe under Wine. "native" runs it with Debian's cobc instead,
# the baseline.
#
#   cobol-suite.sh <x64|x86|native> [<testsuite's words: test numbers, -k keyword...>]
#
# cobol-suite.allow lists the tests that fail, with why: "<file>:<line> <machines> <reason>",
# the test as the suite lists it (its AT_SETUP; several of a file with one reason:
# <file>:<line>,<line>...), machines "all" or a list (x64,x86,native).
# A failure not on it fails the run, and so does an entry whose test passed or that names no
# test of the suite (only when the whole suite ran).
#
# Environment: VELDRA_PROGRAM, VELDRA_REFERENCE, VELDRA_SCRIPTS (the project's scripts/),
# VELDRA_COBOL_SUITE_WORK (default ${TMPDIR:-/tmp}/veldra-cobol-suite), VELDRA_JOBS (tests at
# once, default 2). Work folder: <work>/<machine>, with results.txt (every test and its
# outcome), the suite's own testsuite.log and testsuite.dir, and corpus/, every COBOL program
# the suite built (for translation.sh).
# Exit status: 0, 1 for a failure not on the allow-list or a stale entry, 77 (not run, with the
# reason) without the COBOL kit, Wine, or for x86 a Wine that starts 32-bit programs.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
machine=${1:?usage: cobol-suite.sh <x64|x86|native> [<testsuite words>]}
shift
ref=${VELDRA_REFERENCE:-$here/../../build/native/reference}
VELDRA_PROGRAM=${VELDRA_PROGRAM:-$here/../../build/native/veldra}
source "${VELDRA_SCRIPTS:-$here/../../scripts}/lib.sh"
skip() {
    echo "not run: $*"
    exit 77
}
# The screen tests need a terminal type natively, whatever the caller's; a Windows console has
# none, and ncurses then draws through the console's functions. Windows programs separate the
# folders of a list with ";".
if [ "$machine" = native ]; then
    command -v cobc >/dev/null || skip "Debian's GnuCOBOL (gnucobol3) is not installed"
    export TERM=xterm
    separator=:
else
    unset TERM
    [ -x "$ref/bin/cobol" ] ||
        skip "no COBOL kit: $(cat "$ref/cobol/missing" 2>/dev/null || echo "no $ref/bin/cobol")"
    command -v wine >/dev/null || skip "Wine is not installed, and the programs run under it"
    [ "$machine" != x86 ] || wine32_ready || skip "$WINE32_WHY"
fi
source "$VELDRA_ROOT/tools/reference/fetch.sh"
source "$VELDRA_ROOT/tools/reference/cobol/sources.sh"
tarball=$(fetch_source "$cob_pool" "$cob_sum") || exit 1

work=${VELDRA_COBOL_SUITE_WORK:-${TMPDIR:-/tmp}/veldra-cobol-suite}/$machine
rm -rf "$work" && mkdir -p "$work" || exit 1
tar -xf "$tarball" -C "$work" --strip-components=1 --wildcards '*/tests/*' '*/config/*' \
    '*/bin/cobcrun.c' '*/libcob/cobgetopt.h' '*/tarstamp.h' || exit 1
tests=$work/tests
# What configure would write: atconfig (what the suite and, for an installed compiler, atlocal
# read of it), and atlocal with the tools' names.
cat >"$tests/atconfig" <<EOF
at_testdir='tests'
at_srcdir='.'
abs_srcdir='$tests'
at_top_srcdir='..'
abs_top_srcdir='$work'
at_top_build_prefix='../'
AUTOTEST_PATH='tests'
SHELL=\${CONFIG_SHELL-'/bin/sh'}
EOF
sed -e "s/@COB_EXE_EXT@//g; s/@AWK@/awk/; s/@GREP@/grep/; s/@SED@/sed/; s/@PATH_SEPARATOR@/${separator:-;}/" \
    -e 's|@prefix@|/usr|; s|@exec_prefix@|/usr|' "$tests/atlocal.in" >"$tests/atlocal" || exit 1
export GNUCOBOL_TEST_LOCAL=1 WINEDEBUG=-all
unset COBC COBCRUN COBCRUN_DIRECT

if [ "$machine" != native ]; then
    # The front ends first on PATH, under the names the suite calls.
    mkdir -p "$work/bin" "$work/corpus"
    for name in cobc cobcrun run; do ln -s "$here/cobc" "$work/bin/$name"; done
    toolchain_env "$ref" "$machine" || exit 1
    export PATH=$work/bin:$(dirname "$VELDRA_PROGRAM"):$PATH COBCRUN_DIRECT=$work/bin/run
    export VELDRA_PROGRAM VELDRA_REFERENCE=$ref VELDRA_COBCRUN=$work/bin/cobcrun.exe \
        VELDRA_COBC_CORPUS=$work/corpus
    # cobcrun.exe from its source, as GnuCOBOL's build makes it, with the kit's libcob: its
    # config.h names the package and has libcob's data imported, as a Windows compiler other
    # than clang gets it; its start is cobcrun-start.c's.
    printf '%s\n' '#define PACKAGE_NAME "GnuCOBOL"' '#define PACKAGE_VERSION "3.1.2"' \
        '#define PATCH_LEVEL 0' '#define COB_EXT_IMPORT __declspec(dllimport) extern' \
        >"$work/bin/config.h"
    (cd "$work/bin" && cl -c -nologo -MD -w "${MACHINE_DEFINES[@]}" -I. "-I$work" "-I$work/libcob" \
        "-I$ref/cobol/$machine/include" -Dmain=cobcrun_main cobcrun.c "$here/cobcrun-start.c" &&
        link -nologo -nodefaultlib "-machine:$machine" -entry:start -subsystem:console \
            -out:cobcrun.exe cobcrun.obj cobcrun-start.obj "$ref/cobol/$machine/libcob.lib" \
            "$ref/lib/$machine/msvcrt.lib" "$ref/lib/$machine/kernel32.lib") >"$work/cobcrun.log" 2>&1 &&
        wine "$VELDRA_COBCRUN" --version >/dev/null 2>&1 ||
        { cat "$work/cobcrun.log"; echo "cobol-suite.sh: cobcrun.exe was not built"; exit 1; }
fi

(cd "$tests" && ./testsuite -j"${VELDRA_JOBS:-2}" "$@") >"$work/run.log" 2>&1
# Each test's outcome, by its number, as a run of the suite printed it (a later run's wins).
outcome=()
read_outcomes() {
    while read -r number result; do outcome[number]=$result; done < <(sed -nE \
        's/^ *([0-9]+): .*[^ ] +(ok|FAILED .*|skipped .*|expected failure .*|UNEXPECTED.*)$/\1 \2/p' "$1")
}
read_outcomes "$work/run.log"
# Under load Wine now and then cannot start a program at all: Wine's start then says
# "ShellExecuteEx failed" in its place, and the program never ran. Such a test runs once more
# (its first folder kept as NNNN.unstarted), and the summary counts it.
unstarted=()
for number in "${!outcome[@]}"; do
    printf -v dir '%s/testsuite.dir/%04d' "$tests" "$number"
    [[ ${outcome[number]} == FAILED* ]] &&
        grep -qs '^+ShellExecuteEx failed' "$dir/testsuite.log" || continue
    unstarted+=("$number")
    rm -rf "$dir.unstarted" && cp -r "$dir" "$dir.unstarted"
done
if [ ${#unstarted[@]} -gt 0 ]; then
    (cd "$tests" && ./testsuite "${unstarted[@]}") >"$work/rerun.log" 2>&1
    read_outcomes "$work/rerun.log"
fi
elapsed=$SECONDS

# The suite's tests (number, file:line, title) and the allow-list's entries for this machine.
declare -A allowed=()
while read -r number where name; do
    id[number]=$where title[number]=$name
done < <(cd "$tests" && ./testsuite --list | sed -n 's/^ *\([0-9]*\): \([^ ]*\) \(.*\)/\1 \2 \3/p')
while read -r where machines text; do
    [[ ,$machines, == *,all,* || ,$machines, == *,$machine,* ]] || continue
    for line in ${where//,/ }; do allowed[${where%%:*}:${line#*:}]=$text; done
done < <(grep -v '^#' "$here/cobol-suite.allow")
# Why a test was skipped, from the line of the suite's source its outcome names: the condition
# of its AT_SKIP_IF (true: the suite skips it itself), or its check that ended with 77.
why_skipped() {
    sed -n "${1#*:}{s/^[[:space:]]*//; s/^AT_SKIP_IF(\[*true\]*).*/by the suite itself/
        s/^AT_SKIP_IF(\[*\(.*[^]]\)\]*).*/\1/; s/^AT_CHECK(\[\(.*exit 77\)\].*/\1/
        s/^AT_CHECK(\[\([^]]*\)\].*/its program ended with 77: \1/; p}" "$tests/testsuite.src/${1%:*}"
}

passed=0 failed=() listed=() stale=() xfail=0
for number in "${!outcome[@]}"; do
    where=${id[number]:-?} result=${outcome[number]}
    case $result in
    ok) passed=$((passed + 1)) ;;
    skipped*) why_skipped "${result:9:-1}" >&3 ;;
    "expected failure"*) xfail=$((xfail + 1)) ;;
    *) if [ -n "${allowed[$where]:-}" ]; then listed+=("$where"); else failed+=("$number"); fi ;;
    esac
    # A listed test that did not fail has outlived its entry.
    [[ -z ${allowed[$where]:-} || $result == FAILED* || $result == UNEXPECTED* ]] || stale+=("$where")
    printf '%s\t%s\t%s\t%s\n' "$number" "$where" "${title[number]:-}" "$result"
    unset "allowed[$where]"
done >"$work/results.txt" 3>"$work/skipped.txt"
[ ${#outcome[@]} -gt 0 ] || { cat "$work/run.log"; echo "cobol-suite.sh: the suite ran no test"; exit 1; }

echo "GnuCOBOL 3.1.2's test suite, $machine$([ $# -eq 0 ] || echo " ($*)"): ${#outcome[@]} tests in ${elapsed}s"
printf '  %-14s %5d\n' passed $passed failed ${#failed[@]} allow-listed ${#listed[@]} \
    "expected fail" $xfail
sort "$work/skipped.txt" | uniq -c | sort -k1,1nr |
    awk '{ n = $1; sub(/^ *[0-9]+ /, ""); printf "  %-14s %5d  %s\n", "skipped", n, $0 }'
[ ${#unstarted[@]} -eq 0 ] ||
    echo "  Wine could not start the program of ${#unstarted[@]}, run once more: ${unstarted[*]}"
echo "  every test and its outcome: $work/results.txt"
for number in "${failed[@]}"; do
    echo "FAILED: ${id[$number]} ${title[$number]}: see $tests/testsuite.dir/$(printf '%04d' "$number")"
done
for where in "${stale[@]}"; do echo "DID NOT FAIL, but on the allow-list: $where: take it off"; done
# Entries left name no test, when the whole suite ran.
[ $# -gt 0 ] || for where in "${!allowed[@]}"; do echo "ON THE ALLOW-LIST, but no such test: $where"; done
[ ${#failed[@]} -eq 0 ] && [ ${#stale[@]} -eq 0 ] && { [ $# -gt 0 ] || [ ${#allowed[@]} -eq 0 ]; }
