#!/bin/sh
# A minimal Debian 12 root, as Debian tests its packages in: made once with
# `debootstrap --variant=minbase` and kept, then used through throwaway layers over it, so that
# every use starts from the same bare system and none changes it. As root.
#
#   minimal-root.sh make FOLDER        the kept root, FOLDER/base; made again when missing,
#                                      half made, made by another recipe or a month old
#   minimal-root.sh up FOLDER RUN      FOLDER/runs/RUN/root: a throwaway root over the kept one
#                                      (any other left by a killed run goes first), with /proc,
#                                      /dev/pts, the X server of $DISPLAY and the kept apt archives
#                                      mounted in; its package lists brought up to date
#   minimal-root.sh in FOLDER RUN CMD  CMD run by sh from / in that root, as root, with a clean
#                                      environment: DISPLAY, SDL_AUDIODRIVER, LIBGL_ALWAYS_SOFTWARE
#                                      and TUVORAN_NO_MESSAGE_BOX pass when set
#   minimal-root.sh down FOLDER [RUN]  RUN's layer unmounted and removed; without RUN, every
#                                      layer and anything else mounted under FOLDER
#   minimal-root.sh piuparts FOLDER DEB  piuparts's install and purge test of DEB in a copy of
#                                      the kept root; its log in FOLDER/piuparts.log
#
# Only fresh instances of proc and devpts, the X server's socket alone and the archive folder
# (inside FOLDER) are mounted, so that even a mount left by a killed run cannot lead a
# recursive removal of FOLDER out of it.
#
# The packages come from the mirrors that this system's own apt sources name for Debian 12
# (one-line or deb822), so that a machine behind its own mirror or proxy works unchanged;
# TUVORAN_DEBIAN_MIRROR and TUVORAN_DEBIAN_SECURITY_MIRROR override them.
set -eu

suite=bookworm

fail() {
    echo "minimal-root.sh: $*" >&2
    exit 1
}

# The URI of this system's apt source for a suite, or else of one whose release file names
# that origin and label; empty when there is none.
apt_source() {
    apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(ORIGIN) $(LABEL)' \
        2>/dev/null | awk -v release="$1" -v origin="$2" -v label="$3" '
            $1 != "deb" { next }
            $3 == release && exact == "" { exact = $2 }
            $4 == origin && $5 == label && $3 !~ /-(updates|backports|proposed-updates)$/ &&
                labelled == "" { labelled = $2 }
            END { uri = exact != "" ? exact : labelled; sub("/+$", "", uri); print uri }'
}

mirror=${TUVORAN_DEBIAN_MIRROR:-$(apt_source "$suite" Debian Debian)}
security=${TUVORAN_DEBIAN_SECURITY_MIRROR:-$(apt_source "$suite-security" Debian Debian-Security)}
# Written into the kept root once it is complete; a root with another one is made again.
recipe="debootstrap --variant=minbase $suite $mirror; $suite-updates; $security $suite-security; dist-upgrade; 2"

