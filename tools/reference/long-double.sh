#!/usr/bin/env bash
# Rebuilds the long double members of mingwex for one machine of the reference toolchain.
#
# A program that cl compiles has MSVC's long double, a 64-bit double passed as a double. The
# members of mingw-w64's libmingwex.a were built by gcc, whose long double is the x87's 80-bit
# one (passed by reference on x64, in 12 bytes on x86): every member that takes, returns, reads
# from a variable argument list or stores a long double disagrees with the program about it.
# Those members are built again here from mingw-w64-crt's sources of the installed version
# (Debian's source package, pinned by sha256, fetched through ../fetch.sh), by cl, where long
# double is double, which is what mingw-w64 knows from ARM:
#   - sources that do not care how wide long double is (the printf and scanf engines, strtold
#     and wcstold, the complex functions, the x87 instructions on loaded values) as they are;
#   - sources whose x86 code reads the 80-bit layout, with their own tests of the machine
#     answered as on ARM (the headers they include still see x64 or x86);
#   - the functions that ARM takes from msvcrt.dll under the double function's name
#     (msvcrt.def.in's F_ARM_ANY lines) as weak aliases of the double function, and so five
#     more that mingw-w64 has only in assembly or with the 80-bit layout.
# The replaced members leave mingwex.a. gcc's pow computes through x87 exp2l and log2l of its
# own: those stay for it under names of their own (__mingw_x87_exp2l, __mingw_x87_log2l).
#
# Usage: long-double.sh <machine> <toolchain's bin> <mingw-w64 folder> <mingwex.a> <out folder>
# Writes the new members to <out folder> and edits <mingwex.a> in place. Exit status 0, or 1
# with the reason on standard error (nothing edited then).
set -uo pipefail
machine=$1 bin=$2 mingw=$3 mingwex=$4 out=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/fetch.sh"
version=10.0.0
pool=m/mingw-w64/mingw-w64_$version.orig.tar.bz2
sha256=ba6b430aed72c63a3768531f6a3ffc2b0fde2c57a3b251450dcf489a894f0894

fail() {
    echo "long-double.sh: $*" >&2
    exit 1
}

source "$here/machines.sh"
machine_row "$machine" || fail "unknown machine $machine"
defines=("${MACHINE_DEFINES[@]}")
# mingw-w64-crt's own sources say __MINGW64__ for the 64-bit machines, as its build does.
[ "$MACHINE_POINTER" != 8 ] || defines+=(-D__MINGW64__)
objcopy=$MACHINE_MINGW-objcopy
prefix=$MACHINE_PREFIX

