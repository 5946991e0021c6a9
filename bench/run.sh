#!/usr/bin/env bash
# The whole-process benchmark of veldra, in one command:
#
#   bash bench/run.sh [--reps R] [--sizes "2 100 1000 10000"] [--symbols "1000 10000"] [--micro]
#
# Builds veldra and the benchmark programs (Release, -DVELDRA_BENCH=ON) into build/bench, then
# for every N links N objects, alternating between
#   A   veldra -N obj1.obj ... objN.obj, with a trivial stand-in (exits 0 at once) under the
#       names tessor and link first on PATH, and LIB naming a directory with an empty
#       msvcrt.lib;
#   A-E the same objects read from the companion list: veldra -N -E obj1.obj, obj1.eom naming
#       obj2.obj ... objN.obj;
#   B   bench_spawner, a statically linked C program, starting the same two children with the
#       argument lists veldra passes (taken once from a run with the logging stand-in), one
#       after another, each waited for: the least any driver can cost;
#   Bsh the same spawner linked with the shared C library, as veldra must be.
# Then the same for a static-runtime link with many -I symbols (veldra -N -T -I... a.obj b.obj).
# Prints the medians, A/B, the driver's own time A-B, the page faults and the peak resident
# memory, and the instructions each program executes itself (children not counted): with
# valgrind's callgrind when it is installed, and with `perf stat -e instructions:u` where the
# machine supports it. With --micro it also runs the micro-benchmarks (bench/veldra_micro) at
# the end.
#
# The budget is wall time: A/Bsh at most 1.5 at every N, the median of the rounds' ratios (each
# round runs A and Bsh one after the other), printed with their spread, the first to the third
# quartile. The instructions a name (A, from the smallest to the largest N) are a tripwire only,
# at most 450. The last lines say whether each holds.
# Environment: VELDRA_BENCH_BUILD overrides the build folder.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${VELDRA_BENCH_BUILD:-$root/build/bench}
reps=51
sizes="2 100 1000 10000"
symbols="1000 10000"
micro=0
while [ $# -gt 0 ]; do
    case $1 in
    --reps) reps=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --symbols) symbols=$2; shift 2 ;;
    --micro) micro=1; shift ;;
    *) echo "usage: bash bench/run.sh [--reps R] [--sizes LIST] [--symbols LIST] [--micro]" >&2; exit 2 ;;
    esac
done

# ---- build ---------------------------------------------------------------------------------
generator=()
if command -v ninja >/dev/null; then
    generator=(-G Ninja)
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" "${generator[@]}" >/dev/null
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELDRA_BENCH=ON -DVELDRA_TESTS=OFF \
    >/dev/null
cmake --build "$build" --target veldra standin veldra_micro bench_child bench_spawner \
    bench_spawner_shared bench_measure >/dev/null

veldra=$build/veldra
measure=$build/bench/bench_measure
spawner=$build/bench/bench_spawner
spawnerShared=$build/bench/bench_spawner_shared
trivial=$build/bench/toolchain
logging=$build/toolchain
work=$build/bench-run
rm -rf "$work"
mkdir -p "$work/lib"
: >"$work/lib/msvcrt.lib"
export LIB=$work/lib
# No registry store of the user's own changes the figures.
export XDG_CONFIG_HOME=$work/config
unset ZELBIND64 LIB64 VEZIDU_PARSED VELDRA_STANDIN_LOG || true
basePath=$PATH

# ---- helpers -------------------------------------------------------------------------------
# Fills the array `childArgs` with bench_spawner's arguments for the children that `veldra
# "$@"` starts, as the logging stand-in recorded them, run in directory $1.
childArgs=()
probeChildren() {
    local dir=$1
    shift
    local log=$dir/children.log
    (cd "$dir" && PATH=$logging:$basePath VELDRA_STANDIN_LOG=$log \
        VELDRA_STANDIN_NOFILES_TESSOR=1 VELDRA_STANDIN_NOFILES_LINK=1 "$veldra" "$@" >/dev/null)
    childArgs=()
    local line words
    while IFS= read -r line; do
        # The words are plain names here; a quoted word would need the tokenizer's rules.
        if [[ $line == *'"'* ]]; then
            echo "run.sh: quoted word in a child's command line: $line" >&2
            exit 1
        fi
        read -r -a words <<<"$line"
        childArgs+=("$trivial/${words[0]}" "${#words[@]}" "${words[@]}")
    done <"$log"
    rm -f "$log"
}

