#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, only when missing.
# "fuzz" as argument adds clang and its fuzzer runtime.
set -euo pipefail

packages=(
    build-essential cmake libgeographiclib-dev libboost-dev libgeos-dev
    qtbase5-dev qttools5-dev qttools5-dev-tools qttranslations5-l10n libqt5sql5-sqlite
    fonts-dejavu-core python3 lld tzdata
    libmicrohttpd-dev curl libgdal-dev
    postgresql libqt5sql5-psql
)
if [ "${1:-}" = "fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
