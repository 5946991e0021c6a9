#!/usr/bin/env bash
# Builds the COBOL kit of the reference toolchain into <reference>/cobol and installs the
# `cobol` child as <reference>/bin/cobol:
#   cobol/x64, cobol/x86   libcob-4.dll (GMP inside; imports only KERNEL32 and msvcrt),
#                          libcob.lib (its import library), cobc.exe (the Windows compiler, as
#                          a Windows user runs it), cobc (the translator `cobol` runs: the same
#                          compiler built for this host, writing the C that cobc.exe writes),
#                          include/ (libcob's headers and GMP's)
#   cobol/config           the compiler's configuration files
#   cobol/copy             GnuCOBOL's copybooks (screenio.cpy, sqlca.cpy, the EXTFH ones)
# The sources are Debian's GnuCOBOL 3.1.2 and GMP 6.2.1 tarballs, pinned by sha256 and fetched
# from the archive apt is configured with (../fetch.sh), with the patches beside this script.
# Both compilers of a machine are built from the same patched sources, with the package's date
# as their build date (SOURCE_DATE_EPOCH), which every C file they write records. Tarballs and
# the built kit are kept in the cache of ../fetch.sh, the kit under a key made of the versions,
# the patches and this script's build steps, so that only the first build on a machine pays.
# Whatever fails fails the build: the script exits 1 with the reason, and leaves no kit behind
# (a toolchain without its COBOL compiler is left out only when asked, -DVELDRA_COBOL=OFF).
# It ends with <reference>/cobol/kit.stamp.
# Usage: build-kit.sh <reference> <jobs>
set -uo pipefail
reference=$1 jobs=${2:-2}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../fetch.sh"
source "$here/sources.sh"
source "$here/../machines.sh"

cache=$(veldra_cache)

give_up() {
    rm -rf "$reference/cobol" "$reference/bin/cobol"
    echo "Reference toolchain: the COBOL kit cannot be built: $1" >&2
    exit 1
}

# Unpacks GnuCOBOL into $1 with the kit's patches. parser.y is patched with parser.c, which
# is made from it: dated after it, so that make does not ask for bison.
unpack_cobol() {
    local patch
    tar -xf "$cob_tarball" -C "$1" --strip-components=1 || return 1
    for patch in resolver target tmpdir main-program source-date; do
        (cd "$1" && patch -p1 <"$here/$patch.patch") || return 1
    done
    touch "$1/cobc/parser.c" "$1/cobc/parser.h"
}