# The members must match the libraries and headers they join.
installed=$(awk '/define __MINGW64_VERSION_(MAJOR|MINOR|BUGFIX)/ { v = v sep $3; sep = "." }
    END { print v }' "$mingw/include/_mingw_mac.h")
[ "$installed" = $version ] ||
    fail "the installed mingw-w64 is ${installed:-unknown}, the pinned sources are $version"

# Sources built as they are.
plain=(
    complex/cabsl complex/cacosl complex/cargl complex/casinl complex/catanl complex/ccosl
    complex/cexpl complex/cimagl complex/clog10l complex/clogl complex/conjl complex/cpowl
    complex/cprojl complex/creall complex/csinl complex/csqrtl complex/ctanl
    stdio/mingw_pformat stdio/mingw_pformatw stdio/mingw_vfscanf stdio/mingw_wvfscanf
    misc/mingw_wcstold misc/wcstold misc/mingw_wcstod
    math/cbrtl math/fabsl math/fdiml math/fmaxl math/fminl math/hypotl math/llrintl
    math/llroundl math/lroundl math/modfl math/nexttoward math/nexttowardf math/powil
    math/roundl math/sqrtl math/x86/cossin
)
# Sources built with their tests of the machine answered as on ARM.
as_arm=(
    math/coshl math/erfl math/fmal math/fp_constsl math/fpclassifyl math/frexpl math/isnanl
    math/lgammal math/lrintl math/rintl math/signbitl math/sinhl math/tanhl math/tgammal
    math/truncl
    math/arm-common/acoshl math/arm-common/asinhl math/arm-common/atanhl
    math/arm-common/copysignl math/arm-common/expm1l math/arm-common/ilogbl
    math/arm-common/ldexpl math/arm-common/log1pl math/arm-common/logbl math/arm-common/powl
    math/arm-common/remainderl math/arm-common/remquol
    math/softmath/exp2l math/softmath/log2l math/softmath/scalbnl
    gdtoa/strtopx gdtoa/strtodnrp
)
# Aliases beyond msvcrt.def.in's: long double function, then the double one it is.
more_aliases=(_chgsignl=_chgsign nearbyintl=nearbyint nextafterl=nextafter
    nexttowardl=nextafter scalblnl=scalbln)
# gcc's members that these replace (their file names in mingwex.a without the prefix).
replaced=(_chgsignl acoshl acosl asinhl asinl atan2l atanhl atanl cabsl cacosl cargl casinl
    catanl cbrtl ccosl ceill cexpl cimagl clog10l clogl conjl copysignl coshl cosl cossin cpowl
    cprojl creall csinl csqrtl ctanl erfl exp2l expl expm1l fabsl fdiml floorl fmal fmaxl fminl
    fmodl fp_constsl fpclassifyl frexpl hypotl ilogbl isnanl ldexpl lgammal llrintl llroundl
    log10l log1pl log2l logbl logl lrintl lroundl mingw_pformat mingw_pformatw mingw_vfscanf
    mingw_wcstod mingw_wcstold mingw_wvfscanf modfl nearbyintl nextafterl nexttoward
    nexttowardf powil powl remainderl remquol rintl roundl scalbnl signbitl sinhl sinl sqrtl
    strtodnrp strtopx tanhl tanl tgammal truncl wcstold)

tarball=$(fetch_source "$pool" "$sha256") || fail "cannot fetch mingw-w64's sources"
rm -rf "$out"
mkdir -p "$out/src"
crt=$out/src/mingw-w64-v$version/mingw-w64-crt
tar -xjf "$tarball" -C "$out/src" "${crt#"$out/src/"}"/{complex,gdtoa,include,lib-common,math,misc,stdio} ||
    fail "cannot unpack $tarball"

# As mingw-w64-crt's own build: the compiler's names for a mingw-w64 target, the headers'
# inline functions left out (the sources define them), the POSIX names the sources use (the
# toolchain's headers give them reserved names).
compile() { # <source> <object>
    "$bin/cl" -c -nologo -O2 -GS- -Zl "${defines[@]}" -U__USE_MINGW_ANSI_STDIO \
        -D__USE_MINGW_ANSI_STDIO=0 -D_CRTBLD -D_WIN32_WINNT=0x0f00 -D__MSVCRT_VERSION__=0x700 \
        -D__MINGW32__ -D__CRT__NO_INLINE -Dssize_t=__mingw_ssize_t /clang:-fgnuc-version=4.2.1 \
        -I"$crt/include" -Wno-everything "-Fo$2" "$1" >>"$out/compile.log" 2>&1 ||
        fail "cannot compile $1 (see $out/compile.log)"
}
for source in "${plain[@]}"; do
    compile "$crt/$source.c" "$out/${source##*/}.obj"
done
for source in "${as_arm[@]}"; do
    # Beside the original, so that its quoted includes are found.
    sed -E 's/defined *\(? *(__x86_64__|_AMD64_|__i386__|_X86_|__aarch64__|_ARM64_) *\)?/0/g
        s/defined *\(? *(__arm__|_ARM_) *\)?/1/g' "$crt/$source.c" >"$crt/$source.arm.c"
    compile "$crt/$source.arm.c" "$out/${source##*/}.obj"
done

# Each alias its own object, so that a link takes only those it needs.
aliases=($(sed -nE 's/^F_ARM_ANY\(([A-Za-z0-9_]+l) == ([A-Za-z0-9_]+)\)$/\1=\2/p' \
    "$crt/lib-common/msvcrt.def.in") "${more_aliases[@]}")
[ ${#aliases[@]} -gt 10 ] || fail "no aliases read from msvcrt.def.in"
triple=$MACHINE_TARGET
for alias in "${aliases[@]}"; do
    printf '.weak %s%s\n.set %s%s, %s%s\n' "$prefix" "${alias%=*}" "$prefix" "${alias%=*}" \
        "$prefix" "${alias#*=}" |
        llvm-mc "-triple=$triple" -filetype=obj -o "$out/alias-${alias%=*}.obj" ||
        fail "cannot make the alias $alias"
done

# gcc's pow keeps its x87 helpers under names of their own.
members=$(llvm-ar t "$mingwex") || fail "cannot read $mingwex"
member() { echo "$members" | grep -x -- "lib[0-9]*_libmingwex_a-$1\.o"; }
work=$out/members
mkdir -p "$work"
rename=(--redefine-sym "${prefix}exp2l=${prefix}__mingw_x87_exp2l"
    --redefine-sym "${prefix}log2l=${prefix}__mingw_x87_log2l")
kept=()
for stem in pow exp2l log2l; do
    name=$(member $stem) || fail "no $stem member in $mingwex"
    (cd "$work" && llvm-ar x "$mingwex" "$name") &&
        "$objcopy" "${rename[@]}" "$work/$name" "$work/x87-$name" || fail "cannot rename in $name"
    kept+=("$work/x87-$name")
done
names=()
for stem in "${replaced[@]}" pow; do
    name=$(member "$stem") || fail "no $stem member in $mingwex"
    names+=("$name")
done
llvm-ar d "$mingwex" "${names[@]}" && llvm-ar q "$mingwex" "${kept[@]}" ||
    fail "cannot edit $mingwex"
rm -rf "$out/src" "$work"
