#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
#
# usage: install-deps.sh [run|test]
#   run   what hostsim and vectrin.so need to build and run (make run)
#   test  that and everything the tests, the fuzz targets and the speed suite need (the default)
set -eu
mode=${1:-test}
packages=(cmake ninja-build g++ make pkg-config libudunits2-dev libreadline-dev)
packages+=(libcpp-httplib-dev nlohmann-json3-dev)  # hostsim --serve
if [ "$mode" = test ]; then
    packages+=(libgtest-dev libbenchmark-dev libmuparser-dev)
    packages+=(clang libclang-rt-14-dev)  # the fuzz targets (libFuzzer) in `make test`
    packages+=(valgrind)                  # the soak transcript runs under it
    packages+=(tmux)                      # the terminal tests (Ctrl-C, history, Tab completion)
    packages+=(chromium chromium-driver python3-selenium)  # the served page's browser test
elif [ "$mode" != run ]; then
    echo "usage: install-deps.sh [run|test]" >&2
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
