#!/usr/bin/env bash
# tests/package/checkPackages.sh - the Debian packages as a user gets them: the files the install
# rules promise and no others, the project's version, no lintian error or warning, installable
# by apt. dpkg installs them into a throw-away root whose /usr is laid over the system's in a
# mount namespace of the test's own: there the installed hostsim runs, man shows its page, and
# LibreCAD with an empty ~/.librecad passes its end-to-end test with the plug-in from its system
# folder. Purging them from the root must leave nothing.
#
# usage: checkPackages.sh SOURCE VERSION WORKDIR
# Exits 77 (skipped) when a program it needs is missing or no mount namespace can be made.
set -u
exec </dev/null
stage=outside
[ "$1" = --inside ] && { stage=inside; shift; }
source=$(cd "$1" && pwd) version=$2 work=$3
failed=0
fail() { echo "package check: $*"; failed=1; }
expect() {  # expect WHAT WANTED GOT
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}
for tool in dpkg-deb dpkg-shlibdeps file lintian unshare man; do
    command -v "$tool" >/dev/null ||
        { echo "skipped: $tool is not installed (make test installs it)"; exit 77; }
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH) architecture=$(dpkg --print-architecture)
lib=usr/lib/$multiarch/vectrin
debs=("$source/build-package/vectrin_${version}_$architecture.deb"
      "$source/build-package/vectrin-librecad_${version}_$architecture.deb")

inside() {  # in the namespace: install, run as installed, remove
    local root=$work/root
    rm -rf "$root" && mkdir -p "$root"/var/lib/dpkg/{info,updates,triggers} &&
        : >"$root/var/lib/dpkg/status"
    PATH=$PATH:/usr/sbin:/sbin dpkg --root="$root" --force-depends --log=/dev/null -i \
        "${debs[@]}" >"$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; fail "dpkg -i failed"; return; }
    expect "the changelog's latest entry" "vectrin ($version) unstable; urgency=medium" \
        "$(zcat "$root/usr/share/doc/vectrin/changelog.gz" | head -n 1)"
    mount -t overlay vectrin -o "lowerdir=$root/usr:/usr" /usr ||
        { fail "no overlay on /usr"; return; }
    cd /
    local hostsim=/usr/bin/hostsim
    expect "hostsim --version" "hostsim (vectrin) $version" "$($hostsim --version 2>&1)"
    expect "hostsim -e 1+2" 3 "$($hostsim -e 1+2 2>&1)"
    expect "the serve part" http://127.0.0.1 \
        "$(timeout 5 $hostsim --serve 2>/dev/null | head -n 1 | cut -d: -f1-2)"
    expect "man hostsim: the --precision option" 1 \
        "$(MANWIDTH=100 man hostsim 2>&1 | grep -c -- '^ *--precision N$')"
    /usr/bin/python3 "$source/tests/adapters/librecad/librecadEndToEnd.py" /usr/bin/hostsim \
        "/$lib/vectrin.so" - /usr/share/vectrin/demo.dxf "$work/librecad"
    case $? in 0) ;; 77) exit 77 ;; *) fail "LibreCAD end to end with the installed plug-in" ;; esac
    expect "the plug-in's version, once in LibreCAD's history" 1 \
        "$(grep -c -x "vectrin $version" "$work/librecad/history.log")"
    cd "$work" && umount --lazy /usr
    dpkg --root="$root" --log=/dev/null --purge vectrin-librecad vectrin >>"$work/dpkg.log" 2>&1 ||
        fail "dpkg --purge failed"
    expect "what the packages left behind" "" "$(cd "$root" && find . -path ./var -prune -o -print \
        | grep -v -x .)"
}
if [ $stage = inside ]; then
    inside
    exit $failed
fi

mkdir -p "$work"
rm -f "${debs[@]}"
(cd "$source" && cmake --preset package && cmake --build --preset package &&
    cpack --preset package) >"$work/build.log" 2>&1 ||
    { tail -n 30 "$work/build.log"; echo "package check: the packages could not be built"; exit 1; }

# PACKAGE PATH: the files each package must hold, a link as PATH -> TARGET; it holds no others
# but documents in its folder under usr/share/doc.
plugin=libvectrin_librecad.so
expected="vectrin usr/bin/hostsim
vectrin $lib/vectrin.so
vectrin $lib/vectrin.de.so
vectrin $lib/hostsim-serve.so
vectrin usr/share/man/man1/hostsim.1.gz
vectrin usr/share/vectrin/demo.dxf
vectrin usr/share/doc/vectrin/README.md
vectrin usr/share/doc/vectrin/copyright
vectrin usr/share/doc/vectrin/changelog.gz
vectrin-librecad $lib/$plugin
vectrin-librecad usr/share/librecad/plugins/$plugin -> ../../../${lib#usr/}/$plugin
vectrin-librecad usr/share/doc/vectrin-librecad/copyright
vectrin-librecad usr/share/doc/vectrin-librecad/changelog.gz"
declare -A held
for deb in "${debs[@]}"; do
    package=$(dpkg-deb -f "$deb" Package)
    expect "$(basename "$deb")'s version" "$version" "$(dpkg-deb -f "$deb" Version)"
    held[$package]=$(dpkg-deb -c "$deb" | grep -v '^d' | sed 's/^\([^ ]* *\)\{5\}\.\///')
    while read -r path; do
        grep -q -x -F "$package $path" <<<"$expected" || [[ $path == usr/share/doc/$package/* ]] ||
            fail "$package holds $path, which no install rule promises"
    done <<<"${held[$package]}"
done
while read -r package path; do
    grep -q -x -F "$path" <<<"${held[$package]:-}" || fail "$package lacks $path"
done <<<"$expected"
depends=$(dpkg-deb -f "${debs[1]}" Depends)
[[ $depends == "vectrin (= $version), librecad (>= "*", librecad (<< "* ]] ||
    fail "vectrin-librecad's dependencies: $depends"
report=$(lintian --fail-on error,warning "${debs[@]}" 2>&1) ||
    fail "lintian reports an error or a warning"
grep -v "running with root privileges" <<<"$report"
apt-get install -s "${debs[@]}" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get cannot install the packages here"; }

namespace=(unshare --mount --propagation private)
[ "$(id -u)" = 0 ] || namespace+=(--map-root-user)
why=$("${namespace[@]}" true 2>&1) || {
    echo "skipped: no mount namespace for the installed packages: $why (run as root, outside"
    echo "a chroot whose / is no mount point, or allow user namespaces: sysctl"
    echo "kernel.unprivileged_userns_clone=1)"
    exit 77
}
"${namespace[@]}" bash "$0" --inside "$source" "$version" "$work"
status=$?
[ $status = 77 ] && exit 77
[ $status = 0 ] || failed=1
[ $failed = 0 ] && echo "package check: both packages pass ($source/build-package)"
exit $failed
