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
    # fuzzing (libFuzzer and the sanitizer runtimes of clang 14) and micro-benchmarks
    clang libclang-rt-14-dev libbenchmark-dev
    # Windows cross build, its resources (windres) and its tests under Wine. GoogleTest needs
    # std::mutex, which only the compilers of the posix thread model have (the -posix ones).
    # "wine" provides the /usr/bin/wine command, "wine64" the 64-bit loader behind it.
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 mingw-w64-tools wine wine64
    # the 32-bit Windows build (its tests need wine32, which is not installed here: see README)
    g++-mingw-w64-i686 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
    binutils-mingw-w64-i686
    # reference toolchain: clang-cl, lld-link, llvm-lib and the mingw-w64 headers and
    # libraries of both machines
    clang-tools-14 lld lld-14 llvm-14 mingw-w64-x86-64-dev
    # the real-world table: fetching and unpacking Debian's source packages, the database
    # engine's one-file build (its tools need tclsh and make)
    curl bzip2 xz-utils tcl make
    # ja_JP.UTF-8 and en_US.UTF-8 for the message tests
    locales
    # manual page lint
    groff-base mandoc
    # package checks (dpkg-shlibdeps, dpkg -x; file is used by CPack's dependency scan)
    dpkg-dev file
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

mapfile -t need < <(missing_packages)
if [ ${#need[@]} -eq 0 ] && [ -z "$(missing_locales)" ]; then
    echo "All build and test dependencies are installed."
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        echo "Missing: $(echo "${need[*]}" $(missing_locales)); installing them with sudo"
        exec sudo -- bash "${BASH_SOURCE[0]}" "$@"
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
    apt-get install -y -q --no-install-recommends -o Dpkg::Use-Pty=0 "${PACKAGES[@]}"
    mapfile -t need < <(missing_packages)
    if [ ${#need[@]} -gt 0 ]; then
        echo "install-deps.sh: still missing after apt-get install: ${need[*]}" >&2
        exit 1
    fi
fi

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
