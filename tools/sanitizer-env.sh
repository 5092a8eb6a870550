#!/bin/sh
# Runs a program of the sanitizer build with the project's sanitizer settings.
# Mesa unloads its driver when a display closes, which leaves the driver's cached
# allocations without a module to suppress them by; preloaded, it stays mapped until exit.
here=$(cd "$(dirname "$0")" && pwd)
export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for driver in /usr/lib/*/dri/swrast_dri.so; do
    if [ -f "$driver" ]; then
        export LD_PRELOAD="$driver${LD_PRELOAD:+:$LD_PRELOAD}"
        break
    fi
done
exec "$@"
