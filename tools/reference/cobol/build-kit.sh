#!/usr/bin/env bash
# Builds the COBOL kit of the reference toolchain into <reference>/cobol and installs the
# `cobol` child as <reference>/bin/cobol:
#   cobol/x64, cobol/x86   libcob-4.dll (with GMP, Berkeley DB, ncursesw, libxml2 and cJSON
#                          inside; imports only Windows' own DLLs: KERNEL32, msvcrt, ADVAPI32,
#                          USER32), libcob.lib (its import library), cobc.exe (the Windows
#                          compiler, as a Windows user runs it), cobc (the translator `cobol`
#                          runs: the same compiler built for this host, writing the C that
#                          cobc.exe writes), include/ (libcob's headers and GMP's)
#   cobol/config           the compiler's configuration files
#   cobol/copy             GnuCOBOL's copybooks (screenio.cpy, sqlca.cpy, the EXTFH ones)
# The sources are Debian's tarballs of GnuCOBOL 3.1.2, GMP 6.2.1, Berkeley DB 5.3.28 (with its
# Debian patches), ncurses 6.4, libxml2 2.9.14 and cJSON 1.7.15, pinned by sha256 in sources.sh
# and fetched from the archive apt is configured with (../fetch.sh), with the patches beside
# this script. Both compilers of a machine are built from the same patched sources, with the
# package's date as their build date (SOURCE_DATE_EPOCH), which every C file they write records.
# Tarballs and the built kit are kept in the cache of ../fetch.sh, the kit under a key made of
# the versions, the patches and this script's build steps, so that only the first build on a
# machine pays.
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

# Unpacks GnuCOBOL into $1 with the kit's patches, and cJSON's source into libcob/, where
# configure --with-json=local takes it. parser.y is patched with parser.c, which is made from
# it: dated after it, so that make does not ask for bison.
unpack_cobol() {
    local patch
    tar -xf "$cob_tarball" -C "$1" --strip-components=1 &&
        tar -xf "$cjson_tarball" -C "$1/libcob" --strip-components=1 --wildcards '*/cJSON.[ch]' ||
        return 1
    for patch in resolver target tmpdir main-program source-date; do
        (cd "$1" && patch -p1 <"$here/$patch.patch") || return 1
    done
    touch "$1/cobc/parser.c" "$1/cobc/parser.h"
}

# The libraries libcob is built with, each as a static library into <prefix>/lib with its
# headers in <prefix>/include, so that libcob-4.dll holds them all (see the README for why):
# GMP, Berkeley DB, ncurses with its Windows console driver, libxml2. cJSON is compiled into
# libcob from its own source (configure --with-json=local). Each one is skipped when it is
# there already, so that a build that stopped goes on from there.
build_gmp() { # <triple> <work> <prefix>
    [ ! -f "$3/lib/libgmp.a" ] || return 0
    rm -rf "$2" && mkdir -p "$2" && tar -xf "$gmp_tarball" -C "$2" --strip-components=1 ||
        return 1
    # Debian's tarball lacks doc/, which configure and make still want a Makefile for.
    mkdir -p "$2/doc" && printf 'all install check clean distclean:\n' >"$2/doc/Makefile.in"
    (cd "$2" && ./configure --host="$1" --prefix="$3" --enable-static --disable-shared &&
        make -j"$jobs" && make install)
}

