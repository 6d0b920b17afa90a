#!/bin/sh
# Runs a command of the project inside a Debian 13 root, on any Debian
# machine: the way to build and test the player on Debian's stable release
# from a Debian 12 machine (CI does exactly this).
#
#   tools/debian13.sh [COMMAND [ARGUMENT...]]     (default: tools/test.sh)
#
# The root is made once with debootstrap, from the Debian mirror this
# machine's own apt sources name (VELMORIN_DEBIAN_MIRROR overrides it), and
# kept in VELMORIN_DEBIAN13_ROOT (default /var/tmp/velmorin-hd/debian13). It
# is reused while its os-release still says Debian 13. The project's files
# as they are in this working tree (tracked and untracked, not ignored) are
# copied into it for every run; the build folders there are kept, so a
# second run builds only what changed. The command runs in that copy, as
# root, with nothing installed by hand: tools/setup.sh installs what the
# project needs there as it does on a fresh machine.
#
# The root is entered with bubblewrap rather than chroot: the engine's
# sandbox, and the unprivileged user the Wayland lane runs its compositors
# as, create user namespaces, which the kernel refuses to a chrooted
# process. The host's /proc is bound as it is, since the engine's sandbox
# cannot mount a proc of its own over one that bubblewrap mounted (bubblewrap
# masks parts of it), and /tmp is a fresh world-writable one, written by
# apt's own user and by the Wayland lane's.
#
# Needs root (or sudo), debootstrap and bubblewrap (apt-get installs the two
# when missing) and a few GB of disk.
set -eu
cd "$(dirname "$0")/.."

root=${VELMORIN_DEBIAN13_ROOT:-/var/tmp/velmorin-hd/debian13}
copy=/home/velmorin-hd
suite=trixie

if [ "$(id -u)" -ne 0 ]; then
    exec sudo -E "$0" "$@"
fi

if [ $# -eq 0 ]; then
    set -- tools/test.sh
fi

# Prints the first URI of the host's apt sources that serves the suite given
# (bookworm, bookworm-security, ...), from one-line .list files and deb822
# .sources files alike.
mirror_of() {
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk -v suite="$1" '
            $1 == "deb" {
                i = 2
                if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                if ($(i + 1) == suite) { print $i; exit }
            }' "$file"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk -v suite="$1" '
            function stanza_end() {
                if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " suite " ") && uris != "") {
                    split(uris, u, " "); print u[1]; found = 1; exit
                }
                types = ""; suites = ""; uris = ""
            }
            /^[ \t]*$/ { stanza_end(); next }
            /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
            /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
            /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
            END { if (!found) stanza_end() }' "$file"
    done | head -n 1
}

host_suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
mirror=${VELMORIN_DEBIAN_MIRROR:-$(mirror_of "$host_suite")}
security=${VELMORIN_DEBIAN_SECURITY_MIRROR:-$(mirror_of "$host_suite-security")}
if [ -z "$mirror" ]; then
    echo "No Debian mirror in this machine's apt sources for '$host_suite';" \
        "name one in VELMORIN_DEBIAN_MIRROR" >&2
    exit 1
fi

for tool in debootstrap bwrap; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap bubblewrap
        break
    fi
done

is_debian13() {
    [ -f "$root/etc/os-release" ] &&
        [ "$(. "$root/etc/os-release" && echo "$ID:$VERSION_ID")" = debian:13 ]
}

if ! is_debian13; then
    echo "== Making a Debian 13 root in $root from $mirror"
    rm -rf "$root"
    mkdir -p "$root"
    debootstrap --variant=minbase --include=ca-certificates "$suite" "$root" "$mirror"
    {
        echo "deb $mirror $suite main"
        echo "deb $mirror $suite-updates main"
        if [ -n "$security" ]; then
            echo "deb $security $suite-security main"
        fi
    } >"$root/etc/apt/sources.list"
fi
cat /etc/resolv.conf >"$root/etc/resolv.conf"

echo "== Copying the project into the root's $copy"
mkdir -p "$root$copy"
find "$root$copy" -mindepth 1 -maxdepth 1 ! -name 'build*' -exec rm -rf {} +
if git rev-parse --git-dir >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        tar --null -T - -cf - | tar -xf - -C "$root$copy"
else
    tar --exclude='./build*' -cf - . | tar -xf - -C "$root$copy"
fi

echo "== In Debian 13: $*"
exec bwrap --bind "$root" / \
    --dev-bind /dev /dev --bind /proc /proc --bind /sys /sys \
    --perms 1777 --tmpfs /tmp \
    --cap-add ALL --die-with-parent --chdir "$copy" \
    /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    VELMORIN_TEST_QUICK="${VELMORIN_TEST_QUICK:-0}" VELMORIN_SOUND_SERVER="${VELMORIN_SOUND_SERVER:-both}" \
    "$@"
