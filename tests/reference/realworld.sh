#!/usr/bin/env bash
# One row of the real-world table: an ordinary open-source C program, built through veldra with
# the reference toolchain for one machine in one variant, run under Wine on a fixed input, its
# output compared with a native gcc build of the same sources.
#
# Usage: realworld.sh <program> <x64|x86> <plain|dll|static>
#   program  sqlite (database engine and its shell), lua (script interpreter), zlib (compression
#            library and its example programs), cjson (JSON parser and its test), lmdb
#            (memory-mapped key/value store and its tools), zstd and lz4 (compressors and their
#            command-line programs)
#   plain    veldra on the sources (a whole build; the objects stay for the other variants)
#   dll      the library's objects as a DLL (-D, -K keeps its import library), the program
#            linked against it
#   static   the objects linked with the static runtime (-T)
# Environment: VELDRA_PROGRAM, VELDRA_REFERENCE, VELDRA_REALWORLD_WORK (the work folder),
# VELDRA_SCRIPTS (the project's scripts/: lib.sh tells whether Wine starts 32-bit programs).
# Sources come
# from Debian's source packages, pinned by SHA-256, fetched once into the cache of
# tools/reference/fetch.sh. Exit status 0, 77 when Wine cannot start the x86 program
# (after it linked), else 1.
set -euo pipefail
program=$1 machine=$2 variant=$3 ref=$VELDRA_REFERENCE work=$VELDRA_REALWORLD_WORK/$1
here=$(cd "$(dirname "$0")" && pwd) dir=$work/$machine-$variant
source "${VELDRA_SCRIPTS:-$here/../../scripts}/lib.sh"
source "$VELDRA_ROOT/tools/reference/fetch.sh"
toolchain_env "$ref" "$machine"
export PATH="$(dirname "$VELDRA_PROGRAM"):$PATH" WINEDEBUG=-all
mkdir -p "$work"

# Each program: its package file and checksum, the folder it unpacks to, the library's sources,
# its programs (name:sources, the sources separated by commas), the folder of its headers, the
# defines of its build and the system libraries its links name, and how it is run
# (run_<program>, with `exe NAME ARGS...`: the program of the native build, later under Wine the
# variant's).
headers=. defines=() system=()
case $program in
sqlite)
    package=s/sqlite3/sqlite3_3.40.1.orig.tar.xz folder=sqlite3-3.40.1
    sha256=aaa776260ab4dc976db34aa7891819484c8676b5b2783123ebc6301e2ca5d655
    library=(amalgamation/sqlite3.c) programs=(sqlite3:amalgamation/shell.c) ;;
lua)
    package=l/lua5.4/lua5.4_5.4.4.orig.tar.gz folder=lua-5.4.4
    sha256=164c7849653b80ae67bec4b7473b884bf5cc8d2dca05653475ec2ed27b9ebf61
    library=(src/{lapi,lcode,lctype,ldebug,ldo,ldump,lfunc,lgc,llex,lmem,lobject,lopcodes,lparser}.c
        src/{lstate,lstring,ltable,ltm,lundump,lvm,lzio,lauxlib,lbaselib,lcorolib,ldblib,liolib}.c
        src/{lmathlib,loadlib,loslib,lstrlib,ltablib,lutf8lib,linit}.c) programs=(lua:src/lua.c) ;;
zlib)
    package=z/zlib/zlib_1.2.13.dfsg.orig.tar.bz2 folder=zlib-1.2.13.dfsg
    sha256=71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1
    library=({adler32,compress,crc32,deflate,gzclose,gzlib,gzread,gzwrite,infback,inffast}.c
        {inflate,inftrees,trees,uncompr,zutil}.c)
    programs=(example:test/example.c minigzip:test/minigzip.c) ;;
cjson)
    package=c/cjson/cjson_1.7.15.orig.tar.gz folder=cJSON-1.7.15
    sha256=5308fd4bd90cef7aa060558514de6a1a4a0819974a26e6ed13973c5f624c24b2
    library=(cJSON.c) programs=(cjsontest:test.c) ;;