# Berkeley DB with Debian's patches and ours; only the B-tree access method that libcob's
# indexed files use, and the environment, locking and cache they use with DB_HOME.
build_bdb() { # <triple> <work> <prefix>
    [ ! -f "$3/lib/libdb.a" ] || return 0
    local patch
    rm -rf "$2" && mkdir -p "$2" && tar -xf "$db_tarball" -C "$2" --strip-components=1 &&
        tar -xf "$db_debian_tarball" -C "$2" || return 1
    for patch in $(grep -v '^#' "$2/debian/patches/series") "$here/db-mingw.patch"; do
        case $patch in /*) ;; *) patch=$2/debian/patches/$patch ;; esac
        (cd "$2" && patch -p1 <"$patch") || return 1
    done
    # Windows threads, not mingw-w64's POSIX ones, which would need their DLL or library too.
    (cd "$2/build_unix" && ../dist/configure --host="$1" --enable-mingw --enable-static \
        --disable-shared --disable-cxx --disable-java --disable-tcl --disable-sql \
        --disable-replication --disable-hash --disable-heap --disable-queue \
        --disable-partition --disable-compression ac_cv_header_pthread_h=no \
        ac_cv_func_pthread_self=no && make -j"$jobs" libdb.a) || return 1
    mkdir -p "$3/include" "$3/lib" && cp "$2/build_unix/db.h" "$3/include/" &&
        cp "$2/build_unix/libdb.a" "$3/lib/libdb.a"
}

# ncursesw with the Windows console driver (the term driver, chosen when TERM is unset or
# "#win32con", as in a Windows console): it draws through the console's own functions, so it
# needs no terminal description on the user's machine.
build_ncurses() { # <triple> <work> <prefix>
    [ ! -f "$3/lib/libncursesw.a" ] || return 0
    rm -rf "$2" && mkdir -p "$2" && tar -xf "$ncurses_tarball" -C "$2" --strip-components=1 &&
        (cd "$2" && ./configure --host="$1" --build="$(gcc -dumpmachine)" --prefix="$3" \
            --with-build-cc=gcc --without-cxx --without-cxx-binding --without-ada \
            --without-progs --without-tests --without-manpages --without-shared --with-normal \
            --without-debug --without-pkg-config --without-libtool --disable-termcap \
            --disable-home-terminfo --enable-sp-funcs --enable-term-driver --enable-widec \
            --disable-macros --with-xterm-kbs=DEL &&
            make -C include -j"$jobs" && make -C ncurses -j"$jobs" libs &&
            make -C include install && make -C ncurses install.libs)
}

# libxml2 for XML GENERATE: its writer and what that needs (the tree, output and push
# parser), nothing more: libcob uses no other part, and none leaves libcob-4.dll.
build_xml2() { # <triple> <work> <prefix>
    [ ! -f "$3/include/libxml2/libxml/xmlwriter.h" ] || return 0
    rm -rf "$2" && mkdir -p "$2" && tar -xf "$xml2_tarball" -C "$2" --strip-components=1 &&
        (cd "$2" && ./configure --host="$1" --prefix="$3" --enable-static --disable-shared \
            --without-python --with-minimum --with-writer --with-output --with-tree &&
            make -j"$jobs" libxml2.la && make install-libLTLIBRARIES && make -C include install)
}

# The dependencies, then libcob as a DLL with them inside, and cobc.exe.
build_machine() { # <machine> <work> <out>
    local machine=$1 work=$2 out=$3 triple pointer dependency
    machine_row "$machine" || return 1
    triple=$MACHINE_MINGW pointer=$MACHINE_POINTER
    local deps=$work/deps-$machine cob=$work/cob-$machine
    for dependency in gmp bdb ncurses xml2; do
        "build_$dependency" "$triple" "$work/$dependency-$machine" "$deps" || return 1
    done
    rm -rf "$cob" && mkdir -p "$cob" "$out/include/libcob" || return 1
    unpack_cobol "$cob" || return 1
    # A cross configure cannot look for the local cJSON source, nor run BDB's version check
    # (it then leaves WITH_DB undefined: added below). cJSON's header would export its
    # functions from the DLL; like the libraries' own, they stay inside.
    (cd "$cob" && ./configure --host="$triple" CC="$triple-gcc -static-libgcc" \
        CPPFLAGS="-I$deps/include -DNCURSES_STATIC -DCJSON_HIDE_SYMBOLS" \
        LDFLAGS="-L$deps/lib" \
        XML2_CFLAGS="-I$deps/include/libxml2 -DLIBXML_STATIC" XML2_LIBS="-lxml2" \
        PKG_CONFIG=false ac_cv_file___libcob_cJSON_c=yes \
        --enable-shared --disable-static --with-math=gmp --with-db --with-curses=ncursesw \
        --with-xml2 --with-json=local --disable-nls --disable-rpath \
        lt_cv_deplibs_check_method=pass_all) || return 1
    # A cross configure writes "#define COB_LI_IS_LL $COB_LI_IS_LL" literally; libcob only
    # asks whether it is defined, takes long for 64 bits and cuts binary arithmetic to 32.
    sed -i -e '/COB_LI_IS_LL/d' -e '/COB_32_BIT_LONG/d' -e '/COB_64_BIT_POINTER/d' \
        -e '/WITH_DB/d' "$cob/config.h"
    {
        echo '#define COB_32_BIT_LONG 1'
        [ "$pointer" = 8 ] && echo '#define COB_64_BIT_POINTER 1'
        echo '#define WITH_DB 1'
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
    cp "$cob/libcob.h" "$deps/include/gmp.h" "$out/include/" &&
        cp "$cob"/libcob/*.h "$cob"/libcob/*.def "$out/include/libcob/" &&
        rm -f "$out/include/libcob/"{coblocal,cobgetopt,sysdefines,cJSON}.h
    "$triple-strip" "$out/cobc.exe" "$out/libcob-4.dll" || return 1
    # The same for every machine.
    mkdir -p "$out/../config" "$out/../copy" &&
        cp "$cob"/config/*.conf "$cob"/config/*.conf-inc "$cob"/config/*.words \
            "$cob"/config/*.cfg "$out/../config/" &&
        cp "$cob"/copy/*.cpy "$out/../copy/"
}

# The translators `cobol` runs: cobc of each machine built for this host from the same patched
# sources, with the Windows target's answers to what translating asks of the machine (long is
# 4 bytes, a pointer 8 or 4, Windows and on x64 64-bit Windows; config.h as the Windows build
# has it). libcob, which cobc uses for a few helpers, is built once, for this host as it is,
# with the features of the Windows build (Debian's Berkeley DB, ncursesw and libxml2, the same
# cJSON source), so that `cobc --info` says what the runtime does.
build_translators() {
    local work=$1 kit=$2 src=$1/host machine defines
    rm -rf "$src" && mkdir -p "$src" || return 1
    unpack_cobol "$src" || return 1
    (cd "$src" && ./configure --disable-shared --enable-static --with-math=gmp --with-db \
        --with-curses=ncursesw --with-xml2 --with-json=local --disable-nls --disable-rpath &&
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
    # The translators built for this host link libcob, which needs these headers and libraries.
    local header package name pair pool sum
    for pair in gmp.h:libgmp-dev db.h:libdb5.3-dev ncursesw/ncurses.h:libncurses-dev \
        libxml/xmlwriter.h:libxml2-dev; do
        header=${pair%%:*} package=${pair#*:}
        # libxml2's headers are below a folder of their own, which xml2-config names.
        echo "#include <$header>" | gcc -E $(xml2-config --cflags 2>/dev/null) -o /dev/null - \
            2>/dev/null || {
            echo "$header not found ($package)"
            return 1
        }
    done
    # Each source as <name>_tarball.
    for name in gmp cob db db_debian ncurses xml2 cjson; do
        pool=${name}_pool sum=${name}_sum
        pair=$(fetch_source "${!pool}" "${!sum}" 2>&1) || {
            echo "$pair"
            return 1
        }
        printf -v "${name}_tarball" '%s' "$pair"
    done
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
key=$(cat "$here"/{resolver,target,tmpdir,main-program,source-date,db-mingw}.patch \
    "$MACHINE_TABLE" <(declare -f unpack_cobol build_gmp build_bdb build_ncurses build_xml2 \
        build_machine build_translators) \
    <(echo "$gmp_sum $cob_sum $db_sum $db_debian_sum $ncurses_sum $xml2_sum $cjson_sum") |
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
