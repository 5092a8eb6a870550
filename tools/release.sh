#!/bin/sh
# The release: every artefact of one commit, the same bytes from any checkout of it, whatever
# the folder, the time, the user, the umask, the locale or the time zone (make release).
#   tools/release.sh dist BUILD_ROOT DIST        builds in BUILD_ROOT/, writes all of DIST/
#   tools/release.sh build BUILD_ROOT            the three builds alone
#   tools/release.sh windows-zip WINDOWS_BUILD OUT
#   tools/release.sh deb LINUX_BUILD OUT
#   tools/release.sh web-zip WASM_BUILD LINUX_BUILD OUT
#   tools/release.sh source LINUX_BUILD OUT       the source archive, from a git checkout
#   tools/release.sh video LINUX_BUILD OUT [UNTIL_MS]   the 1080p video, or its start alone
#   tools/release.sh normalise FOLDER            modes and times as packed ($SOURCE_DATE_EPOCH)
# Each packing first builds what it packs, where anything changed. Each build's version and
# SOURCE_DATE_EPOCH (the commit's time) are what its configure wrote to release.env
# (packaging/version.cmake); every time stamp packed is that time, every file's mode is 644 or
# 755, every list of files is sorted bytewise.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}

fail() {
    echo "release.sh: $*" >&2
    exit 1
}

# A folder's absolute path, made where it is missing.
absolute() {
    "$root/tools/owned-folder.sh" make "$1"
    (cd "$1" && pwd)
}

# Sets TUVORAN_VERSION, TUVORAN_COMMIT and SOURCE_DATE_EPOCH from a configured build.
read_release_env() {
    [ -f "$1/release.env" ] || fail "$1 is not a configured build (no release.env)"
    TUVORAN_VERSION=$(sed -n 's/^TUVORAN_VERSION=//p' "$1/release.env")
    TUVORAN_COMMIT=$(sed -n 's/^TUVORAN_COMMIT=//p' "$1/release.env")
    SOURCE_DATE_EPOCH=$(sed -n 's/^SOURCE_DATE_EPOCH=//p' "$1/release.env")
    export SOURCE_DATE_EPOCH
}

