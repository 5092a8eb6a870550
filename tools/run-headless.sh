#!/bin/sh
# Runs a command on a private virtual X server with Mesa's software OpenGL and
# SDL's dummy audio driver, so that tests neither need nor disturb a desktop.
# The screen is 640x480, the program's default mode, so full-screen windows are exact.
set -eu

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "run-headless.sh: Xvfb is missing (tools/install-deps.sh check)" >&2
    exit 1
fi

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$fdfile" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fdfile"' EXIT INT TERM

tries=0
while [ ! -s "$fdfile" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 $xvfb 2>/dev/null; then
        echo "run-headless.sh: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.1
done

DISPLAY=":$(head -n 1 "$fdfile")"
export DISPLAY
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_AUDIODRIVER=dummy
export TUVORAN_NO_MESSAGE_BOX=1
"$@"