# Runs "$@" once under bench_measure in the current directory with the trivial stand-ins
# first on PATH; appends to the arrays named by $1: ${1}T the wall-clock time in microseconds,
# ${1}C the CPU time (program and children) in microseconds, ${1}P the peak in KiB, ${1}F the
# minor page faults (program and children), ${1}O the minor page faults of the program alone.
sample() {
    local name=$1
    shift
    local out ns cpu kib status faults own
    out=$(PATH=$trivial:$basePath "$measure" "$@")
    read -r ns cpu kib status faults own <<<"$out"
    if [ "$status" != 0 ]; then
        echo "run.sh: exit status $status from: ${*:1:3} ..." >&2
        exit 1
    fi
    eval "${name}T+=($((ns / 1000)))"
    eval "${name}C+=($((cpu / 1000)))"
    eval "${name}P+=($kib)"
    eval "${name}F+=($faults)"
    eval "${name}O+=($own)"
}

# Instructions the program "$@" executes itself, children not followed, run in the current
# directory like sample(); prints "-" when the counter is not available.
haveCallgrind=0
command -v valgrind >/dev/null && haveCallgrind=1
havePerf=0
if command -v perf >/dev/null &&
    perf stat -x, -e instructions:u true 2>&1 >/dev/null | grep -q '^[0-9]*,,instructions'; then
    havePerf=1
