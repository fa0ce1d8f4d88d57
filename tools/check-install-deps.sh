#!/usr/bin/env bash
# install-deps.sh's package step against a stand-in apt-get: a mirror that answers, one
# whose security index stays stale (the release's own suite then serves), and one that
# neither the lists at hand nor the release's suite can serve.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
sed '/^# Wine needs the locale/,$d' tools/install-deps.sh > "$work/deps.sh"   # packages only
printf '#!/bin/sh\necho 0\n' > "$work/bin/id"
printf '#!/bin/sh\nexit 0\n' > "$work/bin/sleep"
printf '#!/bin/sh\necho not-installed\n' > "$work/bin/dpkg-query"
cat > "$work/bin/apt-get" <<'STUB'
#!/bin/sh
index=http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
case "$1 $MIRROR" in
  "update ok") exit 0 ;;
  update*) echo "E: Failed to fetch $index  File has unexpected size (374820 != 376004). Mirror sync in progress?"; exit 100 ;;
esac
case " $* " in
  *" -s "*) case "$MIRROR $*" in *"stale"*"-t "*) exit 0 ;; *) exit 100 ;; esac ;;
esac
echo "$*" >> "$RECORD"
STUB
chmod +x "$work"/bin/*
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
failed=0
while read -r mirror want_rc want_install want_said; do
    : > "$work/record"
    rc=0; said=$(MIRROR=$mirror RECORD=$work/record PATH="$work/bin:$PATH" sh "$work/deps.sh" 2>&1) || rc=$?
    installed=$(cut -d' ' -f1-5 "$work/record"); installed=${installed:--}
    want_install=${want_install//CODENAME/$codename}; want_said=${want_said//_/ }; want_said=${want_said//CODENAME/$codename}; [ "$want_said" != - ] || want_said=""
    if [ "$rc" != "$want_rc" ] || [ "$installed" != "${want_install//_/ }" ] || [[ "$said" != *"$want_said"* ]]; then
        echo "FAIL $mirror: exit $rc, installed '$installed', said: $said"; failed=1
    else
        echo "ok   $mirror"
    fi
done <<'TABLE'
ok        0 install_-y_--no-install-recommends_g++_cmake -
stale     0 install_-y_--no-install-recommends_-t_CODENAME installing_from_the_release's_own_suite_(CODENAME),_so_this_build_machine's_packages_come_without_that_index's_security_updates
hopeless  1 - nor_from_the_release's_own_suite
TABLE
exit $failed
