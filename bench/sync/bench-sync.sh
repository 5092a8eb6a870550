#!/bin/sh
# Picture minus sound as a viewer sees and hears it, measured from outside the program.
#   bench/sync/bench-sync.sh BUILD_DIR        (make bench-sync)
# Each path gets a private sound server with a null sink, on a private virtual X screen. The
# sink's monitor and the screen are recorded with one clock (tuvoran-sync-record), and the
# show's sharp moments are paired in both (tuvoran-sync-analyse). A standard player showing a
# generated flash-and-beep file in the same set-up reads the harness's own error.
# Settings, from the environment:
#   SYNC_QUICK=1        one pass, PulseAudio, the first 20 s of the show
#   SYNC_MINUTES=N      the show with --loop for N minutes, and its drift from the first minute to
#                       the last
#   SYNC_PATHS="..."    of: pulseaudio pipewire wine chromium (default: all)
#   SYNC_BUSY=N         N busy loops beside each run, for the goals under load
#   SYNC_PROGRAM, SYNC_WINDOWS_EXE, SYNC_SITE   what plays (default: BUILD_DIR/tuvoran,
#                       build-windows/tuvoran.exe, build-web)
# Figures go to BUILD_DIR/bench/sync.json; each run's recording stays in BUILD_DIR/bench/sync-runs/.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: bench-sync.sh BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
# The programs find their data from the source tree, as make run starts them.
cd "$root"
program=${SYNC_PROGRAM:-$build/tuvoran}
windows_exe=${SYNC_WINDOWS_EXE:-$root/build-windows/tuvoran.exe}
site=${SYNC_SITE:-$root/build-web}
quick=${SYNC_QUICK:-}
minutes=${SYNC_MINUTES:-}
busy=${SYNC_BUSY:-0}
paths=${SYNC_PATHS:-pulseaudio pipewire wine chromium}
[ -n "$quick" ] && paths=${SYNC_PATHS:-pulseaudio}
record="$build/bench/sync/tuvoran-sync-record"
analyse="$build/bench/sync/tuvoran-sync-analyse"
results="$build/bench/sync-runs"
json="$build/bench/sync.json"

# The show's sharp moments (demo/timeline.cpp, tools/datagen/music.cpp): the four credits slam
# in on a tom and a chord stab, and at the drop's impact credits and band leave while the lens
# grid turns additive, brighter. The screen turns brighter at each (a '-' would mark darker).
# Other cuts are too slight to tell from the motion (the cube field's end at 20 s) or fades.
# The music is 66 s long, and --loop plays it again from the start.
show_moments="14,15,16,17,25"
show_period=0

work=$(mktemp -d "${TMPDIR:-/tmp}/tuvoran-sync.XXXXXX")
pids=""
wine_started=""
cleanup() {
    # The last started first: the players before the servers they use.
    latest_first=""
    for pid in $pids; do
        latest_first="$pid $latest_first"
    done
    for pid in $latest_first; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $latest_first; do
        wait "$pid" 2>/dev/null || true
    done
    [ -z "$wine_started" ] || "$root/tools/wine-run.sh" --stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
started() { pids="$pids $1"; }
stop() {
    for pid in "$@"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pids=$(echo "$pids" | sed "s/ $pid\b//")
    done
}

say() { printf '%s\n' "$*" >&2; }
missing() {
    for command in "$@"; do
        command -v "$command" >/dev/null 2>&1 || { echo "$command"; return; }
    done
}

need=$(missing Xvfb ffmpeg parec pactl mpv)
if [ -n "$need" ]; then
    say "bench-sync: $need is missing (tools/install-deps.sh sync)"
    exit 1
fi

# Nothing of the caller's desktop, sound server or session bus reaches the runs.
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE PULSE_COOKIE DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY \
    SDL_AUDIODRIVER PIPEWIRE_REMOTE XAUTHORITY
export LIBGL_ALWAYS_SOFTWARE=1 TUVORAN_NO_MESSAGE_BOX=1

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
started $!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    [ $tries -le 100 ] || { say "bench-sync: Xvfb did not start"; exit 1; }
    sleep 0.1
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# The calibration: a white screen and a chirp, 0.1 s each, at random moments (so that no two
# stretches of its sound look alike), each on a frame and a sample exactly.
flash_count=${quick:+8}
flash_count=${flash_count:-20}
flash_times=$(awk -v n="$flash_count" 'BEGIN { srand(29); t = 3; for (k = 0; k < n; k++) {
    printf "%s%.2f", (k ? "," : ""), t; t += 1.0 + 0.05 * int(rand() * 12) } }')
