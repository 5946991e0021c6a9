#!/usr/bin/env bash
# Same translation: the COBOL kit's translator for this host (cobol/<machine>/cobc, what `cobol`
# runs) and the machine's Windows compiler (cobol/<machine>/cobc.exe, under Wine) translate a
# corpus of COBOL programs with cobc -C, and must write the same C, byte for byte, and say the
# same. The corpus: every COBOL program that GnuCOBOL 3.1.2's test suite built through veldra
# for the machine (cobol-suite.sh keeps them in its work folder's corpus/, named t<test>_<name>,
# with their copybooks) and the project's own (examples/, tests/reference/cobol/), each
# translated twice, with the compiler's defaults and with the test suite's options (-debug
# -Wall).
#
#   translation.sh <reference toolchain> <machine: x64 or x86> <corpus folder>
#
# Both get the same command line, down to the program's name (the C records it): the host's
# translator is started under the name Wine gives cobc.exe. Only what records the time of the
# translation is set aside before comparing: the "Generated at" comment and COB_MODULE_DATE,
# COB_MODULE_TIME and COB_MODULE_FORMATTED_DATE. The messages are compared without their CRs.
# The Windows compiler then translates under environments of 16 sizes without TMPDIR, as a
# Windows user's, where it must find its temporary folder each time.
#
# Prints the corpus's size and how many programs each way translated to the same C. Exit status:
# 0 when all are the same, 1 when any differ or a step fails, 77 (not run, with the reason) when
# there is no COBOL kit, no Wine, or, for x86, no Wine that starts 32-bit programs.
set -uo pipefail
ref=$1 machine=$2 corpus=$3
source "${VELDRA_SCRIPTS:-$(dirname "${BASH_SOURCE[0]}")/../../scripts}/lib.sh"

skip() {
    echo "not run: $*"
    exit 77
}
kit=$ref/cobol
[ -x "$kit/$machine/cobc" ] || skip "no COBOL kit: $(cat "$kit/missing" 2>/dev/null)"
command -v wine >/dev/null || skip "Wine is not installed, and the Windows compiler needs it"
[ "$machine" != x86 ] || wine32_ready || skip "$WINE32_WHY"
[ -n "$(ls "$corpus" 2>/dev/null)" ] ||
    { echo "translation.sh: no corpus in $corpus (cobol-suite.sh $machine makes it)"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/veldra-translation-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/corpus" &&
    cp "$VELDRA_ROOT"/examples/*.cbl "$VELDRA_ROOT"/tests/reference/cobol/*.cbl "$work/corpus/" || exit 1
cd "$work/corpus" || exit 1
programs=(*.cob *.cbl)
echo "corpus: ${#programs[@]} programs ($(ls t*_* | wc -l) of the test suite)"

# Runs both translators in the folders windows/ and host/ (copies of the corpus) with the same
# command line, cobc -C "$@", after removing the C an earlier run wrote (each run's is compared
# before the next); what they said goes to windows.said and host.said, without CRs. The host's
# translator runs under the name Wine gives a Windows program started by its path.
both() {
    rm -f "$work"/{windows,host}/*.c "$work"/{windows,host}/*.c.*
    (cd "$work/windows" && COB_CONFIG_DIR="Z:$kit/config" COB_COPY_DIR="Z:$kit/copy" \
        WINEDEBUG=-all wine "$kit/$machine/cobc.exe" -C "$@" 2>&1 | tr -d '\r' >../windows.said)
    (cd "$work/host" && COB_CONFIG_DIR=$kit/config COB_COPY_DIR=$kit/copy \
        exec -a "Z:${kit//\//\\}\\$machine\\cobc.exe" "$kit/$machine/cobc" -C "$@" >../host.said 2>&1)
}

# same <program> [batch]: whether both wrote the same C for the program (its C file, the
# storage header and a local header for each program in it, with the time of the translation
# set aside) and said the same (after a batch: what they said of its files), and what differs.
same() {
    local stem=${1%.*} base diff status=0 of=${2:+${1%.*}.}
    for base in $(printf '%s\n' "$work"/{windows,host}/"$stem".c{,.*} | sed 's|.*/||' | sort -u); do
        diff=$(diff <(normalise "$work/windows/$base") <(normalise "$work/host/$base")) && continue
        printf '%s differs:\n%s\n' "$base" "$(head -10 <<<"$diff")"
        status=1
    done
    diff=$(diff <(said windows "$of") <(said host "$of")) && return $status
    printf '%s: the translators said different things:\n%s\n' "$1" "$(head -10 <<<"$diff")"
    return 1
}

# said <windows|host> <prefix>: the lines of what that translator said that begin with the prefix.
said() { awk -v of="$2" 'of == "" || index($0, of) == 1' "$work/$1.said"; }

