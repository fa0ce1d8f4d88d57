#!/bin/sh
# Installs what building setup.exe and running every test needs, on Debian 12, as root.
# Safe to run again: it only asks apt when something is missing.
set -eu

packages="g++ cmake libgtest-dev googletest g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 wine32:i386 wixl xvfb xdotool xauth icoutils imagemagick openssl locales
  python3 python3-pefile clang libclang-rt-14-dev fonts-wine osslsigncode git"

if [ "$(id -u)" -ne 0 ]; then
    echo "run as root (apt-get and locale-gen need it)" >&2
    exit 1
fi

# wine32:i386 runs the 32-bit setup.exe.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_lists_stale=1
fi

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $package"
done

if [ -n "$missing" ] || [ -n "${apt_lists_stale:-}" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086 # one word per package
    apt-get install -y --no-install-recommends $packages
fi

# Wine needs the locale it runs under: ru_RU.UTF-8 makes the system UI language Russian.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
    sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi
