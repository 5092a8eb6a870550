#!/bin/sh
# The program's layers stay layers: no symbol that a library needs from elsewhere is defined by
# a library above it (or beside it: the backends use none of each other).
#   layers.sh NM LIBRARY...     the libraries lowest first, as CMakeLists.txt makes them
set -eu
nm=$1
shift
symbols=$(mktemp -d)
trap 'rm -rf "$symbols"' EXIT

count=0
for library; do
    count=$((count + 1))
    "$nm" -g --defined-only "$library" | awk 'NF == 3 { print $3 }' | sort -u >"$symbols/defined.$count"
    "$nm" -u "$library" | awk 'NF == 2 { print $2 }' | sort -u |
        comm -23 - "$symbols/defined.$count" >"$symbols/needed.$count"
done

faults=0
user=0
for library; do
    user=$((user + 1))
    other=0
    for definer; do
        other=$((other + 1))
        [ $other -ne $user ] || continue
        if [ $other -lt $user ]; then
            case $(basename "$library")$(basename "$definer") in
            *backend*backend*) ;;
            *) continue ;;
            esac
        fi
        used=$(comm -12 "$symbols/needed.$user" "$symbols/defined.$other" | head -n 5)
        if [ -n "$used" ]; then
            faults=$((faults + 1))
            echo "$(basename "$library") uses $(basename "$definer"), which is not below it:"
            echo "$used" | c++filt | sed 's/^/    /'
        fi
    done
done
[ $faults -eq 0 ] && echo "$count layers, each using only those below it"
exit $faults