# translate <options...>: the programs that the host's translator translates alone with the
# test suite's options (many of the suite's programs need options of their own, or are wrong
# on purpose) are translated by both translators fifty at a time, as a Windows program costs a
# tenth of a second to start under Wine. One run carries some state from program to program,
# which may make a program fail there, and cobc translates no more of its command line after
# a program with errors: such a program is translated alone, and the run goes on after it. A
# program translated alone by both, as cobol translates it, is compared with all that both
# said; one whose C or what was said of it differs in a longer run is translated alone again,
# and that decides.
same=0 differ=0 failed=0
translate() {
    local program alone=() rest=("${good[@]}") different=0 runs=0 i
    while [ ${#rest[@]} -gt 0 ]; do
        both "$@" "${rest[@]:0:50}"
        runs=$((runs + 1))
        for ((i = 0; i < 50 && i < ${#rest[@]}; )); do
            program=${rest[i++]}
            same "$program" batch >/dev/null && continue
            alone+=("$program")
            [ -f "$work/windows/${program%.*}.c" ] && [ -f "$work/host/${program%.*}.c" ] || break
        done
        rest=("${rest[@]:i}")
    done
    for program in "${alone[@]}"; do
        # Past twenty differences the rest tells no more, and each costs a start of Wine.
        if [ $different -ge 20 ]; then
            echo "${*:-defaults}: more than 20 programs differ; the other $((${#alone[@]} - 20)) not tried"
            different=$((different + ${#alone[@]} - 20))
            break
        fi
        both "$@" "$program"
        same "$program" | sed "s/^/${*:-defaults}: /"
        [ "${PIPESTATUS[0]}" = 0 ] || different=$((different + 1))
    done
    same=$((same + ${#good[@]} - different))
    differ=$((differ + different))
    echo "${*:-defaults}: ${#good[@]} translated in $runs runs, ${#alone[@]} of them again alone"
}

# The C with the time of its translation set aside: the header's, and what WHEN-COMPILED
# takes of it (as DD/MM/YYhh.mm.ss and YYYYMMDDhhmmsscc), found from the date the C file
# gives, at any time of that day: the Windows compiler's WHEN-COMPILED and its module time can
# fall in different seconds (seen: 07:05:23.99 in one file, not the module time's second).
headerTime='s:^\(/\* Generated at  *\).*\*/\r$:\1(time)\r:'
moduleTime='s/^\(#define  COB_MODULE_\(FORMATTED_DATE\|DATE\|TIME\)\).*\r$/\1 (time)\r/'
normalise() {
    local file=$1 c=${1%.c*}.c date
    [ -f "$file" ] || { echo "(missing)"; return; }
    date=$(sed -n 's/^#define  COB_MODULE_DATE[[:space:]]*\([0-9]*\).*/\1/p' "$c" 2>/dev/null)
    [ -n "$date" ] || { cat "$file"; return; }
    sed -e "$headerTime" -e "$moduleTime" \
        -e "s:${date:6:2}/${date:4:2}/${date:2:2}[0-9][0-9]\.[0-9][0-9]\.[0-9][0-9]:(time):g" \
        -e "s:${date}[0-9]\{8\}:(time):g" "$file"
}

cp -r "$work/corpus" "$work/windows" && cp -r "$work/corpus" "$work/host" || exit 1
printf '%s\0' "${programs[@]}" | COB_CONFIG_DIR=$kit/config COB_COPY_DIR=$kit/copy \
    xargs -0 -n 1 -P 2 "$kit/$machine/cobc" -C -debug -Wall >/dev/null 2>&1
good=()
for program in "${programs[@]}"; do [ -f "${program%.*}.c" ] && good+=("$program"); done
failed=$((2 * (${#programs[@]} - ${#good[@]})))
translate
translate -debug -Wall
echo "$machine: $((same + differ + failed)) translations, $same the same C, $differ different," \
    "$failed not made (the program needs options of its own or is wrong on purpose)"

# The temporary folder under environments of many sizes, TMPDIR unset, each padding variable a
# little longer than the one before: where the C runtime moves the environment's strings when a
# variable is set depends on its size. Under load Wine now and then cannot start the compiler at
# all (it says "ShellExecuteEx failed" in its place): that environment is tried once more, and
# said.
pad=()
for ((i = 1; i <= 45; i++)); do
    printf -v value "%$((i * 7))s" ''
    pad+=("VELDRA_PAD$i=${value// /p}")
done
tmpfails=0
for n in $(seq 0 3 45); do
    for try in 1 2; do
        out=$(cd "$work/windows" && env -u TMPDIR "${pad[@]:0:n}" \
            COB_CONFIG_DIR="Z:$kit/config" WINEDEBUG=-all wine "$kit/$machine/cobc.exe" -C \
            -o tmpdir.c "${programs[0]}" 2>&1) && continue 2
        [ $try = 2 ] || [[ $out != *"ShellExecuteEx failed"* ]] && break
        echo "with $n more variables: Wine could not start the compiler; once more"
    done
    echo "with $n more variables: $out" | tr -d '\r'
    tmpfails=$((tmpfails + 1))
done
echo "$machine: the Windows compiler found its temporary folder under $((16 - tmpfails)) of 16 environments"
[ $differ -eq 0 ] && [ $same -gt 0 ] && [ $tmpfails -eq 0 ]
