#!/bin/sh
# The release's artefacts (tools/release.sh), packed from the suite's own builds and again from a
# second copy of the tree in another folder, built there from scratch as another user, with
# another umask, locale and time zone, its folders listed in another order; the two must be the
# same bytes, and every artefact must carry the build's version. A difference is shown by
# diffoscope. The Windows zip, the Debian package, the web zip and the source archive are
# compared whole; the video only up to videoMs, as the whole takes minutes to capture (the
# release notes say so).
#   tests/release/reproducible.sh LINUX_BUILD WINDOWS_BUILD WASM_BUILD WORK
# The second copy is the release's source archive of the commit, so it also tells the version
# from the archive's own record, with the working tree's uncommitted changes laid over it; the
# second source archive comes from a clone of the commit.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
linux=$1 windows=$2 wasm=$3 work=$4
release="$root/tools/release.sh"
videoMs=3000

fail() {
    echo "reproducible.sh: $*" >&2
    exit 1
}

elapsed() {
    echo "$(($(date +%s) - started)) s"
}
started=$(date +%s)

# The second tree is read through disorderfs where it can be, its folders listed in a random
# order; a run killed outright leaves it mounted for this one to take down.
shuffled="$work/somewhere else/shuffled"
unmount() {
    if mountpoint -q "$shuffled"; then fusermount -u "$shuffled"; fi
}
trap unmount EXIT
trap 'exit 130' INT TERM
unmount
"$root/tools/owned-folder.sh" remove "$work"
"$root/tools/owned-folder.sh" make "$work"
mkdir -p "$work/first"
"$release" windows-zip "$windows" "$work/first"
"$release" deb "$linux" "$work/first"
"$release" web-zip "$wasm" "$linux" "$work/first"
"$release" source "$linux" "$work/first"
"$release" video "$linux" "$work/first" $videoMs
version=$(sed -n 's/^TUVORAN_VERSION=//p' "$linux/release.env")
echo "version $version; the suite's builds packed in $(elapsed)"

# The second tree: another name, another depth, no .git. Written to files first, as sh has no
# pipefail to tell of a git that failed.
tree="$work/somewhere else/tuvoran-$$"
mkdir -p "$tree"
tar -xzf "$work/first/tuvoran-$version.tar.gz" -C "$tree" --strip-components=1
(
    cd "$root"
    git diff -z --name-only HEAD >"$work/changed"
    git ls-files -z --others --exclude-standard >>"$work/changed"
    tr '\0' '\n' <"$work/changed" | grep -v '^packaging/source-version.txt$' |
        while IFS= read -r file; do
        if [ -e "$file" ]; then
            mkdir -p "$tree/$(dirname "$file")"
            cp -p "$file" "$tree/$file"
        else
            rm -f "$tree/$file"
        fi
    done
)
# The commit again, cloned, for the second source archive; git's settings there would change
# its bytes where tools/release.sh did not pin them.
git -C "$root" bundle create -q "$work/commit.bundle" HEAD --tags
git -c advice.detachedHead=false clone -q "$work/commit.bundle" "$work/somewhere else/clone"
mkdir -p "$work/second" "$work/home"
printf '[tar]\n\tumask = user\n[core]\n\tautocrlf = true\n' >"$work/home/.gitconfig"

# As nobody where the suite runs as root. Emscripten's cache stays the system's, read only.
as_user=""
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null 2>&1; then
    chown -R 65534:65534 "$work/somewhere else" "$work/second" "$work/home"
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
fi
if [ "$(id -u)" -eq 0 ] && command -v disorderfs >/dev/null 2>&1; then
    mkdir -p "$shuffled"
    if disorderfs --quiet --shuffle-dirents=yes --multi-user=yes -o allow_other "$tree" "$shuffled"; then
        tree=$shuffled
        echo "the second tree's folders are listed in a random order (disorderfs)"
    fi
fi
# shellcheck disable=SC2016 # the inner shell expands its own arguments
$as_user env HOME="$work/home" USER=other LOGNAME=other TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 \
    JOBS="${JOBS:-$(nproc)}" sh -c '
    umask 077
    cd "$1"
    tools/release.sh build "$2/builds"
    tools/release.sh windows-zip "$2/builds/windows" "$2"
    tools/release.sh deb "$2/builds/linux" "$2"
    tools/release.sh web-zip "$2/builds/wasm" "$2/builds/linux" "$2"
    tools/release.sh video "$2/builds/linux" "$2" "$4"
    cd "$3" && tools/release.sh source "$2/builds/linux" "$2"
' sh "$tree" "$work/second" "$work/somewhere else/clone" $videoMs >"$work/second-build.log" 2>&1 || {
    tail -n 40 "$work/second-build.log" >&2
    fail "the second build failed (its log: $work/second-build.log)"
}
echo "second tree built and packed in $(elapsed)"

differ=0
for name in "tuvoran-$version-windows-x64.zip" "tuvoran_${version}_amd64.deb" \
    "tuvoran-$version-web.zip" "tuvoran-$version.tar.gz" "tuvoran-$version-1080p-until-${videoMs}ms.mp4"; do
    first="$work/first/$name" second="$work/second/$name"
    [ -f "$first" ] || fail "the suite's builds packed no $name"
    [ -f "$second" ] || fail "the second tree packed no $name: another version? $(ls "$work/second")"
    if cmp -s "$first" "$second"; then
        echo "same: $name ($(wc -c <"$first") bytes)"
    else
        differ=1
        echo "DIFFERENT: $name"
        diffoscope --no-progress "$first" "$second" || true
    fi
done
[ $differ -eq 0 ] || fail "the builds differ (above)"

# One version in every artefact: the names above, the package's field, the programs' own word
# and the Windows README (the windows tests read the version resource).
[ "$(dpkg-deb -f "$work/first/tuvoran_${version}_amd64.deb" Version)" = "$version" ] ||
    fail "the package's Version is not $version"
[ "$("$linux/tuvoran" --version)" = "tuvoran $version" ] || fail "tuvoran --version is not $version"
[ "$("$linux/tuvoran-capture" --version)" = "tuvoran-capture $version" ] ||
    fail "tuvoran-capture --version is not $version"
unzip -p "$work/first/tuvoran-$version-windows-x64.zip" README.txt | head -n 1 |
    grep -qF "Tuvoran $version for Windows" || fail "the Windows README does not say $version"
# The web site serves the screenshots that the package's metainfo names.
dpkg-deb --fsys-tarfile "$work/first/tuvoran_${version}_amd64.deb" |
    tar -xO ./usr/share/metainfo/example.tuvoran.tuvoran.metainfo.xml >"$work/metainfo.xml"
screenshots=$(sed -n 's|.*<image[^>]*>[^<]*/\(screenshots/[^<]*\)</image>.*|\1|p' "$work/metainfo.xml")
[ -n "$screenshots" ] || fail "the metainfo names no screenshot"
for screenshot in $screenshots; do
    unzip -l "$work/first/tuvoran-$version-web.zip" "$screenshot" >/dev/null ||
        fail "the web zip lacks $screenshot, which the metainfo names"
done
commit=$(git -C "$root" rev-parse HEAD)
case "$version" in
    *[+.]g[0-9a-f]*) [ "${version##*g}" = "$(echo "$commit" | cut -c 1-12)" ] ||
        fail "$version does not name the commit" ;;
esac
echo "all the same, version $version everywhere, in $(elapsed)"
