#!/bin/sh
# Installs the Debian 12 packages that the project needs, and only those missing.
# Usage: install-deps.sh [run] [test] [video] [data] [package] [web] [windows] [dev] [lint]
#        [release] [sync] ...   (default: run)
set -eu

# GLVND's libOpenGL is the library that CMake's OpenGL module looks for first.
packages_run="build-essential cmake pkg-config libgl-dev libopengl-dev libegl-dev libgl1-mesa-dri
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libfreeimage-dev libtiff-dev libmpg123-dev"
# The virtual X server's own fonts lack those that the message box draws its text with.
packages_test="xvfb xauth xfonts-base libxtst-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev"
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
# The Windows build: the cross compiler, stb_image and GoogleTest's sources; Wine to test it;
# zip, which packs it as the release does (tools/release.sh).
packages_windows="cmake g++-mingw-w64-x86-64-posix libstb-dev googletest wine wine64 zip"
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
        test) wanted="$wanted $packages_run $packages_test $packages_data $packages_video $packages_package
              $packages_minimal_root $packages_browser $packages_web $packages_windows $packages_dev
              $packages_release" ;;
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
        *) echo "install-deps.sh: unknown group '$group' (run, test, data, video, package, web, windows, dev, lint, release, sync)" >&2; exit 2 ;;
    esac
done

missing=""
for package in $wanted; do
    case " $missing " in *" $package "*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
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

echo "Installing:$missing"
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
