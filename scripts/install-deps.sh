#!/usr/bin/env bash
# Installs everything veldra's build and tests need on Debian 12, with apt-get, and generates
# the locales the tests use. Quick when all is present already: nothing is downloaded then.
# Needs root only when something is missing (uses sudo when run by another user).
set -euo pipefail

PACKAGES=(
    # native build
    cmake ninja-build g++
    # unit and end-to-end tests
    googletest libgtest-dev libgmock-dev
    # the end-to-end cases under memcheck, and the benchmark's instruction counts
    valgrind
    # fuzzing (libFuzzer and the sanitizer runtimes of clang 14) and micro-benchmarks
    clang libclang-rt-14-dev libbenchmark-dev
    # Windows cross build, its resources (windres) and its tests under Wine. GoogleTest needs
    # std::mutex, which only the compilers of the posix thread model have (the -posix ones).
    # "wine" provides the /usr/bin/wine command, "wine64" the 64-bit loader behind it.
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 mingw-w64-tools wine wine64
    # the 32-bit Windows build (its tests need wine32: install_wine32 below)
    g++-mingw-w64-i686 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
    binutils-mingw-w64-i686
    # reference toolchain: clang-cl, lld-link, llvm-lib and the mingw-w64 headers and
    # libraries of both machines
    clang-tools-14 lld lld-14 llvm-14 llvm mingw-w64-x86-64-dev
    # its COBOL kit, built from source tarballs (m4 for GMP; GMP's headers and library for the
    # translators built for Linux), and the native GnuCOBOL the COBOL tests compare with; the
    # real-world table: fetching and unpacking Debian's source packages, the database engine's
    # one-file build (its tools need tclsh and make)
    curl xz-utils bzip2 patch m4 libgmp-dev gnucobol3 tcl make
    # the translators' libcob has the Windows runtime's features: Berkeley DB, ncursesw and
    # libxml2 (cJSON comes as source)
    libdb5.3-dev libncurses-dev libxml2-dev
    # the COBOL screen test: a terminal emulator that reads what Wine draws on a pseudo-terminal,
    # and pexpect, which runs the program on that pseudo-terminal
    python3-pyte python3-pexpect
    # the COBOL benchmark (bench/cobol.sh)
    hyperfine
    # ja_JP.UTF-8 and en_US.UTF-8 for the message tests
    locales
    # manual page lint
    groff-base mandoc
    # package checks (dpkg-shlibdeps, dpkg -x; file is used by CPack's dependency scan)
    dpkg-dev file
    # Debian's checks of the .deb
    lintian
)
LOCALES=(ja_JP.UTF-8 en_US.UTF-8)

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || echo "$p"
    done
}

# locale -a lists "ja_JP.utf8" for ja_JP.UTF-8.
locale_present() {
    local want list
    want=$(echo "$1" | tr 'A-Z' 'a-z' | sed 's/utf-8$/utf8/')
    list=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
    grep -qx "$want" <<<"$list"
}

missing_locales() {
    local l
    for l in "${LOCALES[@]}"; do
        locale_present "$l" || echo "$l"
    done
}

if ! command -v dpkg-query >/dev/null; then
    echo "install-deps.sh: this script is for Debian (dpkg and apt-get not found)" >&2
    exit 1
fi

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# wine32 installed by someone else where it cannot run: Wine is broken for every program, and
# only the user may take it away.
refuse_wine32() {
    echo "install-deps.sh: wine32 is installed, but this machine's kernel runs no 32-bit x86" \
        "programs, so Wine fails for every program, 64-bit ones too. Remove it (as root:" \
        "apt-get remove wine32:i386), then run this again." >&2
    exit 1
}

# Wine's 32-bit half runs the x86 build's tests. It is wanted, not needed: where it cannot be
# had, the x86 tests are reported as not run. Where the kernel runs no 32-bit program it must
# not be there at all (wine32_plan in lib.sh). A failed try is remembered for a day, so that
# every test run does not pay for it again.
wine32_plan
[ $KERNEL_32BIT = yes ] || echo "$KERNEL32_WHY"
[ "$WINE32_PLAN" != refuse ] || refuse_wine32

APT_INSTALL=(install -y -q --no-install-recommends -o Dpkg::Use-Pty=0 -o DPkg::Lock::Timeout=600)

