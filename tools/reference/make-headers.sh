#!/usr/bin/env bash
# Builds the header folder of one machine of the reference toolchain from mingw-w64's headers:
#   <out>/<name>     for every mingw-w64 header, a stand-in that includes it with __GNUC__
#                    defined and restores it after, so that the headers get the GNU dialect
#                    they are written for while a program's own code sees none (as with cl);
#                    a header that needs an edit for a program of cl's is copied with it:
#                    the POSIX types MSVC's headers lack (ssize_t, mode_t, pid_t...) made
#                    reserved names, __mingw_ssize_t and so on (the headers that use them still
#                    have them, a program that declares its own for MSVC meets no clash); in
#                    math.h the long double classifiers' x64 code, which reads the x87 80-bit
#                    layout, left for the code of a long double that is a double (ARM's);
#                    unistd.h, which MSVC does not have, gives the POSIX names as before
#   <out>/first/     intrin.h, searched before the compiler's own
#   <out>.yaml       the overlay that finds both folders' headers whatever the case of a name
# Usage: make-headers.sh <mingw-w64 include folder> <out> [<out's folder once installed>]
set -euo pipefail
src=$1 out=$2 named=${3:-$2}
rm -rf "$out" "$out.yaml"
mkdir -p "$out/first"
cd "$src"
# The POSIX names that mingw-w64's headers give and MSVC's do not, with the guards that say
# whether they are there (a program may test _SSIZE_T_DEFINED before its own ssize_t). off_t,
# ino_t and dev_t stay: MSVC has them.
hidden='ssize_t|mode_t|pid_t|useconds_t|off32_t|off64_t|sigset_t|_SSIZE_T_DEFINED|_PID_T_|_MODE_T_|_SIGSET_T_'
edit() {
    sed -E "s/\\b($hidden)\\b/__mingw_\\1/g" "$1" | if [ "$1" = math.h ]; then
        awk '/^#if defined\(__x86_64__\) \|\| defined\(_AMD64_\)$/ { held = $0; getline
                 if ($0 ~ /__mingw_ldbl_type_t/) { print "#if 0"; arm = 1 } else print held }
             arm && /^#elif defined\(__arm__\)/ { $0 = "#elif 1"; arm = 0 }
             { print }'
    else
        cat
    fi
    [ "$1" != unistd.h ] || printf '%s\n' '#include <sys/types.h>' \
        '#ifndef __mingw_unistd_names' '#define __mingw_unistd_names' \
        'typedef __mingw_ssize_t ssize_t;' '#ifndef NO_OLDNAMES' 'typedef __mingw_pid_t pid_t;' \
        'typedef __mingw_mode_t mode_t;' '#endif' '#if !defined(NO_OLDNAMES) || defined(_POSIX)' \
        'typedef __mingw_off32_t off32_t;' 'typedef __mingw_off64_t off64_t;' '#endif' \
        '#ifndef __NO_ISOCEXT' 'typedef __mingw_useconds_t useconds_t;' '#endif' '#endif'
}
wrap() {
    local name
    for name in __GNUC__ __GNUC_MINOR__ __GNUC_PATCHLEVEL__; do
        printf '#pragma push_macro("%s")\n#undef %s\n' $name $name
    done
    printf '#define __GNUC__ 4\n#define __GNUC_MINOR__ 2\n#define __GNUC_PATCHLEVEL__ 1\n'
    # The headers' __forceinline is GNU inline, as _mingw.h makes it; a program's is cl's
    # keyword, which "static __forceinline" needs.
    printf '#pragma push_macro("__forceinline")\n#undef __forceinline\n#ifdef __cplusplus\n'
    printf '#define __forceinline inline __attribute__((__always_inline__))\n#else\n'
    printf '#define __forceinline extern __inline__ __attribute__((__always_inline__,__gnu_inline__))\n'
    printf '#endif\n'
    if [ "$1" = math.h ] || grep -qwE "$hidden" "$1"; then
        edit "$1"
        printf '\n'
    else
        printf '#include "%s/%s"\n' "$src" "$1"
    fi
    printf '#pragma pop_macro("__forceinline")\n'
    for name in __GNUC__ __GNUC_MINOR__ __GNUC_PATCHLEVEL__; do
        printf '#pragma pop_macro("%s")\n' $name
    done
}
find -L . -type d | sed 's|^\./\?||' | while read -r dir; do
    [ -z "$dir" ] || mkdir -p "$out/$dir"
done
find -L . -type f | sed 's|^\./||' | while read -r name; do
    wrap "$name" >"$out/$name"
done
# mingw-w64's intrin.h, not the compiler's, which clashes with what <windows.h> defines.
cp "$out/intrin.h" "$out/first/intrin.h"
# The overlay: one directory entry per folder, its files and subfolders as contents.
overlay() {
    local dir=$1 indent=$2 entry first=1
    for entry in "$dir"/*; do
        [ -n "$first" ] || printf ',\n'
        first=
        if [ -d "$entry" ]; then
            printf '%s{"type": "directory", "name": "%s", "contents": [\n' "$indent" "${entry##*/}"
            overlay "$entry" "$indent  "
            printf '\n%s]}' "$indent"
        else
            printf '%s{"type": "file", "name": "%s", "external-contents": "%s"}' "$indent" \
                "${entry##*/}" "$named${entry#"$out"}"
        fi
    done
}
{
    printf '{"version": 0, "case-sensitive": "false", "roots": [\n'
    printf '{"type": "directory", "name": "%s", "contents": [\n' "$named"
    overlay "$out" "  "
    printf '\n]}]}\n'
} >"$out.yaml"
