#!/bin/sh
# Runs the libFuzzer targets of a fuzz build from the project's own seeds and what earlier
# runs found interesting: the picture loader for the seconds given, the command-line scan,
# whose few paths are soon covered, for a sixth of them. Inputs that crash, leak, hang or
# break a sanitizer's rule are kept in <build>/fuzz-findings and fail the run.
# Usage: run-fuzzers.sh <fuzz build folder> <seconds>
set -eu

build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

# An allocation that cannot be made returns null, as the C library's does outside the
# sanitizers, and the image library checks for that; one that can be made but is larger
# than any picture within the loader's limits needs (-malloc_limit_mb) is a finding.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=1"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

seeds="$build/fuzz-seeds"
findings="$build/fuzz-findings"
mkdir -p "$findings" "$build/fuzz-corpus/picture" "$build/fuzz-corpus/display_mode"
"$here/owned-folder.sh" remove "$seeds"
"$here/owned-folder.sh" make "$seeds"
"$build/fuzz/tuvoran-fuzz-corpus" "$seeds/picture"
mkdir -p "$seeds/display_mode"
printf 'tuvoran 800 600 16' > "$seeds/display_mode/plain"
printf '"/opt/my demos/tuvoran" 1024 768 32 more' > "$seeds/display_mode/quoted"

status=0
for fuzzer in picture display_mode; do
    [ "$fuzzer" = display_mode ] && seconds=$(( $2 / 6 > 5 ? $2 / 6 : 5 ))
    echo "== ${fuzzer}_fuzzer, $seconds s"
    # A run of one input longer than the timeout counts as a hang; the decoder's pictures
    # are small, so seconds are ample even under the sanitizers.
    if ! "$build/fuzz/${fuzzer}_fuzzer" "$build/fuzz-corpus/$fuzzer" "$seeds/$fuzzer" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 -malloc_limit_mb=1024 \
        -artifact_prefix="$findings/${fuzzer}-" -print_final_stats=1 2>"$build/$fuzzer.log"; then
        status=1
        tail -n 60 "$build/$fuzzer.log"
    else
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov:' "$build/$fuzzer.log" |
            tail -n 3
    fi
done
exit $status
