#!/usr/bin/env bash
# Builds the libraries of one machine of the reference toolchain into <lib>:
#   zorun32.dll, zorun32.lib   the runtime DLL; its import members and the start-up members
#   zorun32s.lib               the start-up and the runtime as static members
#   zolrun*.lib, oops*.lib     the per-flavour names, the same libraries again
#   msvcrt.lib                 mingw-w64's msvcrt and mingwex (its long double members built
#                              again for MSVC's long double: long-double.sh), the glue they
#                              leave missing, the compiler's helpers and thread-local storage
#   bufferoverflowu.lib        the stack-buffer check alone
#   kernel32, user32, gdi32, advapi32.lib   mingw-w64's import libraries
# With the COBOL kit's folder of the machine, libcob's import members join zorun32.lib and
# zorun32s.lib, and libcob-4.dll goes beside zorun32.dll.
# Usage: build-libraries.sh <machine> <lib> <toolchain's bin> <llvm-lib> <mingw-w64 root>
#                           <runtime sources>
#                           [<COBOL kit>]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
machine=$1 lib=$2 bin=$3 llvmlib=$4 mingwRoot=$5 src=$6 cobol=${7:-}
source "$here/machines.sh"
machine_row "$machine" || {
    echo "build-libraries.sh: unknown machine $machine" >&2
    exit 1
}
defines=("${MACHINE_DEFINES[@]}")
mingw=$mingwRoot/$MACHINE_MINGW
objcopy=$MACHINE_MINGW-objcopy
imagebase=${MACHINE_PREFIX}__ImageBase
work=$lib/obj
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# The runtime's own code is built without the stack-buffer check it provides.
compile() { "$bin/cl" -c "${defines[@]}" -MD -GS- -nologo "$@"; }
compile "$src/crt_main.c"
compile "$src/crt_winmain.c"
compile "$src/crt_libmain.c"
compile "$src/crtglue.c"
compile "$src/crthelpers.c"
compile "$src/crttls.c"
compile "$src/crt_init.c"
compile "$src/crt_wmain.c"
compile "$src/crt_wwinmain.c"
compile -Fostart.obj "$src/start.c"
compile -DZO_STATIC -Fostart_static.obj "$src/start.c"
compile -DZO_BUILD_DLL -Foruntime.obj "$src/runtime.c"
compile -DZO_STATIC -Foruntime_static.obj "$src/runtime.c"
compile -Focobstart.obj "$src/cobstart.c"
compile -DZO_STATIC -Focobstart_static.obj "$src/cobstart.c"
cobol_imports=()
rm -f "$lib/libcob-4.dll"
if [ -n "$cobol" ] && [ -f "$cobol/libcob-4.dll" ]; then
    cobol_imports=("$cobol/libcob.lib")
    cp "$cobol/libcob-4.dll" "$lib/"
fi

archive() {
    local out=$1
    shift
    "$llvmlib" -nologo "-machine:$machine" "-out:$lib/$out" "$@"
}
# mingwex's delay-load helper names the image base as GNU ld does; the linker's name is another.
cp "$mingw/lib/libmingwex.a" mingwex.a
delayimp=$(llvm-ar t mingwex.a | grep -- '-delayimp\.o$')
llvm-ar x mingwex.a "$delayimp"
llvm-ar d mingwex.a "$delayimp"
"$objcopy" --redefine-sym "__image_base__=$imagebase" "$delayimp"
# Without the rebuilt members every long double a program passes to the C library is read
# wrongly: no toolchain is better than that one.
if ! reason=$(bash "$here/long-double.sh" $machine "$bin" "$mingw" "$work/mingwex.a" \
    "$work/long-double" 2>&1); then
    echo "Reference toolchain: the long double members for $machine cannot be built: $reason" >&2
    exit 1
fi
shopt -s nullglob
long_double=("$work"/long-double/*.obj)
shopt -u nullglob
archive msvcrt.lib "$mingw/lib/libmsvcrt.a" mingwex.a "$delayimp" crtglue.obj crthelpers.obj \
    crttls.obj "${long_double[@]}"
archive bufferoverflowu.lib crtglue.obj
for name in kernel32 user32 gdi32 advapi32; do
    cp "$mingw/lib/lib$name.a" "$lib/$name.lib"
done
"$bin/link" -nologo -dll -noentry -nodefaultlib "-machine:$machine" runtime.obj \
    "$lib/msvcrt.lib" "$lib/kernel32.lib" "-out:$lib/zorun32.dll" -implib:zorun32-imports.lib
startup=(crt_main.obj crt_winmain.obj crt_wmain.obj crt_wwinmain.obj crt_libmain.obj crt_init.obj)
archive zorun32.lib zorun32-imports.lib "${startup[@]}" start.obj cobstart.obj "${cobol_imports[@]}"
archive zorun32s.lib "${startup[@]}" start_static.obj runtime_static.obj cobstart_static.obj \
    "${cobol_imports[@]}"
for name in zolrunsi zolrunmi zolrung oopss oopsm; do
    cp "$lib/zorun32.lib" "$lib/$name.lib"
done
for name in zolruns zolrunm; do
    cp "$lib/zorun32s.lib" "$lib/$name.lib"
done
cd "$lib"
rm -rf "$work"
