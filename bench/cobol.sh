#!/usr/bin/env bash
# The COBOL benchmark: what a COBOL source costs to build with the reference toolchain,
# against Debian's native GnuCOBOL on the same machine, timed with hyperfine:
#
#   bash bench/cobol.sh [--runs R] [--build DIR]
#
# Cases, each in a scratch folder with a small COBOL program, hello.cbl, for each machine of
# the toolchain's table (x64, x86):
#   link        veldra -N hello.cbl, with the machine's word (-P3 for x64; cobol, cl, tessor and
#               link) against cobc -x hello.cbl
#   cobol       the `cobol hello.cbl;` step alone against the two steps it stands for: the
#               native cobc -C hello.cbl and the toolchain's cl on the C it wrote
#   cobol cold  `cobol hello.cbl;` (x64) with Wine's server stopped before each run, which is
#               what the first COBOL source of a build paid while cobol translated under Wine
# and prints hyperfine's table for each with the ratio of the means. DIR is a configured build
# folder whose reference toolchain has the COBOL kit (default build/native); Wine's settings
# (WINEPREFIX...) are taken from the environment, as scripts/lib.sh sets them. The figures
# move with the machine's load: compare runs taken in one sitting.
# Exit status: 0, 1 when something needed is missing or a command fails.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=$root/build/native
runs=20
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: bash bench/cobol.sh [--runs R] [--build DIR]" >&2; exit 1 ;;
    esac
done
ref=$build/reference
for need in hyperfine cobc; do
    command -v $need >/dev/null || { echo "cobol.sh: $need is not installed" >&2; exit 1; }
done
[ -x "$ref/bin/cobol" ] || { echo "cobol.sh: no COBOL kit in $ref" >&2; exit 1; }
[ -x "$build/veldra" ] || { echo "cobol.sh: no veldra in $build" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/veldra-cobol-bench-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cat >"$work/hello.cbl" <<'EOF'
       IDENTIFICATION DIVISION.
       PROGRAM-ID. HELLO.
       PROCEDURE DIVISION.
           DISPLAY "Hello, world".
           STOP RUN.
EOF
cd "$work" || exit 1
source "$root/scripts/lib.sh"
toolchain_env "$ref" x64
export PATH=$build:$PATH WINEDEBUG=-all
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $runs runs a case"

# compare <title> <command A> <command B>: both timed in one hyperfine run; prints the table
# and the ratio of A's mean to B's.
compare() {
    local title=$1 json=$work/result.json
    shift
    echo
    echo "## $title"
    hyperfine ${HF_STYLE:---style basic} --warmup 2 --runs "$runs" --export-json "$json" "$@" |
        grep -v '^ *Range\|^ *$' || exit 1
    python3 - "$json" <<'EOF' 2>/dev/null ||
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print("ratio of the means, first/second: %.2f" % (r[0]["mean"] / r[1]["mean"]))
EOF
        echo "(no python3: no ratio)"
}

# Each machine of the toolchain's table, with veldra's word for it.
for machine in $(machine_names); do
    machine_row "$machine"
    link="veldra -N ${MACHINE_VELDRA[*]:+${MACHINE_VELDRA[*]} }hello.cbl"
    compare "link $machine: $link against cobc -x hello.cbl" \
        "VELDRA_COBOL_MACHINE=$machine $link" "cobc -x hello.cbl"
done
for machine in $(machine_names); do
    machine_row "$machine"
    compare "cobol $machine: cobol hello.cbl; against cobc -C hello.cbl and cl" \
        "VELDRA_COBOL_MACHINE=$machine cobol hello.cbl;" \
        "cobc -C hello.cbl && cl -c -nologo -MD -w -I$ref/cobol/$machine/include ${MACHINE_DEFINES[*]} hello.c"
done
if command -v wineserver >/dev/null; then
    echo
    echo "## cobol cold: cobol hello.cbl; (x64) with Wine's server stopped before each run"
    hyperfine --style basic --runs $((runs < 10 ? runs : 10)) --prepare 'wineserver -k; sleep 1' \
        "VELDRA_COBOL_MACHINE=x64 cobol hello.cbl;" | grep -v '^ *Range\|^ *$' || exit 1
fi
