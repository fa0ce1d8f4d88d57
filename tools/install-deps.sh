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

# A mirror caught mid-sync serves one index of the wrong size, sometimes for days ("Mirror
# sync in progress?"): apt-get update is tried three times, then the lists at hand are used
# when every package still resolves from them. For the main installation (release_suite
# set) the release's own suite is tried next: a stale security index leaves amd64 libraries
# at security versions whose i386 twins only the release's suite has. Arguments: what
# apt-get install then gets; release_fallback is left holding "-t <codename>" when taken.
release_fallback=""
refresh_package_lists() {
    output=$(mktemp)
    for pause in 20 40 0; do
        if apt-get update >"$output" 2>&1; then
            cat "$output"; rm -f "$output"; return 0
        fi
        cat "$output"
        [ "$pause" -eq 0 ] || { echo "apt-get update failed; trying again in $pause s" >&2; sleep "$pause"; }
    done
    index=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$output" | head -n1)
    rm -f "$output"
    if apt-get install -s -y --no-install-recommends "$@" >/dev/null 2>&1; then
        echo "apt-get update failed three times (${index:-an index}); every package still resolves from the lists at hand: going on" >&2
        return 0
    fi
    if [ -n "${release_suite:-}" ] &&
        apt-get install -s -y --no-install-recommends -t "$release_suite" "$@" >/dev/null 2>&1; then
        echo "apt-get update failed three times (${index:-an index}): installing from the release's own suite ($release_suite), so this build machine's packages come without that index's security updates" >&2
        release_fallback="-t $release_suite"
        return 0
    fi
    echo "the package index ${index:-of one of the sources} could not be fetched three times (the mirror may be in the middle of a sync), and the packages resolve neither from the lists at hand nor from the release's own suite${release_suite:+ ($release_suite)}, which can't serve a machine whose libraries are already at security versions: retry later" >&2
    exit 1
}

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $package"
done

if [ -n "$missing" ] || [ -n "${apt_lists_stale:-}" ]; then
    export DEBIAN_FRONTEND=noninteractive
    release_suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    # shellcheck disable=SC2086 # one word per package
    refresh_package_lists $packages
    release_suite=""
    # shellcheck disable=SC2086 # one word per package; release_fallback is "-t <suite>" or empty
    apt-get install -y --no-install-recommends $release_fallback $packages
fi

# Wine needs the locale it runs under: ru_RU.UTF-8 makes the system UI language Russian.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
    sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen
fi

# setup.exe and Wine's own 32-bit loader are 32-bit programs. Some kernels boot with IA-32
# emulation off and refuse them ("Exec format error"); there binfmt_misc hands them to
# qemu-user. Bookworm's qemu 7.2 ignores MAP_FIXED_NOREPLACE and takes about 50 s to start
# each Wine process, so the one from bookworm-backports (10) is used.
loader=/usr/lib/wine/wine
binfmt=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static
# The kernel keeps the interpreter of an F entry open from its registration on: this stamp
# (lost with the kernel at boot, as the entry is) tells whether the file has changed since.
stamp=/run/setup-build-qemu-i386.registered

runs_32bit() { "$loader" --version >/dev/null 2>&1; }

if [ -e "$binfmt/qemu-i386" ] && ! grep -qx enabled "$binfmt/qemu-i386"; then
    echo -1 > "$binfmt/qemu-i386"   # a disabled entry of another's: ours replaces it
fi
if [ ! -e "$binfmt/qemu-i386" ] && runs_32bit; then
    echo "32-bit programs: run natively by this kernel"
    exit 0
fi
if [ ! -e "$binfmt/qemu-i386" ] && ! "$loader" --version 2>&1 | grep -q 'Exec format error'; then
    echo "32-bit programs: $loader does not start, and not for lack of IA-32 emulation:" >&2
    "$loader" --version >&2 || true
    exit 1
fi

if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || echo 0)" ge 1:10; then
    if ! apt-cache policy 2>/dev/null | grep -q 'bookworm-backports'; then
        mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)
        printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
            "${mirror:-http://deb.debian.org/debian}" /usr/share/keyrings/debian-archive-keyring.gpg \
            > /etc/apt/sources.list.d/bookworm-backports.sources
        refresh_package_lists -t bookworm-backports qemu-user-static
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        -t bookworm-backports qemu-user-static
fi

if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" || {
        echo "32-bit programs can't run here: this kernel refuses them and binfmt_misc can't be" \
             "mounted; boot it with ia32_emulation=on, or give the machine binfmt_misc" >&2
        exit 1
    }
fi
identity=$(stat -L -c '%d:%i:%Y' "$qemu")
entry_ok() {
    grep -qx enabled "$binfmt/qemu-i386" && grep -qx "interpreter $qemu" "$binfmt/qemu-i386" &&
        grep -q '^flags: .*F' "$binfmt/qemu-i386" && [ "$(cat "$stamp" 2>/dev/null)" = "$identity" ]
}
if [ -e "$binfmt/qemu-i386" ] && ! entry_ok; then
    echo -1 > "$binfmt/qemu-i386"
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        > "$binfmt/register"
    echo "$identity" > "$stamp"
fi
if ! runs_32bit; then
    echo "32-bit programs can't run here even through $qemu; see $binfmt/qemu-i386" >&2
    exit 1
fi
echo "32-bit programs: run through $("$qemu" --version | head -n1) (this kernel refuses them)"
