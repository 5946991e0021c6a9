#!/usr/bin/env bash
# A slice of GnuCOBOL 3.1.2's own run-time test suite (tests/testsuite.src/run_*.at in the
# pinned tarball), built through veldra with the reference toolchain for one machine and run
# under Wine: every test of the shape a link driver serves, its programs built with veldra and
# their standard output and exit status compared with what the .at file expects.
#
#   cobol-suite.sh <x64|x86> [<filter>]
#
# filter: an extended regular expression; only the tests whose name (<file>-<line>, the .at
# file without run_ and the line of its AT_SETUP: fundamental-24) or title match it are taken.
#
# A test is taken when it is made of these steps alone, in any order and number:
#   - AT_DATA files (m4's quotes and quadrigraphs undone, as m4 undoes them);
#   - compiles of a main program as an executable, "$COMPILE <options> <sources>" or
#     "$COBC -x <options> <sources>", expected to succeed: built with
#     "veldra -N [-P3] -U<directives> -O<output> <sources>", the compiler's options (with
#     $COMPILE the suite's own, -debug -Wall -fno-diagnostics-show-option) passed to cobol as
#     directives, -o as -O, and C sources compiled by veldra's cl against libcob's headers;
#     cobc -x starts the first program of the first source, veldra the one named as that
#     source, so where they differ -M names the first by its C name (prog-main: -Mprog__main);
#   - runs of a program so built, "[VAR=value...] [$COBCRUN_DIRECT] ./<name> [<words>]
#     [< <file>]", with an expected exit status and an expected standard output given literally
#     (AT_CHECK, not AT_CHECK_UNQUOTED): run with "wine <name>.exe" in the test's folder, in the
#     suite's run-time environment (no COB_ variable but COB_UNIX_LF=1, with which libcob writes
#     LF line ends on Windows as the suite asks, and COB_STACKTRACE=0), the output compared
#     without CRs; what the run writes to standard error is not compared.
# Every other test is skipped, counted under its first reason: features the kit's libcob is
# built without (screen I/O, indexed files, XML, JSON), tests GnuCOBOL itself skips or expects
# to fail, modules and cobcrun, compiler-only checks, files looked at after the run, other shell
# commands and environments. tests.txt in the work folder lists every test with what became of
# it, and each taken test's folder keeps its build and run logs.
#
# tests/reference/cobol-suite.allow lists the known, deliberate differences: "<test> <x64|x86|
# all> <reason>". A listed test that fails is counted as known; one that passes, or an entry
# for no test taken, fails the run, so that the list does not outlive its reasons.
#
# Environment: VELDRA_PROGRAM (default build/native/veldra), VELDRA_REFERENCE (default
# build/native/reference), VELDRA_COBOL_SUITE_WORK (the work folder; default
# ${TMPDIR:-/tmp}/veldra-cobol-suite), VELDRA_JOBS (tests at once, default 2), VELDRA_WINE32
# (1 or 0: whether Wine starts 32-bit programs; asked when unset), WINEPREFIX and the like.
#
# Prints a table: taken, passed, failed (with names), known differences, skipped by reason,
# and the time. Exit status: 0 when every taken test passed or is a known difference, 1
# otherwise, 77 (not run, with the reason) without the COBOL kit, without Wine, or for x86
# without a Wine that starts 32-bit programs.
set -uo pipefail
shopt -s extglob
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
self=$root/tests/reference/cobol-suite.sh

# The shell variables of the suite that a taken command may name.
known_variables="COMPILE COBC COBCRUN_DIRECT"
# The suite's $COMPILE (tests/atlocal): cobc -x with these.
compile_flags=(-debug -Wall -fno-diagnostics-show-option)

# What the kit's libcob is built without, by the suite's variable for it (atlocal's COB_HAS_*).
declare -A lacks=([COB_HAS_CURSES]=screen [COB_HAS_ISAM]=isam [COB_HAS_XML2]=xml
    [COB_HAS_JSON]=json)
