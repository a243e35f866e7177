#!/usr/bin/env bash
# Builds the libFuzzer targets of the readers (clang, ASan, UBSan) and runs each for SECONDS
# (default 60) on a scratch copy of its seeds. Fails on any crash, sanitizer report or broken
# promise; a failing input is kept under tests/fuzz/findings/ (not committed).
set -euo pipefail
source "$(dirname "$0")/env.sh"
SECONDS_EACH=${1:-60}
FUZZ_BUILD=$BUILD/fuzz
FUZZ_DIR=$ROOT/tests/fuzz
FINDINGS=$FUZZ_DIR/findings
# Largest input per target: the format listing of a long page, a record and a little more,
# a pasted text with the destination after it.
declare -A MAX_LEN=([formats]=8192 [title]=4096 [progress]=1024 [staterecord]=2100 [address]=4096)
declare -A DICT=([formats]=formats.dict [progress]=progress.dict [address]=address.dict)

if ! [[ $SECONDS_EACH =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

# clang and its fuzzer runtime come with the other build tools.
if ! command -v clang++ >/dev/null ||
    ! ls "$(clang++ -print-resource-dir)"/lib/linux/libclang_rt.fuzzer-*.a >/dev/null 2>&1; then
    "$ROOT/scripts/setup.sh"
    source "$ROOT/scripts/env.sh"
fi

cmake -S "$ROOT" -B "$FUZZ_BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVIDMORA_FUZZ=ON >/dev/null
cmake --build "$FUZZ_BUILD" --target fuzz_targets -j 2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$FINDINGS"
failed=()
for target in formats title progress staterecord address; do
    # New inputs go to the copy: the committed seeds stay as they are.
    cp -r "$FUZZ_DIR/corpus/$target" "$scratch/$target"
    args=(-max_total_time="$SECONDS_EACH" -max_len="${MAX_LEN[$target]}" -timeout=10
          -print_final_stats=1 -artifact_prefix="$FINDINGS/$target-")
    if [ -n "${DICT[$target]:-}" ]; then
        args+=(-dict="$FUZZ_DIR/${DICT[$target]}")
    fi
    log=$scratch/$target.log
    status=0
    "$FUZZ_BUILD/tests/fuzz/fuzz_$target" "${args[@]}" "$scratch/$target" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    if [ "$status" -ne 0 ] || grep -Eq 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|broken promise' "$log"; then
        echo "fuzz_$target: FAILED (exit $status) after ${runs:-?} executions"
        grep -E 'ERROR:|runtime error:|broken promise|SUMMARY:|Test unit written' "$log" | head -20
        failed+=("$target")
    else
        echo "fuzz_$target: ${runs:-?} executions in ${elapsed:-?} s, no finding"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $FINDINGS)" >&2
    exit 1
fi
