#!/usr/bin/env bash
# Installs the Debian packages the viewer needs to build, run and test,
# skipping what is already there.
set -euo pipefail
packages=(cmake make g++ qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite
          fonts-dejavu-core xvfb xauth qtbase5-private-dev libsqlite3-dev
          python3-olefile clang libclang-rt-14-dev zlib1g-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
