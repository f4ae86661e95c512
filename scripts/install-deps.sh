#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
set -eu
packages=(cmake ninja-build g++ make libgtest-dev libudunits2-dev libreadline-dev
          libbenchmark-dev libmuparser-dev)
packages+=(tmux)  # the terminal tests (Ctrl-C, history) drive hostsim through it
packages+=(clang libclang-rt-14-dev)  # the fuzz targets (libFuzzer) in `make test`
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