scratch=""
cleanup() {
    if [ -n "$scratch" ]; then rm -rf "$scratch"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
scratch_folder() {
    [ -n "$scratch" ] || scratch=$(mktemp -d)
    mktemp -d "$scratch/XXXXXX"
}

# The files of a folder with the release's modes and time stamp.
normalise() {
    find "$1" -type d -exec chmod 755 {} +
    find "$1" -type f -perm -u+x -exec chmod 755 {} +
    find "$1" -type f ! -perm -u+x -exec chmod 644 {} +
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# A zip of a folder's files that depends on nothing but their names, bytes and modes: sorted,
# no owners or extra time stamps (-X), the DOS times in UTC.
zip_folder() {
    normalise "$1"
    rm -f "$2"
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -X -9 -q -@ "$2")
}

windows_zip() {
    build=$(absolute "$1")
    out=$(absolute "$2")
    cmake --build "$build" --target tuvoran >/dev/null
    read_release_env "$build"
    stage=$(scratch_folder)/tuvoran
    cmake --install "$build" --prefix "$stage" --component tuvoran --strip >/dev/null
    zip_folder "$stage" "$out/tuvoran-$TUVORAN_VERSION-windows-x64.zip"
}

# CPack stages the install, and packaging/reproducible_stage.cmake evens out its modes and times
# before the package is packed; CPack dates the package's members by $SOURCE_DATE_EPOCH.
deb() {
    build=$(absolute "$1")
    out=$(absolute "$2")
    cmake --build "$build" --target tuvoran tuvoran-capture tuvoran-install-files >/dev/null
    read_release_env "$build"
    packed=$(scratch_folder)
    # The package's ar members take the modes of CPack's own files.
    (umask 022 && cpack --config "$build/CPackConfig.cmake" -B "$packed" >"$packed/cpack.log" 2>&1) ||
        { cat "$packed/cpack.log" >&2; fail "cpack failed"; }
    mv "$packed/tuvoran_${TUVORAN_VERSION}_amd64.deb" "$out/"
}

# The site as the browser build wrote it, whatever it holds, with the screenshots that the
# package's AppStream metainfo names.
web_zip() {
    wasm=$(absolute "$1")
    linux=$(absolute "$2")
    out=$(absolute "$3")
    NODE_PATH=/usr/share/nodejs cmake --build "$wasm" --target site >/dev/null
    cmake --build "$linux" --target tuvoran-screenshots >/dev/null
    read_release_env "$wasm"
    site=$(sed -n 's/^TUVORAN_SITE_DIR:PATH=//p' "$wasm/CMakeCache.txt")
    [ -f "$site/index.html" ] || fail "no site in $site (build $wasm first)"
    [ -d "$linux/packaging/screenshots" ] || fail "no screenshots in $linux/packaging/screenshots"
    stage=$(scratch_folder)/site
    cp -R "$site" "$stage"
    rm -rf "$stage/screenshots"
    cp -R "$linux/packaging/screenshots" "$stage/screenshots"
    zip_folder "$stage" "$out/tuvoran-$TUVORAN_VERSION-web.zip"
}

# The source of the build's commit as git archive gives it, and the number of its commits, which
# packaging/version_of.cmake cannot learn from an archive where no release tag is reachable.
# The settings of git's that would change the bytes are pinned. Written to a file, then packed:
# sh has no pipefail, and a pipe would hide a failing git archive.
source_archive() {
    build=$(absolute "$1")
    out=$(absolute "$2")
    read_release_env "$build"
    cd "$root"
    [ -e .git ] || fail "the source archive is made from a git checkout"
    [ "$(git rev-parse HEAD)" = "$TUVORAN_COMMIT" ] ||
        fail "$build was configured for commit $TUVORAN_COMMIT, not for HEAD"
    tar=$(scratch_folder)/source.tar
    folder="tuvoran-$TUVORAN_VERSION"
    commits=$(git rev-list --count HEAD)
    # Before --prefix: the virtual file's path is then whole in every version of git.
    git -c tar.umask=0002 -c core.autocrlf=false -c core.eol=lf archive --format=tar \
        --add-virtual-file="$folder/packaging/source-commits.txt:$commits" \
        --prefix="$folder/" -o "$tar" HEAD
    gzip -9n <"$tar" >"$out/tuvoran-$TUVORAN_VERSION.tar.gz"
}

# The whole show as the release's video; with UNTIL_MS, the same up to that moment alone, for
# the release's check, which cannot afford the minutes of the whole.
video() {
    build=$(absolute "$1")
    out=$(absolute "$2")
    cmake --build "$build" --target tuvoran-capture >/dev/null
    read_release_env "$build"
    cd "$root" # the show's data
    if [ -n "${3:-}" ]; then
        set -- --until "$3" --out "$out/tuvoran-$TUVORAN_VERSION-1080p-until-$3ms.mp4"
    else
        set -- --out "$out/tuvoran-$TUVORAN_VERSION-1080p.mp4"
    fi
    "$build/tuvoran-capture" --size 1920x1080 --keep-aspect --quiet "$@"
}

# The three builds, configured for the release alone by the presets of CMakePresets.json in
# folders of its own: no tests, only what is packed.
build() {
    builds=$(absolute "$1")
    cd "$root"
    cmake --preset release -B "$builds/linux" >/dev/null
    # The site's pictures and icons are drawn by the native programs.
    cmake --build "$builds/linux" -j "$jobs" --target tuvoran tuvoran-capture \
        tuvoran-install-files tuvoran-screenshots tuvoran-icons tuvoran-web-pictures
    cmake --preset windows -B "$builds/windows" -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$builds/windows" -j "$jobs" --target tuvoran
    cmake --preset web -B "$builds/wasm" -DTUVORAN_SITE_DIR="$builds/web" \
        -DTUVORAN_NATIVE_BUILD="$builds/linux" >/dev/null
    # Debian's emscripten runs its tools with a node that does not look in Debian's module folder.
    NODE_PATH=/usr/share/nodejs cmake --build "$builds/wasm" -j "$jobs"
}

size_of() {
    wc -c <"$1" | tr -d ' '
}

release_notes() {
    date=$(TZ=UTC LC_ALL=C date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M UTC')
    cat <<EOF
# Tuvoran $TUVORAN_VERSION

Built from commit \`$TUVORAN_COMMIT\` of $date.

| File | Bytes | What |
|---|---:|---|
| \`tuvoran-$TUVORAN_VERSION-windows-x64.zip\` | $(size_of "$1/tuvoran-$TUVORAN_VERSION-windows-x64.zip") | for 64-bit Windows 10 and later: unzip anywhere, double-click \`tuvoran.exe\` |
| \`tuvoran_${TUVORAN_VERSION}_amd64.deb\` | $(size_of "$1/tuvoran_${TUVORAN_VERSION}_amd64.deb") | for Debian 12 and later: \`sudo apt install ./tuvoran_${TUVORAN_VERSION}_amd64.deb\`, then \`tuvoran\` |
| \`tuvoran-$TUVORAN_VERSION-web.zip\` | $(size_of "$1/tuvoran-$TUVORAN_VERSION-web.zip") | the web site: unzip onto any static host and open \`index.html\` |
| \`tuvoran-$TUVORAN_VERSION-1080p.mp4\` | $(size_of "$1/tuvoran-$TUVORAN_VERSION-1080p.mp4") | the whole show as a video, 1920×1080 at 60 frames per second, the 4:3 picture between black bars |
| \`tuvoran-$TUVORAN_VERSION.tar.gz\` | $(size_of "$1/tuvoran-$TUVORAN_VERSION.tar.gz") | the source of this commit, as \`git archive\` gives it |

## Check the files

    sha256sum -c SHA256SUMS

## Build them again

Every file here comes out byte for byte the same from any checkout of the commit, on Debian 12
with the same versions of its packages (the compilers, emscripten, ffmpeg, zip, gzip):

    git checkout $TUVORAN_COMMIT
    make release
    cd dist && sha256sum -c /path/to/these/SHA256SUMS

The source archive builds the same programs and packages (\`make release\` there writes all
but the archive itself, which needs git).

The project's release check (\`tests/release/reproducible.sh\`) builds the commit a second
time from its source archive, in another folder, as another user, with another umask, locale
and time zone, and compares the Windows zip, the Debian package, the web zip and the source
archive whole. Of the video it compares the first 3 seconds, as the whole takes minutes to
capture: the rest is made the same way, by the same capture program (in the package, compared
whole) from the same data, each frame drawn at its moment of the show's own clock, never the
wall clock's, and encoded by one thread with ffmpeg's bit-exact flags.
EOF
}

dist() {
    builds=$(absolute "$1")
    out=$2
    cd "$root"
    if [ -e .git ]; then
        [ -z "$(git status --porcelain)" ] ||
            fail "the working tree has changes or new files: a release is made from a commit"
    fi
    build "$builds"
    read_release_env "$builds/linux"
    for other in windows wasm; do
        [ "$(sed -n 's/^TUVORAN_VERSION=//p' "$builds/$other/release.env")" = "$TUVORAN_VERSION" ] ||
            fail "$builds/$other was configured for another version than $TUVORAN_VERSION"
    done
    "$root/tools/owned-folder.sh" remove "$out"
    out=$(absolute "$out")
    windows_zip "$builds/windows" "$out"
    deb "$builds/linux" "$out"
    web_zip "$builds/wasm" "$builds/linux" "$out"
    video "$builds/linux" "$out"
    if [ -e .git ]; then
        source_archive "$builds/linux" "$out"
    fi
    notes=$(scratch_folder)/RELEASE.md
    release_notes "$out" >"$notes"
    if [ -e "$out/tuvoran-$TUVORAN_VERSION.tar.gz" ]; then
        mv "$notes" "$out/RELEASE.md"
    else
        grep -v "tuvoran-$TUVORAN_VERSION.tar.gz" "$notes" >"$out/RELEASE.md"
    fi
    normalise "$out"
    sums=$(scratch_folder)/SHA256SUMS
    (
        cd "$out"
        export LC_ALL=C
        for file in *; do sha256sum -- "$file"; done >"$sums"
    )
    mv "$sums" "$out/SHA256SUMS"
    normalise "$out"
    ls -l "$out"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
    dist) [ $# -eq 2 ] || fail "usage: release.sh dist BUILD_ROOT DIST"; dist "$@" ;;
    build) [ $# -eq 1 ] || fail "usage: release.sh build BUILD_ROOT"; build "$@" ;;
    windows-zip) [ $# -eq 2 ] || fail "usage: release.sh windows-zip WINDOWS_BUILD OUT"; windows_zip "$@" ;;
    deb) [ $# -eq 2 ] || fail "usage: release.sh deb LINUX_BUILD OUT"; deb "$@" ;;
    web-zip) [ $# -eq 3 ] || fail "usage: release.sh web-zip WASM_BUILD LINUX_BUILD OUT"; web_zip "$@" ;;
    source) [ $# -eq 2 ] || fail "usage: release.sh source LINUX_BUILD OUT"; source_archive "$@" ;;
    video) [ $# -eq 2 ] || [ $# -eq 3 ] || fail "usage: release.sh video LINUX_BUILD OUT [UNTIL_MS]"; video "$@" ;;
    normalise)
        if [ $# -ne 1 ] || [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
            fail "usage: SOURCE_DATE_EPOCH=SECONDS release.sh normalise FOLDER"
        fi
        normalise "$1"
        ;;
    *) fail "usage: release.sh dist|build|windows-zip|deb|web-zip|source|video|normalise ..." ;;
esac