# GMP as a static library, then libcob as a DLL with GMP inside and cobc.exe.
build_machine() { # <machine> <work> <out>
    local machine=$1 work=$2 out=$3 triple pointer
    machine_row "$machine" || return 1
    triple=$MACHINE_MINGW pointer=$MACHINE_POINTER
    local gmp=$work/gmp-$machine cob=$work/cob-$machine
    mkdir -p "$gmp" "$cob" "$out/include/libcob"
    # GMP is the long part: a build that stopped after it goes on from there.
    if [ ! -f "$gmp/install/lib/libgmp.a" ]; then
        tar -xf "$gmp_tarball" -C "$gmp" --strip-components=1 || return 1
        # Debian's tarball lacks doc/, which configure and make still want a Makefile for.
        mkdir -p "$gmp/doc" &&
            printf 'all install check clean distclean:\n' >"$gmp/doc/Makefile.in"
        (cd "$gmp" && ./configure --host="$triple" --prefix="$gmp/install" --enable-static \
            --disable-shared && make -j"$jobs" && make install) || return 1
    fi
    rm -rf "$cob" && mkdir -p "$cob" || return 1
    unpack_cobol "$cob" || return 1
    (cd "$cob" && ./configure --host="$triple" CC="$triple-gcc -static-libgcc" \
        CPPFLAGS="-I$gmp/install/include" LDFLAGS="-L$gmp/install/lib" \
        --enable-shared --disable-static --with-math=gmp --without-db --with-curses=no \
        --without-xml2 --with-json=no --disable-nls --disable-rpath \
        lt_cv_deplibs_check_method=pass_all) || return 1
    # A cross configure writes "#define COB_LI_IS_LL $COB_LI_IS_LL" literally; libcob only
    # asks whether it is defined, takes long for 64 bits and cuts binary arithmetic to 32.
    sed -i -e '/COB_LI_IS_LL/d' -e '/COB_32_BIT_LONG/d' -e '/COB_64_BIT_POINTER/d' \
        "$cob/config.h"
    {
        echo '#define COB_32_BIT_LONG 1'
        [ "$pointer" = 8 ] && echo '#define COB_64_BIT_POINTER 1'
    } >>"$cob/config.h"
    (cd "$cob" && make -C lib -j"$jobs" && make -C libcob -j"$jobs" &&
        make -C cobc -j"$jobs") || return 1
    cp "$cob/libcob/.libs/libcob-4.dll" "$out/" &&
        cp "$cob/libcob/.libs/libcob.dll.a" "$out/libcob.lib" || return 1
    if [ -f "$cob/cobc/.libs/cobc.exe" ]; then
        cp "$cob/cobc/.libs/cobc.exe" "$out/"
    else
        cp "$cob/cobc/cobc.exe" "$out/"
    fi || return 1
    # The translated COBOL includes libcob.h and GMP's header, which differs by machine.
    cp "$cob/libcob.h" "$gmp/install/include/gmp.h" "$out/include/" &&
        cp "$cob"/libcob/*.h "$cob"/libcob/*.def "$out/include/libcob/" &&
        rm -f "$out/include/libcob/"{coblocal,cobgetopt,sysdefines}.h
    "$triple-strip" "$out/cobc.exe" "$out/libcob-4.dll" || return 1
    # The same for every machine.
    mkdir -p "$out/../config" "$out/../copy" &&
        cp "$cob"/config/*.conf "$cob"/config/*.conf-inc "$cob"/config/*.words "$out/../config/" &&
        cp "$cob"/copy/*.cpy "$out/../copy/"
}

# The translators `cobol` runs: cobc of each machine built for this host from the same patched
# sources, with the Windows target's answers to what translating asks of the machine (long is
# 4 bytes, a pointer 8 or 4, Windows and on x64 64-bit Windows; config.h as the Windows build
# has it). libcob, which cobc uses for a few helpers, is built once, for this host as it is.
build_translators() {
    local work=$1 kit=$2 src=$1/host machine defines
    rm -rf "$src" && mkdir -p "$src" || return 1
    unpack_cobol "$src" || return 1
    (cd "$src" && ./configure --disable-shared --enable-static --with-math=gmp --without-db \
        --with-curses=no --without-xml2 --with-json=no --disable-nls --disable-rpath &&
        make -C lib -j"$jobs" && make -C libcob -j"$jobs") || return 1
    for machine in $(machine_names); do
        machine_row "$machine" || return 1
        sed -i -e '/COB_LI_IS_LL/d' -e '/COB_32_BIT_LONG/d' -e '/COB_64_BIT_POINTER/d' \
            "$src/config.h"
        echo '#define COB_32_BIT_LONG 1' >>"$src/config.h"
        defines="-DCOB_TARGET_WIN32=1 -DCOB_TARGET_LONG_SIZE=4"
        defines+=" -DCOB_TARGET_POINTER_SIZE=$MACHINE_POINTER"
        if [ "$MACHINE_POINTER" = 8 ]; then
            echo '#define COB_64_BIT_POINTER 1' >>"$src/config.h"
            defines+=" -DCOB_TARGET_WIN64=1"
        fi
        (cd "$src" && make -C cobc clean && make -C cobc -j"$jobs" CPPFLAGS="$defines") &&
            cp "$src/cobc/cobc" "$kit/$machine/cobc" && strip "$kit/$machine/cobc" || return 1
    done
}

build_kit() {
    local work=$cache/cobol-kit-$key.work
    local start=$SECONDS
    local tools=(curl patch make m4 gcc) machine
    for machine in $(machine_names); do
        machine_row "$machine" && tools+=("$MACHINE_MINGW-gcc")
    done
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null || {
            echo "$tool not found"
            return 1
        }
    done
    # The translators built for this host link libcob, which needs GMP's header and library.
    echo '#include <gmp.h>' | gcc -E -o /dev/null - 2>/dev/null || {
        echo "gmp.h not found (libgmp-dev)"
        return 1
    }
    gmp_tarball=$(fetch_source "$gmp_pool" "$gmp_sum" 2>&1) || {
        echo "$gmp_tarball"
        return 1
    }
    cob_tarball=$(fetch_source "$cob_pool" "$cob_sum" 2>&1) || {
        echo "$cob_tarball"
        return 1
    }
    # The build date of both compilers, in every C file they write: the package's own.
    SOURCE_DATE_EPOCH=$(date -u +%s -d "$(tar -xOf "$cob_tarball" --wildcards '*/tarstamp.h' |
        sed -n 's/.*COB_TAR_DATE *"\(.*\)".*/\1/p')") || {
        echo "no package date in $cob_tarball"
        return 1
    }
    export SOURCE_DATE_EPOCH
    rm -rf "$kit.part"
    for machine in $(machine_names); do
        build_machine "$machine" "$work" "$kit.part/$machine" >>"$log" 2>&1 || {
            echo "the $machine build failed (see $log)"
            return 1
        }
    done
    build_translators "$work" "$kit.part" >>"$log" 2>&1 || {
        echo "the translators' build failed (see $log)"
        return 1
    }
    rm -rf "$work"
    mv "$kit.part" "$kit"
    echo "COBOL kit built in $((SECONDS - start)) s: $kit" >&2
}

# The kit's key: what it is built from, and how (not how the sources are fetched).
key=$(cat "$here"/{resolver,target,tmpdir,main-program,source-date}.patch "$MACHINE_TABLE" \
    <(declare -f unpack_cobol build_machine build_translators) <(echo "$gmp_sum $cob_sum") |
    sha256sum | cut -c1-16)
kit=$cache/cobol-kit-$key
log=$cache/cobol-kit-$key.log

mkdir -p "$cache" || give_up "cannot create $cache"
# Two builds on one machine share the cache: the second waits for the first.
exec 9>"$cache/cobol-kit.lock"
flock 9 || give_up "cannot lock $cache/cobol-kit.lock"
if [ ! -d "$kit" ]; then
    : >"$log"
    reason=$(build_kit) || give_up "${reason:-the kit build failed}"
fi
rm -rf "$reference/cobol"
mkdir -p "$reference/cobol" "$reference/bin"
cp -r "$kit"/* "$reference/cobol/" ||
    give_up "cannot copy $kit"
install -m 755 "$here/cobol.sh" "$reference/bin/cobol"
: >"$reference/cobol/kit.stamp"
