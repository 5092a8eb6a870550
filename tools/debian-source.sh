#!/bin/sh
# Unpacks the source of a Debian package into a folder, and prints the unpacked folder:
#
#   debian-source.sh PACKAGE FOLDER
#
# Made by `apt-get source` from deb-src entries that follow this system's own Debian sources
# (one-line or deb822), so that a machine behind its own mirror or proxy works unchanged; apt's
# lists and archives are kept under FOLDER/.apt, apart from the system's. Unpacked once: a
# folder already there for the version that the lists name is used as it is.
set -eu

fail() {
    echo "debian-source.sh: $*" >&2
    exit 1
}

[ $# -eq 2 ] || fail "usage: debian-source.sh PACKAGE FOLDER"
package=$1
mkdir -p "$2"
folder=$(cd "$2" && pwd)
apt=$folder/.apt
mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/sources.list.d" "$apt/preferences.d"

# Debian's own entries, told by the origin in their release files, or by the system's suite
# where apt has not fetched those yet.
codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release 2>/dev/null | tr -d '"')
# shellcheck disable=SC2016 # apt's own fields, not the shell's
apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT) $(ORIGIN)' \
    2>/dev/null | awk -v suite="$codename" '
        $1 == "deb" && ($5 == "Debian" || ($5 == "" && suite != "" && index($3, suite) == 1)) {
            print "deb-src", $2, $3, $4
        }' | sort -u >"$apt/sources.list.new"
[ -s "$apt/sources.list.new" ] || fail "this system's apt sources name no Debian archive"

# As root apt fetches as its own user, who may not write here.
options="-o Dir::Etc::SourceList=$apt/sources.list -o Dir::Etc::SourceParts=$apt/sources.list.d
  -o Dir::Etc::PreferencesParts=$apt/preferences.d -o Dir::State::Lists=$apt/lists
  -o Dir::Cache=$apt -o Dir::Cache::Archives=$apt/archives -o Debug::NoLocking=1
  -o APT::Sandbox::User=$(id -un)"

# The lists are fetched once a day at most, and again when the system's sources change.
if ! cmp -s "$apt/sources.list.new" "$apt/sources.list" ||
    [ -z "$(find "$apt/lists" -name '*Sources*' -mtime -1)" ]; then
    mv "$apt/sources.list.new" "$apt/sources.list"
    # shellcheck disable=SC2086
    apt-get $options -qq update >&2 || fail "apt-get update failed"
fi
rm -f "$apt/sources.list.new"

# shellcheck disable=SC2086
version=$(apt-cache $options showsrc --only-source "$package" 2>/dev/null |
    sed -n 's/^Version: //p' | sort -V | tail -n 1)
[ -n "$version" ] || fail "no source package $package in the Debian sources"
upstream=${version#*:}
upstream=${upstream%-*}
unpacked=$folder/$package-$upstream
if [ ! -f "$unpacked/.debian-version" ] || [ "$(cat "$unpacked/.debian-version")" != "$version" ]; then
    rm -rf "$unpacked"
    # shellcheck disable=SC2086
    (cd "$folder" && apt-get $options -qq source --only-source "$package=$version" >&2) ||
        fail "apt-get source $package=$version failed (dpkg-source is in dpkg-dev)"
    [ -d "$unpacked" ] || fail "apt-get source left no $unpacked"
    echo "$version" >"$unpacked/.debian-version"
fi
echo "$unpacked"
