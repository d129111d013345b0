#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and only what is missing:
# nothing is downloaded when every package is there already, so it is safe to run
# again. Runs as root (or through sudo) with no questions asked.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev libgl-dev fonts-dejavu-core
    # Firebird: client, headers, embedded engine, isql-fb/gbak, loopback superserver
    libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
    # tests
    googletest libgtest-dev xvfb xauth imagemagick tmux procps
)

installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "deps: all ${#packages[@]} packages are installed"
    exit 0
fi
echo "deps: installing ${missing[*]}"

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "deps: missing packages and not root: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo -n)
fi

export DEBIAN_FRONTEND=noninteractive
# The server package asks for a SYSDBA password; give it the one the tests use
# (start-firebird.sh sets it again before starting the server).
echo "firebird3.0-server shared/firebird/sysdba_password/first_install password masterkey" |
    "${as_root[@]}" debconf-set-selections
"${as_root[@]}" apt-get update -q </dev/null
"${as_root[@]}" apt-get install -y -q -o Dpkg::Options::=--force-confdef \
    -o Dpkg::Options::=--force-confold "${missing[@]}" </dev/null

still_missing=()
for package in "${missing[@]}"; do
    installed "$package" || still_missing+=("$package")
done
if [ ${#still_missing[@]} -ne 0 ]; then
    echo "deps: could not install ${still_missing[*]}" >&2
    exit 1
fi
