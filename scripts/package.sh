#!/usr/bin/env bash
# Builds the four release packages and checks what they hold:
#   build/package-linux    Release, native: veldra_<version>_<arch>.deb and veldra-<version>-Linux.tar.gz
#   build/package-windows  Release, cross-built with mingw-w64: veldra-<version>-win64.zip
#   build/package-windows32  the same for 32-bit Windows (i686): veldra-<version>-win32.zip
# Checks: the manual page lints clean (groff -ww, and mandoc -T lint when installed); the .deb
# has a Depends line naming libc6 and, unpacked with dpkg -x into a temporary root, holds
# usr/bin/veldra (which prints its usage), the manual page and the docs; the .tar.gz holds
# bin/veldra and the manual page; each .zip holds bin/veldra.exe and the README, and veldra.exe
# carries its version resource and no manifest. No stand-in tool is in any package.
# Usage: scripts/package.sh        (needs cmake, ninja, g++, mingw-w64, dpkg-dev, file, groff;
#                                  scripts/install-deps.sh installs them)
# Exits non-zero when a build or a check fails; ends with a summary of the packages.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

linux_dir=$VELDRA_BUILD/package-linux
windows_dir=$VELDRA_BUILD/package-windows
windows32_dir=$VELDRA_BUILD/package-windows32
manpage=$VELDRA_ROOT/docs/veldra.1
failures=()
summary=()

check() { # check "what" command...: records a failure instead of stopping at the first
    local what=$1
    shift
    if "$@"; then
        echo "  ok    $what"
    else
        echo "  FAIL  $what"
        failures+=("$what")
    fi
}

# Fails (printing them) when a command printed anything: the linters report by printing.
silent() {
    local out
    out=$("$@" 2>&1) || { printf '%s\n' "$out"; return 1; }
    [ -z "$out" ] || { printf '%s\n' "$out"; return 1; }
}

# The first of the arguments that is a file (a pattern that matched nothing is none).
first_file() {
    local f
    for f in "$@"; do
        [ -f "$f" ] && { echo "$f"; return 0; }
    done
    return 0
}

# True when the listing on stdin has a line ending in the given path.
lists() { grep -Eq "(^|/)$1\$"; }

# Configures the preset of that name (a Release build without tests, in build/<preset>), builds
# the program and packs it.
build_packages() {
    local dir=$VELDRA_BUILD/$1
    (cd "$VELDRA_ROOT" && cmake --preset "$1") &&
        cmake --build "$dir" -j "$VELDRA_JOBS" --target veldra &&
        (cd "$dir" && rm -f ./*.deb ./*.tar.gz ./*.zip && cpack -B "$dir")
}

lint_manpage() {
    say "lint the manual page"
    command -v groff >/dev/null || die "groff is not installed (run scripts/install-deps.sh)"
    check "groff -man -ww -z docs/veldra.1 is silent" silent groff -man -ww -z "$manpage"
    if command -v mandoc >/dev/null; then
        check "mandoc -T lint docs/veldra.1 is silent" silent mandoc -T lint "$manpage"
    else
        echo "  skip  mandoc -T lint (mandoc not installed)"
    fi
}

check_deb() {
    local deb=$1 root info
    say "check $(basename "$deb")"
    info=$(dpkg -I "$deb")
    printf '%s\n' "$info" | grep -E '^ (Package|Version|Architecture|Depends|Section|Maintainer):'
    check "Package: veldra" grep -q '^ Package: veldra$' <<<"$info"
    check "Version: $version" grep -q "^ Version: $version\$" <<<"$info"
    check "Section: devel" grep -q '^ Section: devel$' <<<"$info"
    check "Depends names libc6" grep -Eq '^ Depends:.*\blibc6\b' <<<"$info"
    root=$(mktemp -d)
    dpkg -x "$deb" "$root"
    check "usr/bin/veldra is executable" test -x "$root/usr/bin/veldra"
    check "usr/share/man/man1/veldra.1" test -f "$root/usr/share/man/man1/veldra.1"
    check "usr/share/doc/veldra/README.md" test -f "$root/usr/share/doc/veldra/README.md"
    if [ -f "$VELDRA_ROOT/resources/registry.example.reg" ]; then
        check "usr/share/doc/veldra/registry.example.reg" \
            test -f "$root/usr/share/doc/veldra/registry.example.reg"
    fi
    local out code=0
    out=$("$root/usr/bin/veldra" 2>&1) || code=$?
    check "installed veldra with no arguments: status 0 (got $code)" test "$code" -eq 0
    check "installed veldra prints \"usage: veldra\"" grep -q 'usage: veldra' <<<"$out"
    check "no stand-in tool in the package" \
        test -z "$(find "$root" -path '*standin*' -print -quit)"
    summary+=("$(basename "$deb"): $(grep '^ Depends:' <<<"$info" | sed 's/^ //')")
    while IFS= read -r f; do summary+=("    /${f#./}"); done < <(cd "$root" && find . -type f | sort)
    rm -rf "$root"
}

check_tgz() {
    local tgz=$1 list
    say "check $(basename "$tgz")"
    list=$(tar -tzf "$tgz")
    check "lists bin/veldra" lists 'bin/veldra' <<<"$list"
    check "lists share/man/man1/veldra.1" lists 'share/man/man1/veldra.1' <<<"$list"
    check "lists share/doc/veldra/README.md" lists 'share/doc/veldra/README.md' <<<"$list"
    check "no stand-in tool" bash -c '! grep -q standin' <<<"$list"
    summary+=("$(basename "$tgz"):")
    while IFS= read -r f; do summary+=("    $f"); done < <(grep -v '/$' <<<"$list" | sort)
}

# The resources of a PE file as "type/language" pairs in hexadecimal, one a line (6/409: the
# English string table, 10/409: the version resource, 18/...: a manifest).
resource_kinds() {
    x86_64-w64-mingw32-objdump -p "$1" |
        sed -nE '/The .rsrc Resource Directory section/,/^ *$/{
            s/^[0-9a-f]+   Entry: ID: 0x0*([0-9a-f]+),.*/type \1/p
            s/^[0-9a-f]+       Entry: ID: 0x0*([0-9a-f]+),.*/lang \1/p
        }' |
        awk '$1 == "type" { t = $2; next } { print t "/" $2 }' | sort -u
}