lmdb)
    # mdb_stat first: a library function of the tool's name must not become its entry.
    package=l/lmdb/lmdb_0.9.24.orig.tar.gz folder=lmdb-0.9.24/libraries/liblmdb
    sha256=8e7200fdc9bb09b0cfad1d4eee8b20d539e43fe05c7ef9406247d64659c4a480
    library=(mdb.c midl.c) programs=(mdb_stat:mdb_stat.c mdb_load:mdb_load.c mdb_dump:mdb_dump.c)
    system=(advapi32.lib) ;;
zstd)
    # The command-line program as its "frugal" build has it: no benchmark, dictionary builder,
    # legacy formats or threads.
    package=libz/libzstd/libzstd_1.5.4+dfsg2.orig.tar.xz folder=zstd-1.5.4
    sha256=8cf4bbb65e77ec348d052c8d6230eba66d435bddf64c8b5be2fcb16880c19953
    library=(lib/common/{debug,entropy_common,error_private,fse_decompress,pool,threading}.c
        lib/common/{xxhash,zstd_common}.c lib/compress/{fse_compress,hist,huf_compress}.c
        lib/compress/zstd_{compress,compress_literals,compress_sequences,compress_superblock}.c
        lib/compress/zstd_{double_fast,fast,lazy,ldm,opt}.c lib/compress/zstdmt_compress.c
        lib/decompress/{huf_decompress,zstd_ddict,zstd_decompress,zstd_decompress_block}.c)
    programs=(zstd:programs/zstdcli.c,programs/util.c,programs/timefn.c,programs/fileio.c,programs/fileio_asyncio.c)
    defines=(-DZSTD_NOBENCH -DZSTD_NODICT -DZSTD_NOTRACE -DZSTD_LEGACY_SUPPORT=0 -DZSTD_DISABLE_ASM) ;;
lz4)
    package=l/lz4/lz4_1.9.4.orig.tar.gz folder=lz4-1.9.4 headers=lib
    sha256=0b0e3aa07c8c063ddf40b082bdf7e37a1562bda40a0ff5272957f3e987e0e54b
    library=(lib/lz4.c lib/lz4hc.c lib/lz4frame.c lib/xxhash.c)
    programs=(lz4:programs/lz4cli.c,programs/lz4io.c,programs/bench.c,programs/datagen.c) ;;
esac
src=$work/source/$folder

run_sqlite() { exe sqlite3 <"$here/realworld/sqlite.sql"; }
run_lua() { exe lua "$here/realworld/lua.lua"; }
run_cjson() { exe cjsontest; }
# The flags example prints depend on the sizes of C's types; the gzip header names the system.
run_zlib() {
    exe example | sed 's/, compile flags = .*//'
    exe minigzip <"$src/deflate.c" >deflate.c.gz
    exe minigzip -d <deflate.c.gz | cmp - "$src/deflate.c" && echo "round trip"
    tail -c +11 deflate.c.gz | sha256sum
}
# The store loaded from text, its statistics and its dump.
run_lmdb() {
    rm -rf db && mkdir db
    awk 'BEGIN { for (i = 1; i <= 600; i++) printf "key%04d\nvalue of %d\n", i, i }' |
        exe mdb_load -T db
    exe mdb_stat db
    exe mdb_dump -p db | tr -d '\r' | sed -n '1,6p;$p'
    exe mdb_dump -p db | tr -d '\r' | sha256sum
}
# Each compresses a source of its own, lists the frames (lz4 in units of a long double) and
# decompresses them again. lz4's bytes depend on the machine's word: it lists and reads the
# native build's frames too.
run_zstd() {
    cp "$src/lib/compress/zstd_lazy.c" input
    exe zstd -q -f input -o input.zst
    exe zstd -l input.zst
    exe zstd -d -q -f input.zst -o output && cmp input output && echo "round trip"
    sha256sum <input.zst
}
run_lz4() {
    cp "$src/lib/lz4.c" input
    exe lz4 -q -f --content-size input input.lz4
    exe lz4 -d -q -f input.lz4 output && cmp input output && echo "round trip"
    cp "$work/native/input.lz4" native.lz4
    exe lz4 --list native.lz4
    exe lz4 -d -q -f native.lz4 output && cmp input output && echo "native frames read"
}

# Runs one stage once for all rows, whichever row comes first; the others wait for it. It runs
# again when its key (what it was made from) has changed.
once() { # <stage> <key> <command...>
    exec 9>"$work/lock"
    flock 9
    if [ "$(cat "$work/$1.done" 2>/dev/null)" != "$2" ]; then
        rm -f "$work/$1.done"
        "${@:3}"
        echo "$2" >"$work/$1.done"
    fi
    flock -u 9
}

# The sources of a program (name:sources), and the objects of sources.
sources() { local IFS=,; printf "$src/%s\n" ${1#*:}; }
objects() { local s; for s in "$@"; do s=${s##*/}; echo "${s%.c}.obj"; done; }

# fresh <folder>: made empty, and the current folder.
fresh() { rm -rf "$1" && mkdir -p "$1" && cd "$1"; }

# The sources unpacked, and the native build and its output.
native() {
    local entry
    fresh "$work/source"
    tar -xf "$(fetch_source "$package" "$sha256")"
    if [ $program = sqlite ]; then
        # The one-file build of the library and of its shell, made by the package's own tools.
        fresh "$src/amalgamation"
        ../configure --disable-tcl >configure.log 2>&1
        make sqlite3.c shell.c >make.log 2>&1
    fi
    fresh "$work/native"
    exe() { "$work/native/$1" "${@:2}"; }
    for entry in "${programs[@]}"; do
        gcc -O0 -w "${defines[@]}" -I"$src/$headers" -o "${entry%%:*}" $(sources "$entry") \
            "${library[@]/#/$src/}" -lm -lpthread -ldl
    done
    (set +e; "run_$program"; echo "status $?") >expected.txt 2>&1
}

# timed <what> <words...>: veldra on the words and the system libraries, its output in
# build.log and its time in timings.txt as "<program> <machine> <what>".
timed() {
    local TIMEFORMAT="$program $machine $1 %2Rs"
    { time veldra -N "${TOOLCHAIN_WORDS[@]}" "${@:2}" "${system[@]}" >>build.log 2>&1; } \
        2>>"$VELDRA_REALWORLD_WORK/timings.txt"
}

# plain: the first program from all the sources (and once more from its objects, to time the
# link alone), the others from theirs and the library's objects.
plain() {
    local entry=${programs[0]}
    fresh "$work/$machine-plain"
    timed build-from-sources "-O${entry%%:*}" $(sources "$entry") "${library[@]/#/$src/}"
    timed link-plain "-O${entry%%:*}" $(objects $(sources "$entry") "${library[@]}")
    for entry in "${programs[@]:1}"; do
        timed "build-${entry%%:*}" "-O${entry%%:*}" $(sources "$entry") $(objects "${library[@]}")
    done
}

# The variant's programs from the plain build's objects: linked with the static runtime, or
# against the library made a DLL (-K keeps its import library).
link_variant() {
    local entry libraries=($(objects "${library[@]}")) what=link-static flags=(-T)
    fresh "$dir"
    cp "$work/$machine-plain"/*.obj .
    if [ $variant = dll ]; then
        timed link-dll -D -K "-O${program}lib" "${libraries[@]}"
        libraries=("${program}lib.lib") what=link-exe-on-dll flags=()
    fi
    for entry in "${programs[@]}"; do
        timed $what "${flags[@]}" "-O${entry%%:*}" $(objects $(sources "$entry")) "${libraries[@]}"
    done
}

# cl's own variable: the library's headers, for programs in a subfolder, and the defines.
export CL="-I$src/$headers ${defines[*]}"
# The native output again when this script (how the programs run) has changed.
once native "$sha256 $(sha256sum <"$0" | cut -c1-16)" native
# The objects are made again when veldra or the toolchain has changed.
once "$machine-plain" "$sha256 $(stat -c %Y "$VELDRA_PROGRAM" "$ref"/bin/* "$ref/lib/$machine"/*.lib \
    "$ref/include/$machine.yaml" | tr '\n' ' ')" plain
[ $variant = plain ] || link_variant

[ $machine != x86 ] || wine32_ready || { echo "linked; not run: $WINE32_WHY"; exit 77; }
fresh "$dir/run"
export WINEPATH="Z:$ref/lib/$machine;Z:$dir"
exe() { wine "$dir/$1.exe" "${@:2}"; }
(set +e; "run_$program"; echo "status $?") 2>&1 | tr -d '\r' >output.txt
diff -u "$work/native/expected.txt" output.txt
echo "$program $machine $variant: the same output as the native build ($(wc -l <output.txt) lines)"
