#!/usr/bin/env bash
# Bounded fuzzing: builds the libFuzzer targets of fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) with the fuzz preset into build/fuzz, and runs each target for a
# fixed time on a scratch copy of its seed corpus (fuzz/corpus/<target>), so the repository's
# corpus is never changed. Prints the executions of each target; exits non-zero when any target
# reports a finding (a crash, a leak, a sanitizer report, a broken invariant, an input that takes
# longer than the per-input timeout). The inputs that failed are kept in
# build/fuzz/findings/<target>/; replay one with build/fuzz/fuzz/<target> <file>.
#
# Usage: scripts/fuzz.sh [SECONDS [TARGET ...]]
#   scripts/fuzz.sh              60 seconds per target (what CI runs)
#   scripts/fuzz.sh 3600         one hour per target: the longer local run
#   scripts/fuzz.sh 300 fuzz_options fuzz_tokenizer
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

all_targets=(fuzz_tokenizer fuzz_options fuzz_companion_list fuzz_reg_file)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
[[ $seconds =~ ^[1-9][0-9]*$ ]] || die "SECONDS must be a positive number, not '$seconds'"

build=$VELDRA_BUILD/fuzz
findings=$build/findings
# A slow input is a finding too; far above what any sane input needs under the sanitizers.
per_input_timeout=25
# The longest input of the line readers: what they do with a line repeats over the next ones,
# and a name with an open double quote is scanned again from each of its bytes, so inputs of a
# few kilobytes would cut their runs a second to a fraction. Others take libFuzzer's default.
declare -A max_len=([fuzz_companion_list]=512 [fuzz_reg_file]=512)
# The targets allocate and free millions of small buffers: a quarantine of 32 MB (thousands of
# inputs deep) instead of 256 keeps freed memory in the cache, not cycling through page faults.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}

(cd "$VELDRA_ROOT" && cmake --preset fuzz >/dev/null) || die "cannot configure the fuzz preset"
cmake --build "$build" -j "$VELDRA_JOBS" --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/veldra-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=()
results=()
for target in "${targets[@]}"; do
    program=$build/fuzz/$target
    [ -x "$program" ] || die "$program was not built"
    work=$scratch/$target
    mkdir -p "$work/corpus"
    if [ -d "$VELDRA_ROOT/fuzz/corpus/$target" ]; then
        cp -R "$VELDRA_ROOT/fuzz/corpus/$target/." "$work/corpus/"
    fi
    say "fuzz $target for ${seconds}s"
    status=0
    limit=()
    [ -z "${max_len[$target]:-}" ] || limit=(-max_len="${max_len[$target]}")
    (cd "$work" && "$program" -max_total_time="$seconds" "${limit[@]}" \
        -timeout="$per_input_timeout" -print_final_stats=1 -artifact_prefix="$work/" \
        "$work/corpus" >"$work/log" 2>&1) || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
    coverage=$(grep -Eo 'cov: [0-9]+' "$work/log" | tail -1 || true)
    grep -E '^(stat::|Done )' "$work/log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$work/log"
        mkdir -p "$findings/$target"
        find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
            -o -name 'oom-*' -o -name 'slow-unit-*' \) -exec cp {} "$findings/$target/" \;
        cp "$work/log" "$findings/$target/log"
        echo "$target: FINDING (status $status); inputs and log kept in $findings/$target"
        failed+=("$target")
        results+=("$(printf '%-22s %12s executions  %s  FAILED' "$target" "${executions:-?}" "${coverage:-}")")
    else
        results+=("$(printf '%-22s %12s executions (%s/s)  %s  ok' "$target" "${executions:-?}" \
            "$((${executions:-0} / seconds))" "${coverage:-}")")
    fi
done

say "fuzzing summary (${seconds}s per target)"
printf '  %s\n' "${results[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}"
    exit 1
fi
echo "fuzzing found nothing"
