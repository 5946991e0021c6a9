# Shared by the scripts in this folder; sourced, never run on its own.
# Sets VELDRA_ROOT (the repository) and VELDRA_BUILD (its build/ folder).

VELDRA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VELDRA_BUILD=$VELDRA_ROOT/build
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

# Creates the prefix once, headless: wineboot needs neither a display nor standard input.
wine_prepare() {
    wine_env
    if ! command -v wine >/dev/null; then
        echo "error: wine is not installed (run scripts/install-deps.sh)" >&2
        return 1
    fi
    if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.veldra-ready" ]; then
        echo "Wine prefix ready: $WINEPREFIX"
        return 0
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX" || return 1
    echo "Creating the Wine prefix $WINEPREFIX"
    # It prints a harmless complaint about the missing 32-bit half; keep it for a failure.
    if ! wineboot --init </dev/null >"$VELDRA_BUILD/wineboot.log" 2>&1; then
        cat "$VELDRA_BUILD/wineboot.log" >&2
        echo "error: wineboot --init failed" >&2
        return 1
    fi
    # The prefix is written by the wineserver; it is complete once the server has gone.
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "error: wineboot did not create $WINEPREFIX" >&2
        return 1
    fi
    touch "$WINEPREFIX/.veldra-ready"
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

# True when Wine runs 32-bit Windows programs (Debian's wine32, an i386 package): tried with
# the x86 build's own veldra.exe, which prints its usage and ends with status 0.
wine32_works() {
    wine_env
    [ -f "$VELDRA_BUILD/windows32/veldra.exe" ] &&
        wine "$VELDRA_BUILD/windows32/veldra.exe" </dev/null >/dev/null 2>&1
}

# Stops this prefix's wineserver (it lingers a few seconds after the last program otherwise).
wine_stop() {
    wine_env
    wineserver -k 2>/dev/null || true
}
