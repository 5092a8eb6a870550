#!/bin/sh
# The makers' live loop (make dev): builds the show and plays it in a window; on each save of
# its sources it builds again, and on a good build, or a change in data/, it starts the show
# again at the moment it was showing, paused or playing as it was, its window where it was.
# A build that fails leaves the show as it is; a save during a build stops that build and
# starts another. Escape in the show, or Ctrl+C here, ends the show and the loop.
#
#   dev-loop.sh BUILD_DIR AT_MS PAUSE [OPTIONS...]
#
# From the repository's root. PAUSE is 1 to start paused; OPTIONS go to every start of
# tuvoran. The moment comes from the program itself (--state-file), written as it ends.
set -eu

if [ $# -lt 3 ]; then
    echo "usage: dev-loop.sh BUILD_DIR AT_MS PAUSE [OPTIONS...]" >&2
    exit 2
fi
build=$1
resume="--at=$2"
[ "$3" = 1 ] && resume="$resume --pause"
shift 3
program=$build/tuvoran
sources="app audio capture demo display gfx platform"
for tool in inotifywait setsid; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "dev-loop.sh: $tool is missing (tools/install-deps.sh dev)" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tuvoran-dev.XXXXXX")
state=$work/state
events=$work/events
mkfifo "$events"
# Read and written here, so that the queue never ends while the loop waits on it.
exec 3<>"$events"

watcher=""
building=0     # the number of the build under way, 0 for none
builds=0
shows=0
show_running=false
restarting=false # the show was ended to start again
data_changed=false

say() {
    echo "make dev: $*" >&2
}

# The pid that a background job wrote to FILE as it started.
pid_in() {
    while [ ! -s "$1" ]; do sleep 0.01; done
    cat "$1"
}

start_build() {
    if [ $building -ne 0 ]; then
        # The whole build gives way: its own process group, compilers included.
        kill -TERM "-$(pid_in "$work/build.$building")" 2>/dev/null || true
        say "a newer save: that build gives way"
    fi
    builds=$((builds + 1))
    building=$builds
    (
        setsid cmake --build "$build" --target tuvoran &
        echo $! >"$work/build.$building"
        wait $! && code=0 || code=$?
        echo "built $building $code" >"$events"
    ) &
}

start_show() {
    shows=$((shows + 1))
    rm -f "$state"
    touch "$work/started"
    # shellcheck disable=SC2086 # the resumed options are words without spaces
    (
        "$program" --window "$@" $resume --state-file "$state" &
        echo $! >"$work/show.$shows"
        wait $! && code=0 || code=$?
        echo "ended $shows $code" >"$events"
    ) &
    show_running=true
}

# The options of the moment it ended on, when it wrote them; else those it started with.
take_state() {
    if [ -s "$state" ]; then
        resume=$(cat "$state")
    fi
}

# Ends the show that runs; the next one starts when it has ended (and said where it was).
restart_show() {
    data_changed=false
    if $show_running; then
        restarting=true
        kill -TERM "$(pid_in "$work/show.$shows")" 2>/dev/null || true
    else
        start_show "$@"
    fi
}

finish() {
    trap - EXIT INT TERM HUP
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
    [ $building -ne 0 ] && kill -TERM "-$(pid_in "$work/build.$building")" 2>/dev/null
    $show_running && kill -TERM "$(pid_in "$work/show.$shows")" 2>/dev/null
    wait
    rm -rf "$work"
    exit "$1"
}
trap 'finish 130' INT
trap 'finish 143' TERM HUP
trap 'finish 1' EXIT

# The watcher's end is an event too: a watcher that could not start, or stopped, would leave the
# loop waiting for saves that it never sees.
(
    # shellcheck disable=SC2086
    inotifywait -m -q -r -e close_write -e moved_to -e delete --format 'change %w%f' \
        $sources data >&3 &
    echo $! >"$work/watcher"
    wait $! && code=0 || code=$?
    echo "watcher 0 $code" >&3
) &
watcher=$(pid_in "$work/watcher")
start_build

while read -r kind number code <&3; do
    case $kind in
    change)
        path=$number
        case ${path##*/} in
        .* | *~ | *.swp | *.swx | 4913) continue ;;
        esac
        case $path in
        data/*)
            data_changed=true
            [ $building -eq 0 ] && restart_show "$@"
            ;;
        *.cpp | *.h | *.cmake | */CMakeLists.txt) start_build ;;
        esac
        ;;
    built)
        [ "$number" -ne $building ] && continue
        building=0
        if [ "$code" -ne 0 ]; then
            say "the build failed (above); the show goes on as it was"
            $data_changed && restart_show "$@"
        elif $data_changed || ! $show_running ||
            [ -n "$(find "$program" -newer "$work/started")" ]; then
            restart_show "$@"
        fi
        ;;
    watcher)
        watcher=""
        say "inotifywait, which sees the saves, stopped with code $code (its reason above)."
        say "where it ran out of inotify watches, allow more: sudo sysctl fs.inotify.max_user_watches=524288"
        finish 1
        ;;
    ended)
        [ "$number" -ne $shows ] && continue
        show_running=false
        take_state
        if $restarting; then
            restarting=false
            start_show "$@"
        elif [ "$code" -eq 0 ]; then
            finish 0
        else
            say "the show ended with code $code; it starts again at the next save"
        fi
        ;;
    esac
done