declare -A reasons=(
    [screen]="needs screen I/O (curses), which the kit's libcob is built without"
    [isam]="needs indexed files (ISAM), which the kit's libcob is built without"
    [xml]="needs XML (libxml2), which the kit's libcob is built without"
    [json]="needs JSON, which the kit's libcob is built without"
    [upstream-skip]="skipped by GnuCOBOL's suite itself (AT_SKIP_IF true)"
    [xfail]="expected to fail by GnuCOBOL's suite itself (AT_XFAIL_IF)"
    [manual]="a manual test (\$RUN_PROG_MANUAL)"
    [module]="compiles a module, a program loaded at run time (\$COMPILE_MODULE, cobc -m, -c)"
    [cobcrun]="runs a module through cobcrun"
    [compile-only]="checks the compiler alone (\$COMPILE_ONLY, a compile expected to fail, no run)"
    [files]="looks at files after the run (diff, cat, test -f, sed)"
    [shell]="other shell commands around the compile or the run (pipes, export, unset, mkdir)"
    [environment]="an environment beyond plain VAR=value (shell variables, PATH, the compiler's)"
    [output]="its run's output is not given literally ([ignore], [stdout], [expout])"
    [unquoted]="an expected output that the shell expands (AT_CHECK_UNQUOTED)"
    [macro]="other m4 macros around the checks"
)

# plan <test folder>: what the test's steps become. Sets skip (a reason's key) and skip_what
# (the command or macro), or the array steps (one a step: "data K NAME", "build K LINE",
# "run K LINE": K the step's number, LINE the check's in the .at file), and for each step K:
# build_args[K] (veldra's words after -N and the machine), build_dirs[K] (the directives, one
# a line), run_env[K] (VAR=value words) and run_words[K] (the program and its words), the
# words separated by the character US, run_input[K] (a file for standard input),
# run_status[K] and run_out[K] (the file of the expected output).
plan() {
    local dir=$1 kind k line cmd n status out cond more built=()
    skip='' skip_what='' steps=() files=()
    build_args=() build_dirs=() run_env=() run_words=() run_input=() run_status=() run_out=()
    while read -r kind k line; do
        case $kind in
        skip_if | xfail_if)
            read -r cond <"$dir/cond.$k"
            if [ "$kind" = xfail_if ]; then
                # The suite's conditions are "true" and tests of COB_HAS_* alone.
                if feature_test "$cond"; then skip=xfail skip_what=$cond; return; fi
            elif [ "$cond" = true ]; then
                skip=upstream-skip skip_what=$cond
                return
            elif feature_test "$cond"; then
                skip=$feature skip_what=$cond
                return
            fi
            ;;
        data)
            steps+=("data $k $line")
            files[$line]=$dir/data.$k
            ;;
        macro) skip=macro skip_what=$k; return ;;
        shell) skip=shell skip_what=$line; return ;;
        check_unquoted) skip=unquoted; read -r skip_what <"$dir/check.$k.1"; return ;;
        check)
            read -r n <"$dir/check.$k.n"
            # Continued lines joined, as the shell joins them.
            IFS= read -rd '' cmd <"$dir/check.$k.1"
            cmd=${cmd//$'\\\n'/}
            cmd=${cmd//$'\n'/ }
            cmd=${cmd%"${cmd##*[![:space:]]}"}
            skip_what=$cmd
            status=
            [ "$n" -lt 2 ] || read -r status <"$dir/check.$k.2"
            status=${status:-0}
            classify "$cmd" || return
            # Commands run when the check fails or passes (AT_CHECK's fifth and sixth).
            more=
            [ "$n" -lt 5 ] ||
                IFS= read -rd '' more < <(cat "$dir/check.$k.5" "$dir/check.$k.6" 2>/dev/null)
            [ -z "$more" ] || { skip=shell; return; }
            case $what in
            build)
                [ "$status" = 0 ] || { skip=compile-only; return; }
                steps+=("build $k $line")
                join "build_args[k]" "${veldra_words[@]}"
                join "build_dirs[k]" "${directives[@]}"
                built+=("$output")
                ;;
            run)
                case " ${built[*]} " in
                *" $program "*) ;;
                *) skip=module; return ;;
                esac
                [[ $status =~ ^[0-9]+$ ]] || { skip=shell; return; }
                out=$dir/check.$k.3
                [ -f "$out" ] || out=/dev/null
                IFS= read -rd '' more <"$out"
                case $more in ignore* | stdout* | expout) skip=output; return ;; esac
                steps+=("run $k $line")
                join "run_env[k]" "${assignments[@]}"
                join "run_words[k]" "${program_words[@]}"
                run_input[k]=$input
                run_status[k]=$status
                run_out[k]=$out
                ;;
            esac
            ;;
        esac
    done <"$dir/steps"
    skip_what="no run of a program it builds"
    [[ " ${steps[*]}" == *" build "* ]] || { skip=compile-only; return; }
    [[ " ${steps[*]}" == *" run "* ]] || { skip=compile-only; return; }
    skip_what=
}