flash_length=$(echo "$flash_times" | awk -F, '{ printf "%d", $NF + 2 }')
# The player is given a second to start before the first.
picture_on=$(echo "$flash_times" | awk -F, '{ for (i = 1; i <= NF; i++)
    printf "%sbetween(t,%.4f,%.4f)", (i > 1 ? "+" : ""), $i - 0.001, $i + 0.099 }')
sound_on=$(echo "$flash_times" | awk -F, '{ for (i = 1; i <= NF; i++)
    printf "%sgte(t,%s)*lt(t,%.2f)*sin(2*PI*(500*(t-%s)+10000*(t-%s)^2))", (i > 1 ? "+" : ""),
    $i, $i + 0.1, $i, $i }')
ffmpeg -hide_banner -loglevel error -f lavfi -i "color=c=black:s=640x480:r=60:d=$flash_length" \
    -f lavfi -i "aevalsrc='0.5*($sound_on)':s=44100:d=$flash_length" \
    -vf "drawbox=c=white:t=fill:enable='$picture_on'" -c:v libx264 -preset ultrafast -crf 10 \
    -pix_fmt yuv420p -c:a pcm_s16le "$work/flash-beep.mkv"
# What was played, as the analysis compares with it; kept beside the recordings.
mkdir -p "$results"
decode() { ffmpeg -hide_banner -loglevel error -y -i "$1" -ac 1 -ar 44100 -f s16le "$2"; }
decode "$work/flash-beep.mkv" "$results/flash-beep.s16"
decode "$root/data/muzak.mp3" "$results/muzak.s16"

# A private PulseAudio server, or PipeWire with its PulseAudio server and session manager, each
# in its own runtime folder and with its own socket; the null sink is the default output.
start_pulseaudio() {
    dir="$work/pulseaudio"
    mkdir -p "$dir/run" "$dir/home"
    chmod 700 "$dir/run"
    cat >"$dir/server.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/socket
load-module module-null-sink sink_name=sync rate=44100 channels=2
set-default-sink sync
EOF
    HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" XDG_CONFIG_HOME="$dir/home" \
        PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/home" \
        pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --log-target=stderr 2>"$dir/log" &
    started $!
    server_pids=$!
    export PULSE_SERVER="unix:$dir/socket"
}

start_pipewire() {
    dir="$work/pipewire"
    mkdir -p "$dir/run" "$dir/home"
    chmod 700 "$dir/run"
    # The session manager takes none of the machine's devices: the null sink is all it has.
    mkdir -p "$dir/home/wireplumber/main.lua.d" "$dir/home/wireplumber/bluetooth.lua.d"
    printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
        >"$dir/home/wireplumber/main.lua.d/60-no-devices.lua"
    echo 'bluez_monitor.enabled = false' >"$dir/home/wireplumber/bluetooth.lua.d/60-no-devices.lua"
    # It keeps the default sink only with a session bus: a private one.
    dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile 2>>"$dir/log" &
    started $!
    server_pids=$!
    for part in pipewire wireplumber pipewire-pulse; do
        HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" PIPEWIRE_RUNTIME_DIR="$dir/run" \
            XDG_CONFIG_HOME="$dir/home" XDG_STATE_HOME="$dir/home" \
            DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" "$part" 2>>"$dir/log" &
        started $!
        server_pids="$! $server_pids"
        sleep 0.5
    done
    export PULSE_SERVER="unix:$dir/run/pulse/native"
}

server_up() {
    tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ $tries -le 50 ] || return 1
        sleep 0.1
    done
    if ! pactl list short sinks | grep -q '^[0-9]*	sync	'; then
        pactl load-module module-null-sink sink_name=sync rate=44100 channels=2 >/dev/null || return 1
    fi
    pactl set-default-sink sync
}

stop_server() {
    # shellcheck disable=SC2086
    stop $server_pids
    unset PULSE_SERVER
}

# The sink's latency as the server reports it, twice a second: now, and as configured (us).
sample_latency() {
    while :; do
        pactl list sinks 2>/dev/null | awk '$1 == "Latency:" { print $2, $5; exit }'
        sleep 0.5
    done
}

median_ms() { # COLUMN: the median of a column of microseconds, in ms
    awk -v column="$1" '{ print $column }' | sort -n | awk '{ v[NR] = $1 } END {
        printf "%.3f", NR ? v[int((NR + 1) / 2)] / 1000 : 0 }'
}

