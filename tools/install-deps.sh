#!/bin/sh
# Installs the Debian 12 packages that the project needs, and only those missing.
# Usage: install-deps.sh [run] [check] [test] [video] [data] [package] [web] [browser]
#        [windows] [dev] [fuzz] [lint] [release] [sound] [sync] ...   (default: run)
# Several at once (make -j) take turns: one installs, the others wait and then find it done.
set -eu

# GLVND's libOpenGL is the library that CMake's OpenGL module looks for first.
packages_run="build-essential cmake pkg-config libgl-dev libopengl-dev libegl-dev libgl1-mesa-dri
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libfreeimage-dev libtiff-dev libmpg123-dev libpulse-dev libasound2-dev"
# The virtual X server's own fonts lack those that the message box draws its text with.
packages_check="xvfb xauth xfonts-base libxtst-dev libgtest-dev libgmock-dev libbenchmark-dev"
# The fuzzers: clang's libFuzzer.
packages_fuzz="clang libclang-rt-14-dev"
# The sound's timing is checked against a private PulseAudio server, its monitor recorded by
# parec.
packages_sound="pulseaudio pulseaudio-utils"
# The web site's tests: Debian's Chromium, driven from Node (npm comes with a nodejs from elsewhere).
packages_browser="chromium nodejs"
command -v npm >/dev/null 2>&1 || packages_browser="$packages_browser npm"
packages_data="libmp3lame-dev"
packages_video="ffmpeg"
packages_package="dpkg-dev file lintian desktop-file-utils"
# The package installed and purged in a minimal Debian root, as Debian tests its own
# (piuparts runs adequate's checks of the installed package where it is there).
packages_minimal_root="debootstrap piuparts adequate"
packages_web="cmake emscripten libstb-dev"
# The Windows build: the cross compiler, stb_image and GoogleTest's sources; dpkg-dev, whose
# dpkg-source unpacks Debian's source of libmpg123 (tools/debian-source.sh); Wine to test it;
# zip, which packs it as the release does (tools/release.sh).
packages_windows="cmake g++-mingw-w64-x86-64-posix libstb-dev googletest dpkg-dev wine wine64 zip"
# make dev: the watcher of the sources and data, and the faster linker.
packages_dev="inotify-tools lld"
packages_lint="clang-format clang-tidy"
# make bench-sync: private sound servers with a null sink (PulseAudio, and PipeWire with its
# PulseAudio server, session manager and a session bus of its own), their recorder, the
# calibration's maker and player, the X screen's shared memory.
packages_sync="xvfb pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus mpv ffmpeg
  libxext-dev"
# The release (make release) packs with these; its check lists folders in a random order with
# disorderfs and shows a difference with diffoscope.
packages_release="git zip unzip gzip appstream diffoscope xxd python3-debian disorderfs"

wanted=""
[ $# -eq 0 ] && set -- run
for group in "$@"; do
    case "$group" in
        run) wanted="$wanted $packages_run" ;;
        # make check's tests: the programs on a virtual X screen, the data generator's (LAME) and
        # the capture's videos (ffmpeg).
        check) wanted="$wanted $packages_run $packages_check $packages_data $packages_video" ;;
        test) wanted="$wanted $packages_run $packages_check $packages_fuzz $packages_sound $packages_data
              $packages_video $packages_package $packages_minimal_root $packages_browser $packages_web $packages_windows
              $packages_dev $packages_release" ;;
        fuzz) wanted="$wanted $packages_run $packages_fuzz" ;;
        browser) wanted="$wanted $packages_browser" ;;
        sound) wanted="$wanted $packages_sound" ;;
        data) wanted="$wanted $packages_run $packages_data" ;;
        video) wanted="$wanted $packages_run $packages_video" ;;
        package) wanted="$wanted $packages_run $packages_package" ;;
        web) wanted="$wanted $packages_web" ;;
        windows) wanted="$wanted $packages_windows" ;;
        dev) wanted="$wanted $packages_run $packages_dev" ;;
        lint) wanted="$wanted $packages_run $packages_lint" ;;
        sync) wanted="$wanted $packages_run $packages_sync" ;;
        release) wanted="$wanted $packages_run $packages_data $packages_video $packages_package
                 $packages_web $packages_windows $packages_release" ;;
        *) echo "install-deps.sh: unknown group '$group' (run, check, test, sound, sync, data, video, package, web, browser, windows, dev, fuzz, lint, release)" >&2; exit 2 ;;
    esac
done

missing_packages() {
    missing=""
    for package in $wanted; do
        case " $missing " in *" $package "*) continue ;; esac
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing="$missing $package"
        fi
    done
}
missing_packages
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "install-deps.sh: these Debian packages are missing:$missing" >&2
    echo "install-deps.sh: install them as root (apt-get install$missing)" >&2
    exit 1
fi

# One install at a time: apt takes dpkg's lock and fails at once where another holds it.
# Whoever waited looks again, as the one before may have installed what it needs.
# Opened for reading, so that a lock file made by root serves other users too.
lock=/run/lock/tuvoran-install-deps.lock
touch "$lock" 2>/dev/null || lock=${TMPDIR:-/tmp}/tuvoran-install-deps.lock
touch "$lock" 2>/dev/null || true
exec 9<"$lock"
if ! flock -n 9; then
    echo "install-deps.sh: waiting for another install to end" >&2
    flock 9
    missing_packages
    [ -z "$missing" ] && exit 0
fi

echo "Installing:$missing"
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
