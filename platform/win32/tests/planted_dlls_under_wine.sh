#!/bin/sh
# setup.exe must not load a DLL that lies beside it or in its start folder: msi.dll,
# crypt32.dll and comctl32.dll are not known DLLs, so Windows would look there first.
# Wine prefers its own DLLs, but with WINEDLLOVERRIDES=NAME=n,b it searches like Windows.
# A control program that imports them plainly must load the planted copies (else the test
# proves nothing); setup.exe must load none of them.
set -eu
root=$(cd "$(dirname "$0")/../../.." && pwd)
setup="$root/build/windows/setup.exe"
[ -f "$setup" ] || { echo "build setup.exe first" >&2; exit 2; }
work=$(mktemp -d /tmp/planted.XXXXXX)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

dlls="msi crypt32 comctl32"
mkdir -p "$work/dist/plugin"
cp "$setup" "$work/dist/setup.exe"
i686-w64-mingw32-gcc -O2 -municode -mwindows -static -o "$work/dist/control.exe" \
  "$root/platform/win32/tests/control_importer.c"
for dll in $dlls; do
  i686-w64-mingw32-gcc -shared -o "$work/dist/$dll.dll" \
    "$root/platform/win32/tests/planted_library.c" -DMARKER="L\"planted-$dll\""
done


if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
fi
export WINEPREFIX="$work/prefix" LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init >/dev/null 2>&1
wineserver -w

overrides="mscoree,mshtml=;msi,crypt32,comctl32=n,b"
failures=0
run() {  # PROGRAM ARGS...: runs it from the distribution folder, planted DLLs beside it
  rm -f "$work/dist"/planted-*
  (cd "$work/dist" && WINEDEBUG=+loaddll WINEDLLOVERRIDES="$overrides" timeout 120 \
    wine "$@" >/dev/null 2>"$work/loaddll.log") || true
  wineserver -w
}

run control.exe
for dll in $dlls; do
  if [ -e "$work/dist/planted-$dll" ]; then
    echo "ok   the control program loads a planted $dll.dll"
  else
    echo "FAIL the control program did not load the planted $dll.dll: the test can't see it"
    failures=$((failures + 1))
  fi
done

# A silent run that reaches the installer, the progress window and (with -ucsp) the
# certificate store: a slow stand-in msiexec keeps the progress window up long enough to
# be drawn, then the run ends with the stand-in's code.
i686-w64-mingw32-gcc -O2 -static -o "$work/dist/msiexec.exe" -x c - <<'C'
#include <windows.h>
int main(void) { Sleep(1500); return 0; }
C
run setup.exe -ucsp -silent
for dll in $dlls; do
  # Wine's trace names every DLL a process loads, with its path.
  loaded=$(grep -i "Loaded L\".*\\\\$dll.dll\"" "$work/loaddll.log" | head -1)
  if [ -e "$work/dist/planted-$dll" ]; then
    echo "FAIL setup.exe loaded the $dll.dll planted beside it"
    failures=$((failures + 1))
  elif [ -z "$loaded" ]; then
    echo "FAIL setup.exe did not load $dll.dll at all: the run proves nothing"
    failures=$((failures + 1))
  else
    echo "ok   setup.exe loaded the system's $dll.dll, not the planted one"
  fi
done
echo "$failures planted-DLL failure(s)"
[ "$failures" -eq 0 ]
