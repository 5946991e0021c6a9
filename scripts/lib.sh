# Shared by the scripts in this folder; sourced, never run on its own.
# Sets VELDRA_ROOT (the repository) and VELDRA_BUILD (its build/ folder, unless the caller
# names another, as the scripts' own tests do).

VELDRA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VELDRA_BUILD=${VELDRA_BUILD:-$VELDRA_ROOT/build}
VELDRA_JOBS=${VELDRA_JOBS:-2}

say() { printf '\n=== %s\n' "$*"; }
die() {
    printf 'error: %s\n' "$*" >&2
    exit 1
}

# Runs "$@" as one named stage and records how long it took, for the summary.
STAGE_LOG=()
stage() {
    local name=$1 started=$SECONDS status=0
    shift
    say "$name"
    "$@" || status=$?
    STAGE_LOG+=("$(printf '%-34s %5ss  %s' "$name" $((SECONDS - started)) \
        "$([ $status -eq 0 ] && echo ok || echo "FAILED ($status)")")")
    return $status
}
print_stages() {
    say "stages"
    printf '  %s\n' "${STAGE_LOG[@]}"
}

# Configures and builds one preset of CMakePresets.json (its folder is build/<preset>); the
# presets are read from the current directory.
build_preset() {
    (cd "$VELDRA_ROOT" && cmake --preset "$1" && cmake --build --preset "$1" -j "$VELDRA_JOBS")
}

# Wine for the Windows build: a prefix of our own under build/, so a clean clone starts clean,
# and no debug chatter or installer dialogs (the .NET and HTML engines are switched off).
wine_env() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEPREFIX=$VELDRA_BUILD/wineprefix
    export WINEARCH=win64
    # Wine links the prefix's user folders to $HOME; a bare CI environment may not set it.
    if [ -z "${HOME:-}" ]; then
        export HOME=$VELDRA_BUILD/home
        mkdir -p "$HOME"
    fi
}

# What a Wine prefix is made with: the Wine version, and whether its 32-bit half is there. A
# prefix made without wine32 cannot start 32-bit programs even after wine32 is installed
# ("could not load kernel32.dll"), so a prefix whose record differs is made again.
wine_record() {
    printf '%s\n32-bit: %s\n' "$(wine --version 2>/dev/null)" \
        "$([ -x /usr/lib/wine/wine ] && echo yes || echo no)"
}

# Makes the prefix $1 (default $WINEPREFIX) headless, unless it exists with the same record:
# wineboot needs neither a display nor standard input. The locale of the call is the prefix's.
wine_make_prefix() {
    local prefix=${1:-$WINEPREFIX} record
    record=$(wine_record)
    if [ -f "$prefix/system.reg" ] && [ "$(cat "$prefix/.veldra-ready" 2>/dev/null)" = "$record" ]; then
        echo "Wine prefix ready: $prefix"
        return 0
    fi
    [ -e "$prefix" ] && echo "Wine prefix $prefix was made with another Wine: making it again"
    rm -rf "$prefix"
    mkdir -p "$prefix" || return 1
    echo "Creating the Wine prefix $prefix"
    if ! WINEPREFIX=$prefix wineboot --init </dev/null >"$prefix.log" 2>&1; then
        cat "$prefix.log" >&2
        echo "error: wineboot --init failed" >&2
        return 1
    fi
    # The prefix is written by the wineserver; it is complete once the server has gone.
    WINEPREFIX=$prefix wineserver -w
    if [ ! -f "$prefix/system.reg" ]; then
        echo "error: wineboot did not create $prefix" >&2
        return 1
    fi
    echo "$record" >"$prefix/.veldra-ready"
}

# Prepares the test presets' prefix, build/wineprefix.
wine_prepare() {
    wine_env
    if ! command -v wine >/dev/null; then
        echo "error: wine is not installed (run scripts/install-deps.sh)" >&2
        return 1
    fi
    wine_make_prefix "$WINEPREFIX"
}

# Keeps this prefix's wineserver and its services running until wine_stop, started here with
# no output pipes to inherit. Otherwise the first Windows program of a test starts them, they
# hold on to that test's output pipe, and CTest waits for them to end after every test.
wine_serve() {
    wine_env
    # Fails when one runs already, which is as good.
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot </dev/null >/dev/null 2>&1
}

# Some kernels are built without IA32 emulation and run no 32-bit x86 program at all. Wine's
# 32-bit half must not be installed there: Debian's wine starts its 32-bit loader first
# whenever wine32 is present, so every Wine call would fail, 64-bit programs included.
KERNEL32_WHY="this machine's kernel runs no 32-bit x86 programs: the x86 Windows tests will not run"