# measure NAME REFERENCE MOMENTS PERIOD SECONDS COMMAND...: records while COMMAND runs (for at
# most SECONDS), and writes the figures as JSON to $figures.
measure() {
    name=$1 reference=$2 moments=$3 period=$4 seconds=$5
    shift 5
    dir="$results/$name"
    rm -rf "$dir"
    mkdir -p "$dir"
    mkfifo "$work/sound"
    parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 -d sync.monitor \
        >"$work/sound" &
    parec=$!
    started $parec
    "$record" "$dir" 120 <"$work/sound" &
    recorder=$!
    started $recorder
    rm -f "$work/sound"
    sample_latency >"$dir/sink-latency" &
    sampler=$!
    started $sampler
    busy_pids=""
    i=0
    while [ "$i" -lt "$busy" ]; do
        sh -c 'while :; do :; done' &
        busy_pids="$busy_pids $!"
        started $!
        i=$((i + 1))
    done
    sleep 1
    load_before=$(cut -d' ' -f1 /proc/loadavg)
    # In the background, so that a signal ends the wait and the cleanup stops it.
    timeout -k 5 "$seconds" "$@" >"$dir/output" 2>&1 &
    subject=$!
    started $subject
    wait $subject || true
    pids=$(echo "$pids" | sed "s/ $subject\b//")
    load_after=$(cut -d' ' -f1 /proc/loadavg)
    sleep 1
    # shellcheck disable=SC2086
    stop $parec $sampler $busy_pids
    wait $recorder 2>/dev/null || true
    pids=$(echo "$pids" | sed "s/ $recorder\b//")
    # The null sink renders a block at a time, up to its configured latency ahead of its play
    # time, and hands it to its monitor then: the block's last frame is heard that much later.
    # (The latency it reports now falls from there to nothing until the next block.)
    latency_ms=$(median_ms 2 <"$dir/sink-latency")
    figures=$("$analyse" "$dir" "$reference" "$moments" "$latency_ms" "$period") || true
    [ -n "$figures" ] || figures='{"pairs": 0}'
    printf '%s, "sink_latency_ms": %s, "sink_latency_now_ms": %s, "load": "%s %s"}\n' \
        "${figures%\}}" "$latency_ms" "$(median_ms 1 <"$dir/sink-latency")" "$load_before" \
        "$load_after" >"$dir/figures.json"
    figures="$dir/figures.json"
}

# The goals, by path: the median's bound, and the bound of p95 of the absolute value.
goal() {
    case "$1" in
    chromium) median=20 p95=30 ;;
    *) median=10 p95=20 ;;
    esac
    if [ "$busy" -gt 0 ]; then
        median=20 p95=""
    fi
}

entries=""
add_entry() { # PATH SUBJECT JSON
    entries="$entries${entries:+,
}  {\"path\": \"$1\", \"subject\": \"$2\", $(echo "$3" | sed 's/^{//')"
}

