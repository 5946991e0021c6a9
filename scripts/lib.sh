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

# True when Wine runs 32-bit Windows programs (Debian's wine32, an i386 package); otherwise
# WINE32_WHY says why not. Decided by what the x86 build's own veldra.exe prints, its usage, and
# not by Wine's status alone: a Wine without its 32-bit half prints only a hint on standard
# error, and exits 0.
wine32_check() {
    local exe=$VELDRA_BUILD/windows32/veldra.exe out status=0
    WINE32_WHY=
    wine_env
    if ! command -v wine >/dev/null; then
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

# Stops this prefix's wineserver (it lingers a few seconds after the last program otherwise).
wine_stop() {
    wine_env
    wineserver -k 2>/dev/null || true
}