zip_listing() { # the member names, one a line
    if command -v unzip >/dev/null; then
        unzip -Z1 "$1"
    elif command -v python3 >/dev/null; then
        python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$1"
    else
        cmake -E tar tf "$1"
    fi
}

check_zip() {
    local zip=$1 list exe
    say "check $(basename "$zip")"
    list=$(zip_listing "$zip")
    check "holds bin/veldra.exe" lists 'bin/veldra\.exe' <<<"$list"
    check "holds share/doc/veldra/README.md" lists 'share/doc/veldra/README.md' <<<"$list"
    check "no stand-in tool" bash -c '! grep -qi -e standin -e cobol.exe -e link.exe' <<<"$list"
    summary+=("$(basename "$zip"):")
    while IFS= read -r f; do summary+=("    $f"); done < <(grep -v '/$' <<<"$list" | sort)
    # The resources of the program as packaged.
    local root
    root=$(mktemp -d)
    (cd "$root" && cmake -E tar xf "$zip")
    exe=$(find "$root" -name veldra.exe | head -1)
    if command -v x86_64-w64-mingw32-objdump >/dev/null && [ -n "$exe" ]; then
        local kinds texts
        kinds=$(resource_kinds "$exe")
        texts=$(x86_64-w64-mingw32-strings -el "$exe")
        echo "  resources (type/language, hexadecimal): $(tr '\n' ' ' <<<"$kinds")"
        check "veldra.exe has a version resource (type 10)" grep -q '^10/' <<<"$kinds"
        check "its product name is Quenlow Orvanta" grep -qx 'Quenlow Orvanta' <<<"$texts"
        check "its file and product version is 5.004.0014" grep -qx '5.004.0014' <<<"$texts"
        check "a string table in English (6/409)" grep -qx '6/409' <<<"$kinds"
        check "a string table in Japanese (6/411)" grep -qx '6/411' <<<"$kinds"
        check "no manifest (type 18)" bash -c '! grep -q "^18/"' <<<"$kinds"
        # The zip ships veldra.exe alone: no runtime DLL of the compiler may be needed beside it.
        check "veldra.exe needs no mingw runtime DLL" bash -c '! grep -Eqi "DLL Name: lib(stdc|gcc|winpthread)"' \
            <<<"$(x86_64-w64-mingw32-objdump -p "$exe")"
        summary+=("    veldra.exe resources: $(tr '\n' ' ' <<<"$kinds")")
    else
        echo "  skip  resource checks (x86_64-w64-mingw32-objdump or veldra.exe missing)"
    fi
    rm -rf "$root"
}

version=$(sed -nE 's/^project\(veldra VERSION ([0-9.]+).*/\1/p' "$VELDRA_ROOT/CMakeLists.txt")
[ -n "$version" ] || die "no version in CMakeLists.txt"

lint_manpage

say "build the Linux packages ($linux_dir)"
if build_packages package-linux; then
    deb=$(first_file "$linux_dir"/veldra_"$version"_*.deb)
    tgz=$(first_file "$linux_dir"/veldra-"$version"-*.tar.gz)
    if [ -n "$deb" ]; then check_deb "$deb"; else failures+=("no .deb built"); fi
    if [ -n "$tgz" ]; then check_tgz "$tgz"; else failures+=("no .tar.gz built"); fi
else
    failures+=("Linux build or cpack")
fi

say "build the Windows package ($windows_dir)"
if build_packages package-windows; then
    zip=$(first_file "$windows_dir"/veldra-"$version"-*.zip)
    if [ -n "$zip" ]; then check_zip "$zip"; else failures+=("no .zip built"); fi
else
    failures+=("Windows build or cpack")
fi

say "build the 32-bit Windows package ($windows32_dir)"
if build_packages package-windows32; then
    zip=$(first_file "$windows32_dir"/veldra-"$version"-win32.zip)
    if [ -n "$zip" ]; then check_zip "$zip"; else failures+=("no win32 .zip built"); fi
else
    failures+=("32-bit Windows build or cpack")
fi

say "packages"
printf '  %s\n' "${summary[@]}"
echo
if [ ${#failures[@]} -gt 0 ]; then
    echo "FAILED:"
    printf '  %s\n' "${failures[@]}"
    exit 1
fi
echo "All package checks passed."
