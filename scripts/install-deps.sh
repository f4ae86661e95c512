#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
#
# usage: install-deps.sh [run|librecad|shots|deb|test]
#   run       what hostsim and vectrin.so need to build and run (make run)
#   librecad  that, LibreCAD and Qt 5's headers for the plug-in (make librecad)
#   shots     that, Xvfb, xdotool and ImageMagick for the LibreCAD screenshot
#             (make librecad-screenshot)
#   deb       librecad's and the tools that make the Debian packages (make deb)
#   test      run's and everything the tests, the fuzz targets and the speed suite need (the
#             default), LibreCAD's end-to-end test and the package check included
# Everything is named, nothing left to recommendations: on a minimal Debian 12 (debootstrap's
# minbase) with make alone, make test installs what it needs from here.
set -eu
mode=${1:-test}
packages=(cmake ninja-build g++ make pkg-config libudunits2-dev libreadline-dev)
packages+=(libcpp-httplib-dev nlohmann-json3-dev)  # hostsim --serve
librecad_packages=(librecad qtbase5-dev)  # the plug-in: LibreCAD and the Qt it is built with
librecad_packages+=(xz-utils patch)       # fetchLibrecadHeaders.sh unpacks and patches the source
deb_packages=(dpkg-dev file)              # CPack's DEB generator: dpkg-shlibdeps, file
if [ "$mode" = librecad ]; then
    packages+=("${librecad_packages[@]}")
elif [ "$mode" = shots ]; then
    packages+=("${librecad_packages[@]}" xvfb xdotool imagemagick)
elif [ "$mode" = deb ]; then
    packages+=("${librecad_packages[@]}" "${deb_packages[@]}")
elif [ "$mode" = test ]; then
    packages+=(libgtest-dev libbenchmark-dev libmuparser-dev)
    packages+=(clang libclang-rt-14-dev)  # the fuzz targets (libFuzzer) in `make test`
    packages+=(clang-format-14)           # make test checks the layout of the sources
    packages+=(valgrind)                  # the soak transcript runs under it
    packages+=(tmux)                      # the terminal tests (Ctrl-C, history, Tab completion)
    packages+=(man-db)                    # the install check reads the manual page with man
    packages+=(chromium chromium-driver python3-selenium)  # the served page's browser test
    packages+=("${librecad_packages[@]}" xvfb xdotool)     # LibreCAD's end-to-end test
    packages+=("${deb_packages[@]}" lintian)               # the package check
elif [ "$mode" != run ]; then
    echo "usage: install-deps.sh [run|librecad|shots|deb|test]" >&2
    exit 2
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