# Mount points under a folder, deepest first.
mounts_under() {
    awk -v prefix="$1/" 'index($5, prefix) == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

unmount_under() {
    for point in $(mounts_under "$1"); do
        umount "$point" 2>/dev/null || umount -l "$point"
    done
    [ -z "$(mounts_under "$1")" ] || fail "still mounted under $1: $(mounts_under "$1" | tr '\n' ' ')"
}

# Removes a folder once nothing is mounted under it, never crossing into another file system.
remove() {
    unmount_under "$1"
    "$(dirname "$0")/owned-folder.sh" remove "$1"
}

make_root() {
    base=$folder/base
    [ -n "$mirror" ] ||
        fail "this system's apt sources name no Debian mirror; set TUVORAN_DEBIAN_MIRROR"
    if [ -f "$base/.tuvoran-recipe" ] && [ "$(cat "$base/.tuvoran-recipe")" = "$recipe" ] &&
        [ -n "$(find "$base/.tuvoran-recipe" -mtime -30)" ]; then
        return
    fi
    # A root half made by a run that was killed, or made by another recipe; with no layer
    # over it.
    remove "$folder/runs"
    remove "$base"
    remove "$base.partial"
    mkdir -p "$folder/debootstrap-cache"
    # Interrupted, it leaves nothing mounted; the next make starts again.
    trap 'trap - EXIT; unmount_under "$base.partial"' EXIT
    trap 'exit 130' INT TERM HUP
    echo "minimal-root.sh: making a minimal $suite root in $base"
    debootstrap --variant=minbase --cache-dir="$folder/debootstrap-cache" "$suite" \
        "$base.partial" "$mirror" >"$folder/debootstrap.log" 2>&1 ||
        fail "debootstrap failed; see $folder/debootstrap.log"
    {
        echo "deb $mirror $suite main"
        echo "deb $mirror $suite-updates main"
        [ -z "$security" ] || echo "deb $security $suite-security main"
    } >"$base.partial/etc/apt/sources.list"
    # As piuparts does: no service starts inside the root.
    printf '#!/bin/sh\nexit 101\n' >"$base.partial/usr/sbin/policy-rc.d"
    chmod 755 "$base.partial/usr/sbin/policy-rc.d"
    # With the updates of the day, which every later use would otherwise install again.
    unmount_under "$base.partial"
    cp /etc/resolv.conf "$base.partial/etc/resolv.conf"
    mount -t proc proc "$base.partial/proc"
    (inside "$base.partial" "apt-get update -qq && apt-get dist-upgrade -y -qq && apt-get clean") \
        >>"$folder/debootstrap.log" 2>&1 || fail "updating the root failed; see $folder/debootstrap.log"
    unmount_under "$base.partial"
    trap - EXIT INT TERM HUP
    echo "$recipe" >"$base.partial/.tuvoran-recipe"
    mv "$base.partial" "$base"
}

up() {
    [ -f "$folder/base/.tuvoran-recipe" ] || fail "no kept root in $folder (make it first)"
    layer=$folder/runs/$run
    remove "$folder/runs"
    # A layer half up, by a failure or a signal, is taken down again.
    trap 'trap - EXIT; remove "$layer"' EXIT
    trap 'exit 130' INT TERM HUP
    mkdir -p "$layer/upper" "$layer/work" "$layer/root" "$folder/apt-archives/partial"
    # A copy where the kernel offers no overlay (a build folder on an overlay itself).
    if ! mount -t overlay overlay \
        -o "lowerdir=$folder/base,upperdir=$layer/upper,workdir=$layer/work" "$layer/root" 2>/dev/null; then
        rmdir "$layer/root"
        cp -a "$folder/base" "$layer/root"
    fi
    root=$layer/root
    mount -t proc proc "$root/proc"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    mount --bind "$folder/apt-archives" "$root/var/cache/apt/archives"
    if [ -n "${DISPLAY:-}" ]; then
        socket=/tmp/.X11-unix/X$(echo "${DISPLAY#*:}" | cut -d. -f1)
        [ -S "$socket" ] || fail "no X server socket $socket for DISPLAY=$DISPLAY"
        mkdir -p "$root/tmp/.X11-unix"
        chmod 1777 "$root/tmp/.X11-unix"
        touch "$root$socket"
        mount --bind "$socket" "$root$socket"
    fi
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    (inside "$root" "apt-get update -qq") >"$folder/apt-update.log" 2>&1 ||
        fail "apt-get update failed in the root; see $folder/apt-update.log"
    trap - EXIT INT TERM HUP
}

# Replaces the shell with COMMAND run in the root at ROOT; "exec program" as COMMAND makes
# the program itself the process that the caller started.
inside() {
    root=$1
    command=$2
    set -- HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/games \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive
    for name in DISPLAY SDL_AUDIODRIVER LIBGL_ALWAYS_SOFTWARE TUVORAN_NO_MESSAGE_BOX; do
        if eval "[ -n \"\${$name+set}\" ]"; then
            eval "set -- \"\$@\" \"$name=\${$name}\""
        fi
    done
    exec chroot "$root" /usr/bin/env -i "$@" /bin/sh -c "cd / && $command"
}

piuparts_test() {
    [ -f "$folder/base/.tuvoran-recipe" ] || fail "no kept root in $folder (make it first)"
    remove "$folder/piuparts"
    mkdir -p "$folder/piuparts"
    rm -f "$folder/piuparts.log"
    # Hard links into the kept root are safe: dpkg replaces files, it never writes into them.
    status=0
    piuparts --existing-chroot="$folder/base" --hard-link --tmpdir="$folder/piuparts" \
        --distribution="$suite" --mirror="$mirror" --keep-sources-list --no-upgrade-test \
        --logfile="$folder/piuparts.log" "$1" >/dev/null 2>&1 || status=$?
    remove "$folder/piuparts"
    grep -E "^ *[0-9hm.]+s (WARN|ERROR|INFO: (PASS|FAIL))" "$folder/piuparts.log" | sed "s/^ *[0-9hm.]*s //"
    return $status
}

down() {
    if [ -n "$run" ]; then
        remove "$folder/runs/$run"
    else
        unmount_under "$folder"
        remove "$folder/runs"
    fi
}

[ $# -ge 2 ] || fail "usage: minimal-root.sh make|up|in|down|piuparts FOLDER [RUN [COMMAND] | DEB]"
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, mount, chroot)"
action=$1
folder=$(realpath -m "$2")
run=${3:-}
case "$folder" in *[[:space:]]*) fail "the folder's path must have no spaces: $folder" ;; esac
case "$action" in
    make) "$(dirname "$0")/owned-folder.sh" make "$folder" && make_root ;;
    up) [ -n "$run" ] || fail "up needs a run's name"; up ;;
    in)
        [ $# -eq 4 ] || fail "in needs a run's name and a command"
        [ -d "$folder/runs/$run/root/proc/self" ] || fail "$folder/runs/$run/root is not up"
        inside "$folder/runs/$run/root" "$4"
        ;;
    down) down ;;
    piuparts) [ -f "$3" ] || fail "piuparts needs a package file"; piuparts_test "$(realpath "$3")" ;;
    *) fail "unknown action '$action' (make, up, in, down, piuparts)" ;;
esac