declare -A files

# program_id <COBOL source>: the name of its first program, as PROGRAM-ID gives it, or its AS
# name (fixed or free format; comment lines skipped).
program_id() {
    awk '
    substr($0, 7, 1) ~ /[*\/]/ || $0 ~ /^[ \t]*\*>/ { next }
    toupper($0) ~ /PROGRAM-ID/ {
        s = substr($0, index(toupper($0), "PROGRAM-ID") + 10)
        sub(/^[. \t]*/, "", s)
        # PROGRAM-ID. name AS "external name": the external one.
        if (match(toupper(s), /[ \t]AS[ \t]+["\047]/)) s = substr(s, RSTART + RLENGTH - 1)
        q = substr(s, 1, 1)
        if (q == "\"" || q == "\047") { s = substr(s, 2); sub(q ".*", "", s) }
        else { match(s, /^[A-Za-z0-9_-]*/); s = substr(s, 1, RLENGTH) }
        print s
        exit
    }' "$1"
}

us=$'\x1f'
# join <variable> <words...>: sets the variable to the words, separated by US.
join() {
    local name=$1 IFS=$us
    shift
    printf -v "$name" '%s' "$*"
}

# feature_test <condition>: true when the condition of AT_SKIP_IF or AT_XFAIL_IF holds for this
# kit, which has none of the optional libraries; sets feature to the key of what it lacks.
feature_test() {
    local var
    feature=
    [ "$1" = true ] && return 0
    for var in "${!lacks[@]}"; do
        if [[ $1 == *"$var"* ]]; then
            feature=${lacks[$var]}
            (COB_HAS_CURSES=no COB_HAS_ISAM=no COB_HAS_XML2=no COB_HAS_JSON=no; eval "$1") \
                >/dev/null 2>&1
            return
        fi
    done
    return 1
}

# classify <command>: sets what (build or run) and its words, or skip (and returns 1).
classify() {
    local cmd=$1 bare var word words=() i
    # What the shell would do beyond words and variables: ; | & > ` $( and redirections other
    # than one input file at the end.
    input=
    if [[ $cmd =~ ^(.*[^<])\<[[:space:]]*([A-Za-z0-9._-]+)$ ]]; then
        cmd=${BASH_REMATCH[1]} input=${BASH_REMATCH[2]}
    fi
    bare=${cmd//\'*([^\'])\'/}
    case $bare in
    *'$RUN_PROG_MANUAL'*) skip=manual; return 1 ;;
    *'$COMPILE_MODULE'* | *'$COB_OBJECT_EXT'*) skip=module; return 1 ;;
    *'$COMPILE_ONLY'*) skip=compile-only; return 1 ;;
    *'$COBCRUN '* | *'$COBCRUN') skip=cobcrun; return 1 ;;
    *COB_HAS_*)
        for var in "${!lacks[@]}"; do
            [[ $bare == *"$var"* ]] && { skip=${lacks[$var]}; return 1; }
        done
        skip=shell
        return 1
        ;;
    diff\ * | cmp\ * | cat\ * | test\ * | *'$SED'* | *'$GREP'* | *'$AWK'*) skip=files; return 1 ;;
    *[\;\|\&\>\<\`]* | *'$('*) skip=shell; return 1 ;;
    esac
    while [[ $bare =~ \$\{?([A-Za-z_][A-Za-z0-9_]*)(.*) ]]; do
        [[ " $known_variables " == *" ${BASH_REMATCH[1]} "* ]] || { skip=environment; return 1; }
        bare=${BASH_REMATCH[2]}
    done
    # The words as the shell splits them, the suite's variables left as words of their own
    # (the longer names that begin as they do are skipped above).
    cmd=${cmd//\$COBCRUN_DIRECT/@COBCRUN_DIRECT@}
    cmd=${cmd//\$COBC/@COBC@}
    cmd=${cmd//\$COMPILE/@COMPILE@}
    eval "words=($cmd)" 2>/dev/null || { skip=shell; return 1; }
    assignments=()
    while [ ${#words[@]} -gt 0 ] && [[ ${words[0]} =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; do
        assignments+=("${words[0]}")
        words=("${words[@]:1}")
    done
    [ ${#words[@]} -gt 0 ] || { skip=shell; return 1; }
    case ${words[0]} in
    @COMPILE@ | @COBC@)
        [ ${#assignments[@]} -eq 0 ] || { skip=environment; return 1; }
        what=build output='' sources=() directives=()
        [ "${words[0]}" = @COMPILE@ ] && directives=("${compile_flags[@]}")
        local compile_x=
        [ "${words[0]}" = @COMPILE@ ] && compile_x=1
        for ((i = 1; i < ${#words[@]}; i++)); do
            word=${words[i]}
            case $word in
            -x) compile_x=1 ;;
            -o) output=${words[++i]:-} ;;
            -o*) output=${word#-o} ;;
            -c | -m | -b | -C | -S | -E | -j* | -fsyntax-only) skip=module; return 1 ;;
            -A* | -Q* | -l* | -L* | -t* | -T*) skip=shell; return 1 ;;
            -*) directives+=("$word") ;;
            *.cob | *.cbl | *.COB | *.CBL | *.c) sources+=("$word") ;;
            *) skip=shell; return 1 ;;
            esac
        done
        [ -n "$compile_x" ] || { skip=module; return 1; }
        [ ${#sources[@]} -gt 0 ] || { skip=shell; return 1; }
        if [ -z "$output" ]; then
            output=${sources[0]%.*}
        fi
        output=${output%.exe}
        veldra_words=("-O$output")
        # cobc -x starts the first program of the first source; veldra, the program named as
        # the first source (or main), unless -M names another by its C name.
        case ${sources[0]} in
        *.c) ;;
        *)
            local id
            id=$(program_id "${files[${sources[0]}]:-/dev/null}")
            [[ $id =~ ^[0-9] ]] && id=_$id
            id=${id//-/__}
            local stem=${sources[0]%.*}
            [ -z "$id" ] || [ "${id,,}" = "${stem,,}" ] || veldra_words+=("-M$id")
            ;;
        esac
        [ ${#directives[@]} -eq 0 ] || veldra_words+=(-Udirectives.txt)
        veldra_words+=("${sources[@]}")
        ;;
    @COBCRUN_DIRECT@ | ./*)
        [ "${words[0]}" != @COBCRUN_DIRECT@ ] || words=("${words[@]:1}")
        [[ ${words[0]:-} == ./* ]] || { skip=environment; return 1; }
        what=run program=${words[0]#./}
        program_words=("$program.exe" "${words[@]:1}")
        ;;
    *) skip=shell; return 1 ;;
    esac
}

# The suite's files, one folder a test (see plan); m4's quotes are undone as m4 undoes them:
# one level for every argument, one more for AT_DATA's text, which m4 reads again (where a "#"
# outside quotes begins a comment that m4 copies as it stands), and the quadrigraphs last.
extract() {
    awk '
    function decode(s) {
        gsub(/@<:@/, "[", s); gsub(/@:>@/, "]", s); gsub(/@S\|@/, "$", s)
        gsub(/@%:@/, "#", s); gsub(/@&t@/, "", s); gsub(/@{:@/, "(", s); gsub(/@:}@/, ")", s)
        return s
    }
    function unquote(s,    out, i, j, c, n, depth) {
        out = ""; depth = 0; n = length(s)
        for (i = 1; i <= n; i++) {
            c = substr(s, i, 1)
            if (c == "[") { if (depth++ > 0) out = out c }
            else if (c == "]") { if (--depth > 0) out = out c }
            else if (c == "#" && depth == 0) {
                j = index(substr(s, i), "\n")
                if (j == 0) { out = out substr(s, i); break }
                out = out substr(s, i, j); i += j - 1
            } else out = out c
        }
        return out
    }
    function put(name, s) { printf "%s", s > name; close(name) }
    # The arguments of the call whose "(" is at pos, as m4 collects them (leading blanks
    # dropped, one level of quotes taken off) into args[1..nargs]; returns the position after
    # its ")".
    function arguments(pos,    c, depth, parens, cur, started) {
        nargs = 0; depth = 0; parens = 0; cur = ""; started = 0
        for (pos++; pos <= size; pos++) {
            c = substr(text, pos, 1)
            if (!started && depth == 0 && (c == " " || c == "\t" || c == "\n")) continue
            started = 1
            if (c == "[") { if (depth++ > 0) cur = cur c }
            else if (c == "]") { if (--depth > 0) cur = cur c }
            else if (depth == 0 && c == "(") { parens++; cur = cur c }
            else if (depth == 0 && c == ")" && parens > 0) { parens--; cur = cur c }
            else if (depth == 0 && (c == "," || c == ")")) {
                args[++nargs] = cur; cur = ""; started = 0
                if (c == ")") return pos + 1
            } else cur = cur c
        }
        return pos
    }
    # The line of a position, counted on from the last one asked.
    function lineof(pos,    s) {
        s = substr(text, lastpos, pos - lastpos)
        lastline += gsub(/\n/, "", s); lastpos = pos
        return lastline
    }
    function step(s) { print s > (test "/steps") }
    function file_done(    pos, c, name, k, m, line) {
        size = length(text); test = ""
        for (pos = 1; pos <= size; ) {
            c = substr(text, pos, 1)
            if (c == "#") {
                m = index(substr(text, pos), "\n"); if (m == 0) break
                pos += m; continue
            }
            # Quoted text outside a macro is shell code of the test.
            if (c == "[" && test != "") {
                name = ""
                for (m = 0; pos <= size; pos++) {
                    c = substr(text, pos, 1)
                    if (c == "[") m++
                    else if (c == "]" && --m == 0) break
                    else if (m == 1) name = name c
                }
                sub(/\n.*/, "", name)
                step("shell " name)
                continue
            }
            if (c !~ /[A-Za-z_]/) { pos++; continue }
            name = substr(text, pos)
            match(name, /^[A-Za-z_][A-Za-z0-9_]*/)
            name = substr(name, 1, RLENGTH); pos += RLENGTH
            if (name == "dnl") {
                m = index(substr(text, pos), "\n"); if (m == 0) break
                pos += m; continue
            }
            line = lineof(pos)
            if (substr(text, pos, 1) == "(") pos = arguments(pos); else nargs = 0
            if (name == "AT_SETUP") {
                test = stem "-" line; k = 0
                system("mkdir -p \"" test "\"")
                printf "" > (test "/steps")
                put(test "/title", decode(args[1]) "\n")
                print test > "tests"
            } else if (name == "AT_CLEANUP") {
                test = ""
            } else if (test == "" || name == "AT_KEYWORDS" || name == "AT_CAPTURE_FILE") {
            } else if (name == "AT_DATA") {
                k++; put(test "/data." k, decode(unquote(args[2])))
                step("data " k " " decode(args[1]))
            } else if (name == "AT_CHECK" || name == "AT_CHECK_UNQUOTED") {
                k++
                for (m = 1; m <= nargs; m++) put(test "/check." k "." m, decode(args[m]))
                put(test "/check." k ".n", nargs "\n")
                step((name == "AT_CHECK" ? "check " : "check_unquoted ") k " " line)
            } else if (name == "AT_SKIP_IF" || name == "AT_XFAIL_IF") {
                k++; put(test "/cond." k, decode(args[1]))
                step((name == "AT_SKIP_IF" ? "skip_if " : "xfail_if ") k)
            } else step("macro " name)
        }
    }
    FNR == 1 && NR > 1 { file_done() }
    FNR == 1 { at = FILENAME; sub(/.*\/run_/, "", at); sub(/\.at$/, "", at)
               stem = at; text = ""; lastpos = 1; lastline = 1 }
    { text = text $0 "\n" }
    END { file_done() }
    ' "$@"
}

# The time in milliseconds.
now() { echo $((${EPOCHREALTIME/./} / 1000)); }

# one <folder>: builds and runs one taken test in <folder>/run, and writes <folder>/result:
# "passed", or "failed <why>", and the seconds its builds and runs took.
one() {
    local dir=$1 k kind name started built ran status args=() env=() words=() i
    plan "$dir"
    rm -rf "$dir/run" && mkdir "$dir/run" && cd "$dir/run" || exit 1
    result() {
        echo "$1 $((built)) $((ran))" >"$dir/result"
        exit 0
    }
    built=0 ran=0
    for i in "${!steps[@]}"; do
        read -r kind k name <<<"${steps[i]}"
        case $kind in
        data) cp "$dir/data.$k" "$name" ;;
        build)
            IFS=$us read -ra args <<<"${build_dirs[k]}"
            printf '%s\n' "${args[@]}" >directives.txt
            IFS=$us read -ra args <<<"${build_args[k]}"
            started=$(now)
            echo "veldra -N $machine_word ${args[*]}" >>build.log
            veldra -N $machine_word "${args[@]}" >>build.log 2>&1
            status=$?
            built=$((built + $(now) - started))
            [ $status -eq 0 ] ||
                result "failed (line $name: the build ended with $status, run/build.log)"
            ;;
        run)
            IFS=$us read -ra env <<<"${run_env[k]}"
            IFS=$us read -ra words <<<"${run_words[k]}"
            started=$(now)
            timeout -k 5 60 env "${env[@]}" wine "${words[@]}" <"${run_input[k]:-/dev/null}" \
                2>"run.$k.err" | tr -d '\r' >"run.$k.out"
            status=${PIPESTATUS[0]}
            ran=$((ran + $(now) - started))
            if ! cmp -s "${run_out[k]}" "run.$k.out"; then
                diff -u "${run_out[k]}" "run.$k.out" >"run.$k.diff"
                result "failed (line $name: the output differs, run/run.$k.diff)"
            fi
            [ "$status" = "${run_status[k]}" ] ||
                result "failed (line $name: status $status, ${run_status[k]} expected)"
            ;;
        esac
    done
    # What a passed test built is not kept: a few hundred copies of libcob.
    rm -f -- *.exe *.dll *.obj
    result passed
}

if [ "${1:-}" = --one ]; then
    machine_word=$2
    shift 2
    for dir in "$@"; do (one "$dir"); done
    exit 0
fi

begun=$SECONDS
machine=${1:?usage: cobol-suite.sh <x64|x86> [<filter>]}
filter=${2:-}
case $machine in
x64) machine_word=-P3 ;;
x86) machine_word= ;;
*) echo "cobol-suite.sh: machine x64 or x86 expected, not $machine" >&2; exit 1 ;;
esac
skip_run() {
    echo "not run: $*"
    exit 77
}
program=${VELDRA_PROGRAM:-$root/build/native/veldra}
ref=${VELDRA_REFERENCE:-$root/build/native/reference}
[ -x "$program" ] || { echo "cobol-suite.sh: no veldra at $program" >&2; exit 1; }
[ -x "$ref/bin/cobol" ] ||
    skip_run "no COBOL kit: $(cat "$ref/cobol/missing" 2>/dev/null || echo "no $ref/bin/cobol")"
command -v wine >/dev/null || skip_run "Wine is not installed, and the programs run under it"
if [ "$machine" = x86 ]; then
    if [ -z "${VELDRA_WINE32:-}" ]; then
        (source "$root/scripts/lib.sh" && wine32_check) && VELDRA_WINE32=1
    fi
    [ "${VELDRA_WINE32:-0}" = 1 ] || skip_run "Wine cannot start 32-bit programs here (no wine32)"
fi
source "$root/tools/reference/fetch.sh"
source "$root/tools/reference/cobol/sources.sh"
tarball=$(fetch_source "$cob_pool" "$cob_sum") || exit 1

work=${VELDRA_COBOL_SUITE_WORK:-${TMPDIR:-/tmp}/veldra-cobol-suite}/$machine
rm -rf "$work" && mkdir -p "$work/at" "$work/tests" || exit 1
tar -xf "$tarball" -C "$work/at" --strip-components=3 --wildcards '*/tests/testsuite.src/run_*.at' ||
    exit 1
(cd "$work/tests" && extract "$work"/at/run_*.at) || exit 1

# The toolchain before /usr/bin, whose link is coreutils'; the machine's COBOL compiler; C
# sources see libcob's headers, as cobc -x gives them (cl's own variable); the suite's run-time
# environment, no COB_ variable but its own.
export PATH="$ref/bin:$(dirname "$program"):$PATH" LIB=$ref/lib/x86 LIB64=$ref/lib/x64
export VELDRA_COBOL_MACHINE=$machine CL="-I$ref/cobol/$machine/include"
export WINEDEBUG=-all LC_ALL=C
for var in $(compgen -e | grep '^COB_'); do unset "$var"; done
export COB_UNIX_LF=1 COB_STACKTRACE=0

# The allow-list's entries for this machine: test and reason.
declare -A allowed
while read -r name machines reason; do
    case $name in "" | "#"*) continue ;; esac
    [ "$machines" = all ] || [ "$machines" = "$machine" ] || continue
    allowed[$name]=$reason
done <"$root/tests/reference/cobol-suite.allow"

declare -A skipped
taken=() all=0
: >"$work/tests.txt"
while read -r name; do
    read -r title <"$work/tests/$name/title"
    if [ -n "$filter" ] && ! [[ $name =~ $filter ]] && ! [[ $title =~ $filter ]]; then
        continue
    fi
    all=$((all + 1))
    plan "$work/tests/$name"
    if [ -n "$skip" ]; then
        skipped[$skip]=$((${skipped[$skip]:-0} + 1))
        printf '%s\t%s\tskipped: %s%s\n' "$name" "$title" "${reasons[$skip]}" \
            "${skip_what:+ ($skip_what)}" >>"$work/tests.txt"
    else
        taken+=("$name")
    fi
done <"$work/tests/tests"
if [ ${#taken[@]} -eq 0 ]; then
    echo "cobol-suite.sh: no test taken${filter:+ matches $filter}" >&2
    exit 1
fi
# An entry of the allow-list for no test taken is a mistake, or one that has outlived its test.
strays=()
if [ -z "$filter" ]; then
    for name in "${!allowed[@]}"; do
        [[ " ${taken[*]} " == *" $name "* ]] || strays+=("$name")
    done
fi

started=$SECONDS
printf "$work/tests/%s\n" "${taken[@]}" |
    xargs -d '\n' -n 4 -P "${VELDRA_JOBS:-2}" bash "$self" --one "$machine_word"
elapsed=$((SECONDS - started))

passed=0 failed=() known=() stale=() build_ms=0 run_ms=0
for name in "${taken[@]}"; do
    read -r outcome rest <"$work/tests/$name/result" 2>/dev/null ||
        outcome="failed (no result)" rest=
    read -r title <"$work/tests/$name/title"
    times=${rest##*) }
    [[ $times =~ ^[0-9]+\ [0-9]+$ ]] || times="0 0"
    build_ms=$((build_ms + ${times% *})) run_ms=$((run_ms + ${times#* }))
    why=${rest% [0-9]* [0-9]*}
    if [ "$outcome" = passed ]; then
        if [ -n "${allowed[$name]:-}" ]; then
            stale+=("$name")
            printf '%s\t%s\tpassed, but on the allow-list (%s)\n' "$name" "$title" \
                "${allowed[$name]}" >>"$work/tests.txt"
        else
            passed=$((passed + 1))
            printf '%s\t%s\tpassed\n' "$name" "$title" >>"$work/tests.txt"
        fi
    elif [ -n "${allowed[$name]:-}" ]; then
        known+=("$name")
        printf '%s\t%s\tknown difference: %s; %s %s\n' "$name" "$title" "${allowed[$name]}" \
            "$outcome" "$why" >>"$work/tests.txt"
    else
        failed+=("$name")
        printf '%s\t%s\t%s %s\n' "$name" "$title" "$outcome" "$why" >>"$work/tests.txt"
    fi
done

total_skipped=$((all - ${#taken[@]}))
echo "GnuCOBOL 3.1.2 run-time suite through veldra, $machine${filter:+ (tests matching $filter)}:" \
    "$all tests"
printf '  %-8s %5d\n' taken ${#taken[@]} passed $passed failed ${#failed[@]}
printf '  %-8s %5d  (allow-list)\n' known ${#known[@]}
printf '  %-8s %5d\n' skipped $total_skipped
for key in "${!skipped[@]}"; do
    printf '    %5d  %s\n' "${skipped[$key]}" "${reasons[$key]}"
done | sort -k1,1nr
printf '  %-8s %5ds  (the tests %ds, %s at once: their builds %ds and runs %ds one after another)\n' \
    time $((SECONDS - begun)) $elapsed "${VELDRA_JOBS:-2}" $((build_ms / 1000)) $((run_ms / 1000))
echo "  every test and what became of it: $work/tests.txt"
for name in "${failed[@]}"; do
    grep "^$name	" "$work/tests.txt" | sed 's/^/FAILED: /'
    cat "$work/tests/$name/run"/run.*.diff 2>/dev/null | head -12 | sed 's/^/    /'
done
for name in "${stale[@]}"; do
    echo "PASSED, but on the allow-list: $name (${allowed[$name]}): take it off"
done
for name in "${strays[@]}"; do
    echo "ON THE ALLOW-LIST, but no test taken: $name"
done
[ ${#failed[@]} -eq 0 ] && [ ${#stale[@]} -eq 0 ] && [ ${#strays[@]} -eq 0 ]