report() { # PATH SUBJECT [player]: the figures of the last measure
    add_entry "$1" "$2" "$(cat "$figures")"
    awk -v path="$1" -v subject="$2" -v dir="$dir" -v gm="$median" -v gp="$p95" -v player="${3:-}" '
    function field(name,   m) {
        if (match($0, "\"" name "\": [-0-9.]+")) {
            m = substr($0, RSTART, RLENGTH); sub(/.*: /, "", m); return m
        }
        return ""
    }
    {
        pairs = field("pairs"); med = field("median_ms"); p = field("p95_abs_ms")
        if (pairs == "" || pairs == 0) {
            why = "no pairs found"
            if (match($0, /"error": "[^"]*"/)) why = substr($0, RSTART + 10, RLENGTH - 11)
            printf "%-11s %-22s %s: MISSED (its recording: %s)\n", path, subject, why, dir; next
        }
        line = sprintf("%-11s %-22s %+8.1f %8.1f %6d   ", path, subject, med, p, pairs)
        if (player) {
            line = line "the harness itself: should read about 0"
        } else {
            verdict = (med + 0 <= gm + 0 && med + 0 >= -gm) ? "met" : "MISSED"
            line = line sprintf("median within +-%d ms: %s", gm, verdict)
            if (gp != "") line = line sprintf("; p95 <= %d ms: %s", gp, p + 0 <= gp + 0 ? "met" : "MISSED")
        }
        drift = field("drift_ms")
        if (drift != "") line = line sprintf("; drift %+.1f ms (<= 5 ms: %s)", drift,
            (drift + 0 <= 5 && drift + 0 >= -5) ? "met" : "MISSED")
        print line
    }' "$figures"
}

skip() { # PATH SUBJECT REASON
    printf '%-11s %-22s skipped: %s\n' "$1" "$2" "$3"
    add_entry "$1" "$2" "{\"skipped\": \"$3\"}"
}

if [ -n "$minutes" ]; then
    show_seconds=$((minutes * 60))
    loop="--loop"
    show_period=66
elif [ -n "$quick" ]; then
    show_seconds=21
    loop=""
else
    show_seconds=75
    loop=""
fi

calibrate() { # PATH
    measure "$1-player" "$results/flash-beep.s16" "$flash_times" 0 $((flash_length + 10)) \
        mpv --no-config --really-quiet --vo=x11 --ao=pulse --fs --no-osc --no-input-terminal \
        "$work/flash-beep.mkv" </dev/null
}

run_linux_show() { # PATH
    # shellcheck disable=SC2086
    measure "$1-tuvoran" "$results/muzak.s16" "$show_moments" "$show_period" "$show_seconds" \
        env SDL_AUDIODRIVER=pulseaudio "$program" --window 640x480+0+0 $loop
}

printf '%-11s %-22s %8s %8s %6s   %s\n' path "what played" "median" "p95 |x|" pairs \
    "picture minus sound in ms; goals"
for path in $paths; do
    case "$path" in
    pulseaudio | pipewire | wine | chromium) ;;
    *) say "bench-sync: unknown path '$path' (pulseaudio, pipewire, wine, chromium)"; exit 2 ;;
    esac
    goal "$path"
    server=pulseaudio
    [ "$path" = pipewire ] && server=pipewire
    need=$(missing "$server")
    [ "$path" = pipewire ] && need=$(missing pipewire pipewire-pulse wireplumber dbus-daemon)
    [ "$path" = wine ] && [ -z "$need" ] && need=$(missing wine)
    [ "$path" = chromium ] && [ -z "$need" ] && need=$(missing chromium node)
    if [ -n "$need" ]; then
        skip "$path" "" "$need is missing (tools/install-deps.sh sync)"
        continue
    fi
    case "$path" in
    wine) [ -f "$windows_exe" ] || { skip wine tuvoran.exe "no $windows_exe (make windows)"; continue; } ;;
    chromium) [ -f "$site/index.html" ] || { skip chromium page "no $site/index.html (make web)"; continue; } ;;
    esac

    server_pids=""
    "start_$server"
    if ! server_up; then
        skip "$path" "" "the private $server server did not start (its log: $results/$path.log)"
        mkdir -p "$results"
        cp "$work/$server/log" "$results/$path.log" 2>/dev/null || true
        stop_server
        continue
    fi
    case "$path" in
    pulseaudio | pipewire)
        if [ -z "$minutes" ]; then
            calibrate "$path"
            report "$path" "player (mpv)" player
        fi
        run_linux_show "$path"
        report "$path" tuvoran
        ;;
    wine)
        # Wine's PulseAudio driver reaches the private server through PULSE_SERVER. Its prefix
        # is made, and its server started, before the recording.
        wine_started=1
        "$root/tools/wine-run.sh" --serve 10 >/dev/null 2>&1 || true
        # shellcheck disable=SC2086
        measure wine-tuvoran "$results/muzak.s16" "$show_moments" "$show_period" \
            $((show_seconds + 15)) "$root/tools/wine-run.sh" "$windows_exe" --window 640x480+0+0 $loop
        report wine tuvoran.exe
        "$root/tools/wine-run.sh" --stop
        wine_started=""
        ;;
    chromium)
        measure chromium-page "$results/muzak.s16" "$show_moments" "$show_period" \
            $((show_seconds + 70)) node --experimental-websocket "$root/bench/sync/page.mjs" "$site" \
            "$show_seconds" $loop
        report chromium page
        ;;
    esac
    stop_server
done

mkdir -p "$(dirname "$json")"
printf '{"commit": "%s", "program": "%s", "cores": %s, "busy_loops": %s, "runs": [\n%s\n]}\n' \
    "$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)" "$program" "$(nproc)" \
    "$busy" "$entries" >"$json"
echo "Figures: $json; recordings: $results/"