# The plain Debian way first. Where the mirror's i386 index of the security suite is
# inconsistent, or Multi-Arch libraries cannot get one version for both machines, the same
# install with a private apt configuration given to these calls alone: the security suite
# for amd64 only, and the main suite preferred over it, so that the i386 libraries match the
# amd64 ones. libgstreamer-plugins-base1.0-0:i386 must come first (it takes wine and wine64
# away, which the second call brings back). The machine's own apt configuration is not changed.
install_wine32() {
    local added=
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        added=1
    fi
    if apt-get update -q && apt-get "${APT_INSTALL[@]}" wine32:i386 wine wine64; then
        return 0
    fi
    echo "install-deps.sh: the plain install of wine32 failed; trying with the security suite for amd64 only"
    local dir status=0
    dir=$(mktemp -d)
    mkdir -p "$dir/parts" "$dir/preferences.d" "$dir/lists/partial"
    # apt downloads as the user _apt.
    chmod 755 "$dir"
    chown -R _apt "$dir/lists" 2>/dev/null || true
    : >"$dir/sources.list"
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -E 's/^(deb(-src)?)[[:space:]]+([^[[:space:]]+[[:space:]]+[^[:space:]]+-security)/\1 [arch=amd64] \3/' \
            "$f" >"$dir/parts/$(basename "$f" .list)-copy.list"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        if grep -q '^Architectures:' "$f"; then
            cp "$f" "$dir/parts/"
        else
            sed -E '/^Suites:.*-security/a Architectures: amd64' "$f" >"$dir/parts/${f##*/}"
        fi
    done
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$dir/preferences"
    local private=(-o "Dir::Etc::SourceList=$dir/sources.list" -o "Dir::Etc::SourceParts=$dir/parts"
        -o "Dir::Etc::Preferences=$dir/preferences" -o "Dir::Etc::PreferencesParts=$dir/preferences.d"
        -o "Dir::State::Lists=$dir/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
    apt-get "${private[@]}" update -q &&
        apt-get "${private[@]}" "${APT_INSTALL[@]}" libgstreamer-plugins-base1.0-0:i386 &&
        apt-get "${private[@]}" "${APT_INSTALL[@]}" wine32:i386 wine wine64 || status=1
    rm -rf "$dir"
    # Without wine32 the i386 architecture is of no use here: leave dpkg as it was.
    if [ $status -ne 0 ] && [ -n "$added" ] && [ -z "$(dpkg-query -W -f='${Package}\n' '*:i386' 2>/dev/null)" ]; then
        dpkg --remove-architecture i386 || true
    fi
    return $status
}

mapfile -t need < <(missing_packages)
if [ ${#need[@]} -eq 0 ] && [ -z "$(missing_locales)" ] &&
    [ "$WINE32_PLAN" != install ] && [ "$WINE32_PLAN" != remove ]; then
    echo "All build and test dependencies are installed."
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if [ ${#need[@]} -eq 0 ] && [ -z "$(missing_locales)" ] && [ "$WINE32_PLAN" = install ]; then
        echo "wine32 is not installed (it needs root): the x86 Windows tests will not run."
        exit 0
    fi
    if command -v sudo >/dev/null; then
        echo "Missing: $(echo "${need[*]}" $(missing_locales)); installing them with sudo"
        exec sudo -- env ${VELDRA_KERNEL_32BIT:+VELDRA_KERNEL_32BIT=$VELDRA_KERNEL_32BIT} \
            bash "${BASH_SOURCE[0]}" "$@"
    fi
    echo "install-deps.sh: missing packages or locales, and installing them needs root." >&2
    echo "Run it as root: su -c 'bash scripts/install-deps.sh'" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#need[@]} -gt 0 ]; then
    echo "Installing: ${need[*]}"
    # A mirror can be briefly unreachable; try the update a few times before giving up.
    for attempt in 1 2 3; do
        apt-get update -q && break
        [ $attempt -eq 3 ] && exit 1
        sleep 10
    done
    apt-get "${APT_INSTALL[@]}" "${PACKAGES[@]}"
    mapfile -t need < <(missing_packages)
    if [ ${#need[@]} -gt 0 ]; then
        echo "install-deps.sh: still missing after apt-get install: ${need[*]}" >&2
        exit 1
    fi
fi

case $WINE32_PLAN in
install)
    echo "Installing wine32 (Wine's 32-bit half, for the x86 Windows tests)"
    mkdir -p "$VELDRA_STATE"
    if install_wine32 && wine32_plan && [ "$WINE32_PLAN" = keep ]; then
        rm -f "$VELDRA_STATE/wine32-unavailable"
        : >"$VELDRA_STATE/wine32-installed"
    else
        touch "$VELDRA_STATE/wine32-unavailable"
        echo "install-deps.sh: wine32 cannot be installed here: the x86 Windows build is built, its tests are not run"
    fi
    ;;
remove)
    echo "Removing wine32, which this setup installed: where it cannot run, Wine fails for every program"
    apt-get remove -y -q -o Dpkg::Use-Pty=0 -o DPkg::Lock::Timeout=600 wine32:i386
    rm -f "$VELDRA_STATE/wine32-installed"
    ;;
esac

for l in $(missing_locales); do
    echo "Generating locale $l"
    # localedef exits 1 on mere warnings; the check below decides.
    localedef -i "${l%%.*}" -c -f UTF-8 -A /usr/share/locale/locale.alias "$l" || true
    if ! locale_present "$l"; then
        echo "install-deps.sh: could not generate the locale $l" >&2
        exit 1
    fi
done
echo "All build and test dependencies are installed."
