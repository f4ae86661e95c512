#!/usr/bin/env bash
# scripts/cleanMachine.sh - make test on a minimal Debian 12, as CI sees a fresh machine:
# debootstrap's minbase variant in a folder, this checkout's files copied in (what git tracks or
# would add, no build folders), make installed as the README says, then make test as root in a
# chroot, and make deb with its packages installed, run and removed by apt-get. /proc, /dev,
# /dev/shm and /sys are mounted in a mount namespace of the run's own, so nothing stays mounted
# when it ends; /etc/hosts names localhost.
#
# usage: cleanMachine.sh [FOLDER]      as root, with debootstrap installed
#   FOLDER is where the root is made (default: a new folder under /var/tmp); it is removed at the
#   end unless KEEP=1. Downloaded packages are kept in VECTRIN_CLEAN_CACHE (default
#   /var/cache/vectrin-clean-machine) for the next run. The mirror is the machine's own Debian
#   mirror, as its apt sources name it, else deb.debian.org.
set -euo pipefail
checkout=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "cleanMachine: run it as root (debootstrap and chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null ||
    { echo "cleanMachine: debootstrap is not installed (apt-get install debootstrap)" >&2; exit 2; }
root=${1:-$(mktemp -d /var/tmp/vectrin-clean.XXXXXX)}
cache=${VECTRIN_CLEAN_CACHE:-/var/cache/vectrin-clean-machine}
mkdir -p "$root" "$cache/debootstrap" "$cache/apt/partial"
root=$(cd "$root" && pwd)
[ -z "$(ls -A "$root")" ] || { echo "cleanMachine: $root is not empty" >&2; exit 2; }
# --one-file-system: should a mount outlive the namespace, the removal stops at it
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf --one-file-system "$root"' EXIT

# The first URI of the machine's sources that ends in /debian or /debian-security.
sourceUri() {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
        2>/dev/null | grep -o -E "https?://[^ ]*/$1/?( |$)" | head -n 1 | tr -d ' ' | sed 's|/$||'
}
mirror=$(sourceUri debian || true)
mirror=${mirror:-http://deb.debian.org/debian}
security=$(sourceUri debian-security || true)
security=${security:-http://deb.debian.org/debian-security}

echo "cleanMachine: debootstrap --variant=minbase bookworm into $root from $mirror"
debootstrap --variant=minbase --cache-dir="$cache/debootstrap" bookworm "$root" "$mirror" \
    >"$root.debootstrap.log" 2>&1 || { tail -n 20 "$root.debootstrap.log"; exit 1; }
rm -f "$root.debootstrap.log"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
cp /etc/resolv.conf "$root/etc/resolv.conf"

mkdir -p "$root/root/vectrin"
(cd "$checkout" && git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$root/root/vectrin"

# What runs in the root: make installed as the README says, make test; then make deb, the two
# packages installed by apt-get and run, and removed again, leaving none of their files.
cat >"$root/root/cleanRun.sh" <<'END'
set -eu
apt-get update -qq
apt-get install -y -qq make >/dev/null
cd /root/vectrin
make test
make deb
files=$(dpkg-deb -c vectrin_*.deb; dpkg-deb -c vectrin-librecad_*.deb)
apt-get install -y -qq ./vectrin_*.deb ./vectrin-librecad_*.deb >/dev/null
echo "installed: hostsim -e 1+2 gives $(cd / && hostsim -e 1+2), man hostsim shows" \
    "$(man hostsim 2>/dev/null | grep -c -e '--precision N') line on --precision N"
apt-get remove -y -qq vectrin vectrin-librecad >/dev/null
left=$(sed -n 's|^[^d].* \./\([^ ]*\).*|/\1|p' <<<"$files" |
    while read -r f; do if [ -e "$f" ] || [ -L "$f" ]; then echo "$f"; fi; done)
[ -z "$left" ] || { echo "cleanMachine: apt-get remove left $left"; exit 1; }
echo "cleanMachine: make deb, apt-get install, apt-get remove: nothing left behind"
END

echo "cleanMachine: apt-get install make, then make test and make deb in the minimal root"
unshare --mount --propagation private bash -c '
    set -e
    root=$1 cache=$2
    mount --bind "$root" "$root"  # / in the chroot is a mount point: the tests make namespaces
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
    mount --rbind /sys "$root/sys"
    mount --bind "$cache" "$root/var/cache/apt/archives"
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash /root/cleanRun.sh
' cleanMachine "$root" "$cache/apt"
echo "cleanMachine: make test passed on a minimal Debian 12"
