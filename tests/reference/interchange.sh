#!/usr/bin/env bash
# One indexed file, both machines: the keyed master file program (cobol/keyed.cbl) is linked
# with veldra for x64 and for x86, each in a folder of its own with its runtime beside it; the
# file that one machine's program loads is copied to the other's folder, whose program reads it
# back and must report what the writer reported. Both ways: x64 to x86, x86 to x64.
#
#   interchange.sh <veldra> <reference toolchain> <work folder>
#
# Exit status: 0; 1 when a link fails or a report differs (both are printed); 77 (not run, with
# the reason) without the COBOL kit, or where Wine cannot start 32-bit programs.
set -uo pipefail
veldra=$1 ref=$2 work=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ -x "$ref/bin/cobol" ] || { echo "not run: no COBOL kit: $(cat "$ref/cobol/missing" 2>/dev/null)"; exit 77; }
source "$here/../../scripts/lib.sh"
wine32_ready || { echo "not run: $WINE32_WHY"; exit 77; }

export WINEDEBUG=-all
rm -rf "$work" && mkdir -p "$work" || exit 1
source "$ref/machines.sh"
machines=($(machine_names))
for machine in "${machines[@]}"; do
    mkdir "$work/$machine" && cp "$here/cobol/keyed.cbl" "$work/$machine/" || exit 1
    (
        cd "$work/$machine" && toolchain_env "$ref" "$machine" &&
            PATH=$(dirname "$veldra"):$PATH "$veldra" "${TOOLCHAIN_WORDS[@]}" keyed.cbl >build.log 2>&1
    ) || { echo "FAILED: veldra keyed.cbl for $machine:"; cat "$work/$machine/build.log"; exit 1; }
done

# Prints the program's report of the file in its folder ("load" first makes the file anew),
# also kept in <machine>/<load|report>.out; what it and Wine say on standard error is in .err.
keyed() { # <machine> load|report
    (cd "$work/$1" && wine keyed.exe "$2" 2>"$2.err" </dev/null | tr -d '\r' | tee "$2.out")
}
failures=0
for ((i = 0; i < ${#machines[@]}; i++)); do
    # The reader: the next machine of the table, the last one's the first.
    writer=${machines[i]} reader=${machines[(i + 1) % ${#machines[@]}]}
    rm -f "$work"/*/master.dat*
    wrote=$(keyed $writer load | sed -n '/^report:/,$p')
    read=$(cp "$work/$writer"/master.dat* "$work/$reader/" && keyed $reader report)
    if [ -n "$wrote" ] && [ "$read" = "$wrote" ]; then
        echo "ok: the file written by $writer reads back in $reader ($(grep -c '^10[0-9][0-9] ' <<<"$read") records)"
        continue
    fi
    echo "FAILED: the file written by $writer, read by $reader"
    diff <(echo "$wrote") <(echo "$read") | sed 's/^/  /'
    tail -n +1 "$work/$writer"/load.{out,err} "$work/$reader/report.err" | sed 's/^/  /'
    failures=$((failures + 1))
done
[ $failures -eq 0 ]