fi
callgrindCount() {
    if [ "$haveCallgrind" = 0 ]; then
        echo -
        return
    fi
    local out
    out=$(PATH=$trivial:$basePath valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        "$@" 2>&1 >/dev/null | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p')
    echo "${out:--}"
}
perfCount() {
    if [ "$havePerf" = 0 ]; then
        echo -
        return
    fi
    local out
    out=$(PATH=$trivial:$basePath perf stat --no-inherit -x, -e instructions:u "$@" 2>&1 \
        >/dev/null | sed -n 's/^\([0-9]*\),,instructions.*/\1/p')
    echo "${out:--}"
}

# Thousands separators for a count, "-" left alone.
count() {
    if [ "$1" = - ]; then
        echo -
    else
        echo "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'
    fi
}

median() {
    printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

maximum() {
    printf '%s\n' "$@" | sort -n | tail -n 1
}

ms() {
    awk -v us="$1" 'BEGIN {printf "%.3f", us / 1000}'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'
}

# The ratios of two arrays' values, element by element (the rounds of A and Bsh), as
# "median q1 q3".
pairedRatios() {
    local -n top=$1 bottom=$2
    local i
    for ((i = 0; i < ${#top[@]}; i++)); do
        awk -v a="${top[i]}" -v b="${bottom[i]}" 'BEGIN {printf "%.6f\n", a / b}'
    done | sort -n | awk '{v[NR] = $1}
        function at(q,   h, l) { h = 1 + (NR - 1) * q; l = int(h); return v[l] + (h - l) * (v[l + 1] - v[l]) }
        END {printf "%.3f %.3f %.3f", at(0.5), at(0.25), at(0.75)}'
}

# ---- N objects -----------------------------------------------------------------------------
# One row per N and clock: medians of A, B and A-E, A/B, A-B, A-E/B, then Bsh and Bsh/B, then
# A/Bsh as the median of the rounds' ratios and their spread (first to third quartile).
row() {
    local label=$1 a=$2 b=$3 e=$4 d=$5 paired=$6
    local median q1 q3
    read -r median q1 q3 <<<"$paired"
    printf '%6s  %9s  %9s  %6s  %9s  %9s  %6s  %9s  %6s  %6s  %13s' "$label" "$(ms "$a")" \
        "$(ms "$b")" "$(ratio "$a" "$b")" "$(ms $((a - b)))" "$(ms "$e")" "$(ratio "$e" "$b")" \
        "$(ms "$d")" "$(ratio "$d" "$b")" "$median" "$q1-$q3"
}

declare -A driverWall driverCpu driverInstructions wallBudget
wallRows=() cpuRows=() peakRows=() instructionRows=() faultRows=()
for n in $sizes; do
    dir=$work/objects-$n
    mkdir -p "$dir"
    objects=()
    for ((i = 1; i <= n; i++)); do
        objects+=("obj$i.obj")
    done
    printf '%s\n' "${objects[@]:1}" >"$dir/obj1.eom"
    cd "$dir"
    probeChildren "$dir" -N "${objects[@]}"
    argsB=("${childArgs[@]}")
    probeChildren "$dir" -N -E obj1.obj
    # The generated names carry the process id; everything else must be the same.
    if [ "${childArgs[*]//vdrlds????????/}" != "${argsB[*]//vdrlds????????/}" ]; then
        echo "run.sh: the -E run passes other arguments than the command-line run" >&2
        exit 1
    fi
    AT=() AC=() AP=() AF=() AO=() BT=() BC=() BP=() BF=() BO=() ET=() EC=() EP=() EF=() EO=()
    DT=() DC=() DP=() DF=() DO=()
    # One warm-up round, not counted.
    sample W "$veldra" -N "${objects[@]}"
    sample W "$spawner" "${argsB[@]}"
    sample W "$veldra" -N -E obj1.obj
    sample W "$spawnerShared" "${argsB[@]}"
    for ((r = 0; r < reps; r++)); do
        sample A "$veldra" -N "${objects[@]}"
        sample B "$spawner" "${argsB[@]}"
        sample E "$veldra" -N -E obj1.obj
        sample D "$spawnerShared" "${argsB[@]}"
    done
    ia=$(callgrindCount "$veldra" -N "${objects[@]}")
    ib=$(callgrindCount "$spawner" "${argsB[@]}")
    ie=$(callgrindCount "$veldra" -N -E obj1.obj)
    pa=$(perfCount "$veldra" -N "${objects[@]}")
    pb=$(perfCount "$spawner" "${argsB[@]}")
    driverInstructions[$n]=$ia
    instructionRows+=("$(printf '%6s  %12s  %12s  %12s  %12s  %12s' "$n" "$(count "$ia")" \
        "$(count "$ib")" "$(count "$ie")" "$(count "$pa")" "$(count "$pb")")")
    a=$(median "${AT[@]}") b=$(median "${BT[@]}") e=$(median "${ET[@]}") d=$(median "${DT[@]}")
    driverWall[$n]=$((a - b))
    paired=$(pairedRatios AT DT)
    wallBudget[$n]=${paired%% *}
    wallRows+=("$(row "$n" "$a" "$b" "$e" "$d" "$paired")")
    a=$(median "${AC[@]}") b=$(median "${BC[@]}") e=$(median "${EC[@]}") d=$(median "${DC[@]}")
    driverCpu[$n]=$((a - b))
    cpuRows+=("$(row "$n" "$a" "$b" "$e" "$d" "$(pairedRatios AC DC)")")
    faultRows+=("$(printf '%6s  %9s  %9s  %9s  %9s  %9s  %9s  %9s  %9s' "$n" \
        "$(median "${AF[@]}")" "$(median "${EF[@]}")" "$(median "${BF[@]}")" \
        "$(median "${DF[@]}")" "$(median "${AO[@]}")" "$(median "${EO[@]}")" \
        "$(median "${BO[@]}")" "$(median "${DO[@]}")")")
    peakRows+=("$(printf '%6s  %9s  %9s  %9s' "$n" "$(maximum "${AP[@]}")" \
        "$(maximum "${EP[@]}")" "$(maximum "${BP[@]}")")")
    cd "$work"
    rm -rf "$dir"
done

# ---- -I symbols ----------------------------------------------------------------------------
symbolRows=()
for k in $symbols; do
    dir=$work/symbols-$k
    mkdir -p "$dir"
    args=(-N -T)
    for ((i = 1; i <= k; i++)); do
        args+=("-I_ENTRY$i")
    done
    args+=(a.obj b.obj)
    cd "$dir"
    probeChildren "$dir" "${args[@]}"
    argsB=("${childArgs[@]}")
    AT=() AC=() AP=() AF=() AO=() BT=() BC=() BP=() BF=() BO=()
    sample W "$veldra" "${args[@]}"
    for ((r = 0; r < reps; r++)); do
        sample A "$veldra" "${args[@]}"
        sample B "$spawner" "${argsB[@]}"
    done
    a=$(median "${AT[@]}") b=$(median "${BT[@]}")
    ac=$(median "${AC[@]}") bc=$(median "${BC[@]}")
    ia=$(callgrindCount "$veldra" "${args[@]}")
    symbolRows+=("$(printf '%7s  %9s  %9s  %6s  %9s  %9s  %9s  %9s  %12s' "$k" "$(ms "$a")" \
        "$(ms "$b")" "$(ratio "$a" "$b")" "$(ms $((a - b)))" "$(ms "$ac")" "$(ms "$bc")" \
        "$(ms $((ac - bc)))" "$(count "$ia")")")
    cd "$work"
    rm -rf "$dir"
done

# ---- report --------------------------------------------------------------------------------
header() {
    printf '%6s  %9s  %9s  %6s  %9s  %9s  %6s  %9s  %6s  %6s  %13s\n' N A B A/B A-B A-E A-E/B Bsh \
        Bsh/B A/Bsh "A/Bsh q1-q3"
}
growth() {
    local -n only=$1
    if [ -z "${only[100]:-}" ] || [ -z "${only[10000]:-}" ]; then
        return
    fi
    if [ "${only[100]}" -gt 0 ]; then
        echo "driver-only time A-B at N=10000 / at N=100: $(ratio "${only[10000]}" "${only[100]}")"
    else
        echo "driver-only time A-B at N=100 is within the noise ($(ms "${only[100]}") ms)"
    fi
}

echo "veldra whole-process benchmark: $reps alternating runs each, medians, times in ms"
echo "machine: $(nproc) CPUs, $(uname -sr), $(LC_ALL=C lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "A: veldra, names on the command line; A-E: veldra, names in a companion list (-E);"
echo "B: bench_spawner (static C) starting the same children with the same argument lists;"
echo "Bsh: the same spawner with the shared C library"
echo
echo "Wall-clock time"
header
printf '%s\n' "${wallRows[@]}"
growth driverWall
echo
echo "CPU time (user + system, the program and its children)"
header
printf '%s\n' "${cpuRows[@]}"
growth driverCpu
echo
echo "Instructions the program executes itself, children not counted (callgrind; perf where supported)"
printf '%6s  %12s  %12s  %12s  %12s  %12s\n' N A B A-E "A perf" "B perf"
printf '%s\n' "${instructionRows[@]}"
first=${sizes%% *} last=${sizes##* }
perName=-
if [ "$first" != "$last" ] && [ "${driverInstructions[$first]}" != - ]; then
    perName=$(( (driverInstructions[$last] - driverInstructions[$first]) / (last - first) ))
    echo "A per name from N=$first to N=$last: $perName instructions"
fi
echo
echo "Minor page faults, medians: the program and its children, then the program alone"
printf '%6s  %9s  %9s  %9s  %9s  %9s  %9s  %9s  %9s\n' N A A-E B Bsh "A alone" "A-E alone" \
    "B alone" "Bsh alone"
printf '%s\n' "${faultRows[@]}"
echo
echo "Peak resident memory in KiB (the largest of the program and its children)"
printf '%6s  %9s  %9s  %9s\n' N A A-E B
printf '%s\n' "${peakRows[@]}"
if [ ${#symbolRows[@]} -gt 0 ]; then
    echo
    echo "Static-runtime link of 2 objects with K -I symbols: veldra -N -T -I... a.obj b.obj"
    printf '%7s  %9s  %9s  %6s  %9s  %9s  %9s  %9s  %12s\n' K "A wall" "B wall" A/B A-B "A CPU" "B CPU" \
        A-B "A instr"
    printf '%s\n' "${symbolRows[@]}"
fi
echo
over=()
for n in $sizes; do
    awk -v r="${wallBudget[$n]}" 'BEGIN {exit !(r > 1.5)}' && over+=("N=$n: ${wallBudget[$n]}")
done
if [ ${#over[@]} -eq 0 ]; then
    echo "budget, wall-clock A/Bsh <= 1.5 at every N: met"
else
    echo "budget, wall-clock A/Bsh <= 1.5 at every N: NOT met (${over[*]})"
fi
if [ "$perName" = - ]; then
    echo "tripwire, instructions a name <= 450: not counted"
elif [ "$perName" -le 450 ]; then
    echo "tripwire, instructions a name <= 450: holds ($perName)"
else
    echo "tripwire, instructions a name <= 450: TRIPPED ($perName)"
fi
cd "$root"
rm -rf "$work"

if [ "$micro" = 1 ]; then
    echo
    "$build/bench/veldra_micro"
fi
