#!/usr/bin/env bash
# Runs every fuzz program (or those named) for SECONDS each, one after the other:
#
#   ./scripts/fuzz.sh SECONDS [ENTRY...]
#
# Builds them first (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-asan/). Each starts from its committed
# seeds in fuzz/corpus/<entry>/ and grows a working corpus in
# build-asan/fuzz-work/<entry>/; an input that makes it fail (crash, leak,
# time-out, memory exhaustion) is kept as a file under fuzz/crashes/<entry>/,
# where the normal test suite replays it once committed. Ends with one line
# per entry: executions, and the inputs kept.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
SECONDS_EACH="${1:?usage: fuzz.sh SECONDS [ENTRY...]}"
shift
ENTRIES=("$@")
if ((${#ENTRIES[@]} == 0)); then
    for d in "$ROOT"/fuzz/corpus/*/; do ENTRIES+=("$(basename "$d")"); done
fi

PACKAGES+=("${SANITIZER_PACKAGES[@]}")
install_missing_packages
configure_and_build_sanitized --target "${ENTRIES[@]/#/fuzz_}"
export_sanitizer_options
export QT_QPA_PLATFORM=offscreen

SUMMARY=()
for e in "${ENTRIES[@]}"; do
    work="$SANITIZER_BUILD/fuzz-work/$e"
    crashes="$ROOT/fuzz/crashes/$e"
    mkdir -p "$work" "$crashes"
    log="$SANITIZER_BUILD/fuzz-work/$e.log"
    before=$(find "$crashes" -type f | wc -l)
    echo "== fuzz_$e for ${SECONDS_EACH}s (log: $log)"
    # A failing input ends the run early; the rest of the time goes to a new run.
    start=$(date +%s)
    runs=0
    execs=0
    while :; do
        left=$((SECONDS_EACH - ($(date +%s) - start)))
        ((left > 0)) || break
        "$SANITIZER_BUILD/fuzz/fuzz_$e" -max_total_time="$left" -timeout=10 -rss_limit_mb=4096 \
            -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "$ROOT/fuzz/corpus/$e" \
            >"$log.$runs" 2>&1 || true
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log.$runs" | tail -1)
        execs=$((execs + ${n:-0}))
        [ -n "$n" ] || break   # died before its statistics: do not start it again
        runs=$((runs + 1))
    done
    cat "$log".* >"$log" && rm -f "$log".*
    after=$(find "$crashes" -type f | wc -l)
    SUMMARY+=("$(printf '%-12s %12d executions %4d failing inputs kept' "$e" "$execs" "$((after - before))")")
done
printf '%s\n' "${SUMMARY[@]}"
