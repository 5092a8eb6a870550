#!/bin/sh
# Makes and deletes the folders that the project's builds and scripts write, and refuses to
# delete any other: a path from an argument or a cache entry, mistyped or left empty, must not
# cost anyone their files. A folder is the project's when it lies in one of the source tree's
# build folders (build*/ or dist/ at its top), or in a folder that this script made and marked
# with a .tuvoran-made file, or that it made and wrote down in a record file (for a folder whose
# every file is published, as the web site's).
#   owned-folder.sh [--record FILE] remove FOLDER...   deletes each, never crossing into another
#                                      file system; with one not the project's, fails, deleting none
#   owned-folder.sh [--record FILE] make FOLDER...     makes each with its parents; where it is
#                                      new and outside the build folders, marked or recorded
set -eu

root=$(cd "$(dirname "$0")/.." && pwd -P)
mark=.tuvoran-made

fail() {
    echo "owned-folder.sh: $*" >&2
    exit 1
}

in_build_folders() {
    case "$1" in
        "$root"/build* | "$root"/dist | "$root"/dist/*) return 0 ;;
        *) return 1 ;;
    esac
}

record=""
if [ "${1:-}" = --record ] && [ $# -ge 2 ]; then
    record=$2
    shift 2
fi

owned() {
    path=$(realpath -m -- "$1")
    in_build_folders "$path" && return 0
    [ -n "$record" ] && [ -f "$record" ] && grep -qxF -- "$path" "$record" && return 0
    while [ "$path" != / ]; do
        [ -f "$path/$mark" ] && return 0
        path=$(dirname "$path")
    done
    return 1
}

command=${1:-}
[ $# -gt 1 ] || fail "usage: owned-folder.sh [--record FILE] remove|make FOLDER..."
shift
case "$command" in
    remove)
        for folder in "$@"; do
            [ -n "$folder" ] || fail "refusing to delete an empty path"
            [ ! -e "$folder" ] && [ ! -L "$folder" ] && continue
            owned "$folder" || fail "refusing to delete $folder: it is not one of this project's" \
                "folders (the build folders build*/ and dist/ of $root, or one that the project" \
                "made and marked with $mark). Delete it yourself if you mean to."
        done
        for folder in "$@"; do
            rm -rf --one-file-system -- "$folder"
        done
        ;;
    make)
        for folder in "$@"; do
            if [ ! -d "$folder" ]; then
                mkdir -p -- "$folder"
                path=$(realpath -- "$folder")
                if in_build_folders "$path"; then
                    :
                elif [ -n "$record" ]; then
                    echo "$path" >>"$record"
                else
                    : >"$folder/$mark"
                fi
            fi
        done
        ;;
    *) fail "usage: owned-folder.sh [--record FILE] remove|make FOLDER..." ;;
esac
