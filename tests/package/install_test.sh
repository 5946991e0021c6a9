#!/usr/bin/env bash
# Installs the built .deb for real, as its README says (apt-get install ./<file>.deb), and uses
# it as a new user would: an unprivileged user with a clean environment (env -i HOME=...
# PATH=/usr/bin:/bin) builds the example project in a scratch folder, COBOL and C, x64 and x86
# (x86 where Wine runs 32-bit programs), and runs the programs under Wine with nothing exported.
# Then the package is purged, with any package its installation brought in, so the machine is
# left as it was.
#   install_test.sh <deb> <examples folder> <work folder>
# Exit status: 0; 77 (skipped, saying why) without root, or where veldra or /etc/quenlow is on
# the machine already; 1 for a failed check. The transcript of the user's commands is kept in
# <work folder>/transcript.txt, the time the installation took in install-time.txt.
set -uo pipefail
deb=$(realpath "$1") examples=$(realpath "$2") work=$3
# wine32_ready; the functions below that share a name with its own are this script's.
source "${VELDRA_SCRIPTS:-$(dirname "${BASH_SOURCE[0]}")/../../scripts}/lib.sh"

skip() {
    echo "skipped: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
command -v apt-get >/dev/null || skip "this is no Debian machine (no apt-get)"
[ -f "$deb" ] || { echo "no package $deb"; exit 1; }
mkdir -p "$work"
work=$(realpath "$work")
# A package installed by an earlier run of this test that did not get to its end.
marker=$work/installed-by-test
if dpkg-query -W veldra >/dev/null 2>&1 || [ -e /etc/quenlow ]; then
    [ -f "$marker" ] || skip "veldra or /etc/quenlow is on this machine already, and stays as it is"
    apt-get purge -y -q veldra >/dev/null
fi

failures=0
# result <what> <status> [<details>]: ok, or FAILED with the details (each line led by "  | "),
# counted.
result() {
    if [ "$2" -eq 0 ]; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        [ -z "${3:-}" ] || sed 's/^/  | /' <<<"$3"
        failures=$((failures + 1))
    fi
}

packages() { dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Status}\n' | awk '$2 == "installed" {print $1}' | sort; }
before=$(packages)
user_dir=$(mktemp -d /tmp/veldra-install-test.XXXXXX)
cleanup() {
    apt-get purge -y -q veldra >/dev/null 2>&1
    # What the installation brought in besides (the package's dependencies), out again.
    local added
    added=$(comm -13 <(echo "$before") <(packages))
    [ -z "$added" ] || apt-get purge -y -q $added >/dev/null 2>&1
    rm -f "$marker"
    rm -rf "$user_dir"
}
trap cleanup EXIT

: >"$marker"
started=$(date +%s%N)
# apt reads a local package as its own user: a copy that user can read.
cp "$deb" "$user_dir/" && chmod 755 "$user_dir" && chmod 644 "$user_dir/${deb##*/}"
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
    "$user_dir/${deb##*/}"; then
    echo "FAILED: apt-get install ./${deb##*/}"
    exit 1
fi
ended=$(date +%s%N)
echo "apt-get install took $(((ended - started) / 1000000)) ms" | tee "$work/install-time.txt"
# What the package holds is checked from the .deb itself (package.deb.*): here, that it works.

# The user: nobody, in a scratch home of its own; every command in a clean environment.
home=$user_dir/home
mkdir -p "$home"
chown -R 65534:65534 "$user_dir"
transcript=$work/transcript.txt
: >"$transcript"
say() { printf '%s\n' "$*" >>"$transcript"; }
# as_user <folder> <command>: runs the command line with bash as the user, in <folder> below
# the scratch home, and records it and what it printed; its status is the command's.
as_user() {
    local folder=$1 command=$2 status=0 out
    say "$folder\$ $command"
    out=$(cd "$user_dir/$folder" && setpriv --reuid=65534 --regid=65534 --clear-groups \
        env -i HOME="$home" PATH=/usr/bin:/bin bash -c "$command" 2>&1) || status=$?
    out=$(tr -d '\r' <<<"$out")
    [ -z "$out" ] || say "$out"
    say "(status $status)"
    # Wine's own diagnostics (a display-less machine, a new prefix) are not the program's, nor
    # is the hint Debian's wine prints on every run where wine32 is not installed.
    LAST_OUTPUT=$(grep -Ev -e '^[0-9a-f]{4}:(err|fixme|warn):|^wine: (created the|configuration in)' \
        -e '^wine: failed to open L"C:.*syswow64' -e '^it looks like wine32 is missing, you should' \
        -e '^(multiarch needs to be enabled first|execute "dpkg --add-architecture i386 &&)' \
        -e '^(as root, please execute "|)apt-get install wine32:i386"$' <<<"$out")
    return $status
}
# expect <folder> <status> <output> <command>: the command ends with that status and prints
# that output (after Wine's noise is taken out); "*" is any output.
expect() {
    local got=0
    as_user "$1" "$4" || got=$?
    [ $got -eq "$2" ] && [[ $3 == "*" || $LAST_OUTPUT == "$3" ]]
    result "$1: $4" $? "status $got (expected $2), output:"$'\n'"$LAST_OUTPUT"
}

pay='ABE                 875.00
BRANDT             1044.75
CHIBA               999.60'
payslip='ABE                 874.50
BRANDT             1049.80
CHIBA               998.70'
# The keyed master file (indexed files), as native GnuCOBOL with Berkeley DB prints it.
keyed_source=$(dirname "${BASH_SOURCE[0]}")/../reference/cobol/keyed.cbl
native=$(mktemp -d)
keyed=$(cp "$keyed_source" "$native/" && cd "$native" && cobc -x -o native keyed.cbl &&
    ./native load) || keyed="(no native build: cobc -x keyed.cbl failed)"
rm -rf "$native"
# The installed toolchain's machines; x86 programs run where Wine runs 32-bit programs.
source /usr/lib/veldra/machines.sh
for machine in $(machine_names); do
    machine_row "$machine"
    if [ "$MACHINE_POINTER" = 4 ] && ! wine32_ready; then
        echo "$machine: not run, $WINE32_WHY"
        continue
    fi
    mkdir -p "$home/$machine"
    cp "$examples"/{mathlib.c,mathlib.def,util.c,payslip.c,payroll.cbl,taxtable.c} "$keyed_source" \
        "$home/$machine/"
    chown -R 65534:65534 "$home/$machine"
    # veldra's word for the machine, and the COBOL compiler told it unless it is veldra's default.
    p=${MACHINE_VELDRA[*]:+${MACHINE_VELDRA[*]} }
    cobol=${MACHINE_VELDRA[*]:+VELDRA_COBOL_MACHINE=$machine }
    expect "home/$machine" 0 "*" "veldra ${p}-D mathlib.c mathlib.def"
    expect "home/$machine" 0 "*" "${cobol}veldra ${p}payroll.cbl util.c taxtable.c"
    expect "home/$machine" 0 "$pay" "COB_PRE_LOAD=MATHLIB wine payroll.exe"
    expect "home/$machine" 0 "*" "veldra ${p}payslip.c util.c"
    expect "home/$machine" 0 "$payslip" "wine payslip.exe"
    expect "home/$machine" 0 "*" "${cobol}veldra ${p}keyed.cbl"
    # Wine says on standard error when the user may not read the root's volume serial, which
    # Berkeley DB asks for: not the program's output.
    expect "home/$machine" 0 "$keyed" "wine keyed.exe load 2>/dev/null"
done

# A COBOL object of the other machine is named, with what to set.
machine_row x64
p=${MACHINE_VELDRA[*]}
expect home/x64 1 "tessor: payroll.obj: an x86 object in an x64 link; build it for x64 (a COBOL source: set VELDRA_COBOL_MACHINE=x64)" \
    "veldra -N $p payroll.cbl"
# The user's own settings, as the registry rules have them: a LIB64 of the user's keeps its
# folders after the toolchain's (the library util.lib is found there); the personal store is
# not read while the machine-wide one holds the development system's key.
mkdir -p "$home/x64/mine" "$home/.config/quenlow"
printf 'REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quenlow\\Orvanta\\5.0\\COBOL\\Environment]\n"PATH"="/nowhere"\n' \
    >"$home/.config/quenlow/registry.reg"
chown -R 65534:65534 "$home/x64/mine" "$home/.config"
expect home/x64 0 "*" "/usr/lib/veldra/bin/lib -nologo -machine:x64 -out:mine/util.lib util.obj"
expect home/x64 0 "*" "$MACHINE_LIBRARY=\$PWD/mine veldra -N $p -Ouser payslip.c util.lib"
expect home/x64 0 "$payslip" "wine user.exe"

echo "transcript ($transcript):"
cat "$transcript"
[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
