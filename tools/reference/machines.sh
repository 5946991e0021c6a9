# The machine table of the reference toolchain (machines.table beside this file), for the
# wrappers and build scripts that source it.
#
# machine_names                 prints the machines' names, one a line, the default first
# machine_row <name>            sets MACHINE_NAME, MACHINE_TARGET, MACHINE_MINGW,
#                               MACHINE_DEFINE, MACHINE_DEFINES (an array), MACHINE_WORDS (an
#                               array, lld's own first), MACHINE_PREFIX, MACHINE_POINTER,
#                               MACHINE_VELDRA (an array: veldra's word for it, or none) and
#                               MACHINE_LIBRARY; status 1 for a name the table lacks
# machine_of_compile <words>    sets MACHINE_FOUND to the machine that a compile's words name
#                               with -D<define> (or /D<define>), the default when none does
# machine_of_word <word>        sets MACHINE_FOUND to the machine whose -machine: word that is
#                               (case ignored); status 1 when none is
# (Variables rather than output, so that a wrapper starts no process for them.)
MACHINE_TABLE=$(dirname "${BASH_SOURCE[0]}")/machines.table

# Reads the table's rows into the variables named as arguments (the last takes the rest),
# calling machine_visit after each; comments and blank lines are passed over. No process is
# started: a wrapper reads it on every compile.
machine_each() {
    local line
    while IFS= read -r line; do
        case $line in "" | "#"*) continue ;; esac
        read -r "$@" <<<"$line"
        machine_visit || return 0
    done <"$MACHINE_TABLE"
}

machine_names() {
    local name rest
    machine_visit() { echo "$name"; }
    machine_each name rest
}

machine_row() {
    local name target mingw define defines words prefix pointer veldra library wanted=$1 found=
    machine_visit() {
        [ "$name" = "$wanted" ] || return 0
        MACHINE_NAME=$name MACHINE_TARGET=$target MACHINE_MINGW=$mingw MACHINE_DEFINE=$define
        IFS=, read -r -a MACHINE_DEFINES <<<"$defines"
        IFS=, read -r -a MACHINE_WORDS <<<"$words"
        MACHINE_PREFIX=${prefix#-} MACHINE_POINTER=$pointer MACHINE_LIBRARY=$library
        MACHINE_VELDRA=()
        [ "$veldra" = - ] || MACHINE_VELDRA=("$veldra")
        found=1
        return 1
    }
    machine_each name target mingw define defines words prefix pointer veldra library
    [ -n "$found" ]
}

machine_of_compile() {
    local name target mingw define rest word first= found=
    machine_visit() {
        first=${first:-$name}
        for word in "${compile[@]}"; do
            case $word in
            [-/]D"$define" | [-/]D"$define"=*)
                found=$name
                return 1
                ;;
            esac
        done
    }
    local compile=("$@")
    machine_each name target mingw define rest
    MACHINE_FOUND=${found:-$first}
}

machine_of_word() {
    local name target mingw define defines words rest word found= lower=${1,,}
    machine_visit() {
        for word in ${words//,/ }; do
            if [ "$word" = "$lower" ]; then
                found=$name
                return 1
            fi
        done
    }
    machine_each name target mingw define defines words rest
    MACHINE_FOUND=$found
    [ -n "$found" ]
}
