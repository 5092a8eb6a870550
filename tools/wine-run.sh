#!/bin/sh
# Runs a Windows program under Wine, as the tests and benchmarks of the Windows build do: in a
# Wine prefix of their own (made on first use, then reused), with a home whose ALSA settings
# make the null device the default sound output, so that the program's wave output opens
# without a sound card. The folder holding both is $TUVORAN_WINE_HOME, by default
# build-windows/wine.
#   tools/wine-run.sh PROGRAM.exe [ARGUMENT...]
#   tools/wine-run.sh --serve SECONDS   keep Wine's server up until SECONDS after its last program
#   tools/wine-run.sh --stop            end the server and whatever still runs under it
# Wine's server otherwise ends 3 s after its last program, and a program started just as it
# ends can fail at once: a run of many programs keeps it up, and ends it when done.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
home=${TUVORAN_WINE_HOME:-$root/build-windows/wine}
mkdir -p "$home"
home=$(cd "$home" && pwd)

if ! command -v wine >/dev/null 2>&1; then
    echo "wine-run.sh: Wine is missing (tools/install-deps.sh windows)" >&2
    exit 1
fi

export HOME="$home"
export WINEPREFIX="$home/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine would offer to download its .NET and HTML engines into a new prefix; neither is used.
# The caller's own overrides come after (winealsa.drv= takes the sound output away).
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
[ -f "$home/.asoundrc" ] || printf 'pcm.!default {\n    type null\n}\n' >"$home/.asoundrc"

if [ "${1:-}" = "--stop" ]; then
    wineserver -k 2>/dev/null || true
    exit 0
fi

# One maker of the prefix at a time; the others wait for it and then use it.
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wine wineboot --init >/dev/null 2>&1
        wineserver -w
    fi
) 9>"$home/.prefix-lock"

if [ "${1:-}" = "--serve" ]; then
    # A server still up from an earlier program would end on its own time: it goes first.
    wineserver -k 2>/dev/null || true
    wineserver -w
    # Its output is not the caller's: a caller that reads it to the end would wait for good.
    exec wineserver -p"$2" </dev/null >/dev/null 2>&1
fi

exec wine "$@"