# True when the kernel runs 32-bit x86 programs. VELDRA_KERNEL_32BIT=no (or yes) forces the
# answer, so that the path of such a machine can be taken anywhere. The probe is a static i386
# program of 96 bytes, an ELF header and one segment holding "exit(42)" as a system call: no
# compiler or package is needed to make it. It runs from a folder where a copy of true runs, so
# that a folder mounted noexec is not taken for the kernel's answer.
kernel_runs_32bit() {
    case ${VELDRA_KERNEL_32BIT:-} in
    no) return 1 ;;
    yes) return 0 ;;
    esac
    local header=7f454c4601010100000000000000000002000300010000005480040834000000
    header+=000000000000000034002000010000000000000001000000000000000080040800800408
    header+=60000000600000000500000000100000b801000000bb2a000000cd80
    local bytes='' i dir probe status
    for ((i = 0; i < ${#header}; i += 2)); do bytes+="\\x${header:i:2}"; done
    for dir in "${TMPDIR:-/tmp}" "$VELDRA_ROOT"; do
        probe=$(mktemp -d "$dir/veldra-probe.XXXXXX" 2>/dev/null) || continue
        printf "$bytes" >"$probe/i386" && cp "$(type -P true)" "$probe/true" &&
            chmod +x "$probe/i386" "$probe/true"
        if "$probe/true" 2>/dev/null; then
            status=0
            "$probe/i386" 2>/dev/null || status=$?
            rm -rf "$probe"
            [ $status -eq 42 ]
            return
        fi
        rm -rf "$probe"
    done
    return 1
}

# What setup does about Wine's 32-bit half (scripts/install-deps.sh), in WINE32_PLAN:
#   keep      installed, and the kernel runs 32-bit programs
#   install   not installed, the kernel runs them, and no try failed within the last day
#   none      not installed, and the kernel runs none or a try failed lately
#   remove    installed where the kernel runs none, by this setup: it takes it away again
#   refuse    installed where the kernel runs none, by someone else: the user must decide
# KERNEL_32BIT is yes or no, the kernel's answer. What setup installed, and when it could not,
# is kept in $VELDRA_STATE (/var/lib/veldra).
VELDRA_STATE=${VELDRA_STATE:-/var/lib/veldra}
wine32_plan() {
    local installed=
    [ "$(dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null)" = installed ] &&
        installed=1
    KERNEL_32BIT=no
    kernel_runs_32bit && KERNEL_32BIT=yes
    if [ $KERNEL_32BIT = yes ]; then
        if [ -n "$installed" ]; then
            WINE32_PLAN=keep
        elif [ -n "$(find "$VELDRA_STATE/wine32-unavailable" -mmin -1440 2>/dev/null)" ]; then
            WINE32_PLAN=none
        else
            WINE32_PLAN=install
        fi
    elif [ -z "$installed" ]; then
        WINE32_PLAN=none
    elif [ -f "$VELDRA_STATE/wine32-installed" ]; then
        WINE32_PLAN=remove
    else
        WINE32_PLAN=refuse
    fi
}

# True when Wine runs 32-bit Windows programs (Debian's wine32, an i386 package); otherwise
# WINE32_WHY says why not. Decided by what the x86 build's own veldra.exe prints, its usage, and
# not by Wine's status alone: a Wine without its 32-bit half prints only a hint on standard
# error, and exits 0.
wine32_check() {
    local exe=$VELDRA_BUILD/windows32/veldra.exe out status=0
    WINE32_WHY=
    wine_env
    if ! kernel_runs_32bit; then
        WINE32_WHY=$KERNEL32_WHY
    elif ! command -v wine >/dev/null; then
        WINE32_WHY="wine is not installed"
    elif [ ! -f "$exe" ]; then
        WINE32_WHY="the x86 build has no veldra.exe"
    else
        out=$(wine "$exe" </dev/null 2>/dev/null) || status=$?
        if ! grep -q '^usage: veldra ' <<<"$out" || [ $status -ne 0 ]; then
            WINE32_WHY="Wine cannot start 32-bit programs (the x86 veldra.exe printed no usage)"
            if [ "$(dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null)" != installed ]; then
                WINE32_WHY+=": wine32 is not installed"
            fi
        fi
    fi
    [ -z "$WINE32_WHY" ]
}

# For the test scripts: true when Wine runs 32-bit programs, as test.sh decided it once for the
# whole run (VELDRA_WINE32 1 or 0, the reason in VELDRA_WINE32_WHY), else asked of Wine now.
# WINE32_WHY says why not.
wine32_ready() {
    if [ -z "${VELDRA_WINE32:-}" ]; then
        VELDRA_WINE32=0
        wine32_check && VELDRA_WINE32=1
        VELDRA_WINE32_WHY=$WINE32_WHY
    fi
    WINE32_WHY=${VELDRA_WINE32_WHY:-Wine cannot start 32-bit programs here}
    [ "$VELDRA_WINE32" = 1 ]
}

# For a link with the reference toolchain <reference> (a build's reference/ folder, or an
# installed one) for <machine>: its programs before /usr/bin, whose link is coreutils', each
# machine's libraries along the variable that machines.table names for it, and the machine for
# the COBOL compiler, which veldra does not tell it. TOOLCHAIN_WORDS is veldra's word for the
# machine (an array: none for its default). Status 1 for a machine the table lacks.
toolchain_env() {
    local ref=$1 machine
    source "$ref/machines.sh" || return 1
    for machine in $(machine_names); do
        machine_row "$machine"
        export "$MACHINE_LIBRARY=$ref/lib/$machine"
    done
    machine_row "$2" || return 1
    TOOLCHAIN_WORDS=("${MACHINE_VELDRA[@]}")
    export PATH=$ref/bin:$PATH VELDRA_COBOL_MACHINE=$2
}

# Prints, a line each, what the native build left out because it was asked to (a toolchain
# that builds is otherwise the whole toolchain); nothing when it is whole.
degraded_parts() {
    local native=$VELDRA_BUILD/native
    [ -f "$native/CMakeCache.txt" ] || return 0
    if grep -q '^VELDRA_REFERENCE:BOOL=OFF' "$native/CMakeCache.txt"; then
        echo "the reference toolchain (configured with -DVELDRA_REFERENCE=OFF)"
    elif [ -f "$native/reference/cobol/missing" ]; then
        echo "the COBOL kit: $(cat "$native/reference/cobol/missing")"
    fi
}

# Stops this prefix's wineserver (it lingers a few seconds after the last program otherwise).
wine_stop() {
    wine_env
    wineserver -k 2>/dev/null || true
}
