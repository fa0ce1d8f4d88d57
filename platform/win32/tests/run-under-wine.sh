#!/bin/sh
# Builds the Win32 layer test and runs it under Wine with a package, a certificate and DLLs
# planted beside it; then drives the configuration dialog (dialog_under_wine.py). Needs the
# windows preset configured (cmake --preset windows), wine, wixl, openssl, xdotool,
# icoutils, python3 and Xvfb (unless DISPLAY is set).
# Environment: WINEPREFIX to reuse a prefix (a fresh one is made in a temporary folder
# otherwise), TEST_DISPLAY for Xvfb's display number (default 58).
set -eu
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d /tmp/win32-layer-test.XXXXXX)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  if [ "${KEEP_PREFIX:-}" != 1 ] && [ "${WINEPREFIX:-}" = "$work/prefix" ]; then
    wineserver -k 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

(cd "$root" && cmake --build --preset windows --target win32_layer_test setup >/dev/null)

mkdir -p "$work/bin" "$work/cwd"
cp "$root/build/windows-tree/win32_layer_test.exe" "$work/bin/"
for dll in msi crypt32; do
  i686-w64-mingw32-gcc -shared -o "$work/bin/$dll.dll" "$root/platform/win32/tests/planted_library.c"
done

long=$(printf 'L%.0s' $(seq 300))
cat > "$work/package.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{5A0C3E71-94B2-4D1F-8C6A-7E2B1D0F9A31}" Name="Layer test" Language="1049"
           Version="1.2.3" Manufacturer="Test" UpgradeCode="{5A0C3E71-94B2-4D1F-8C6A-7E2B1D0F9A32}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Property Id="ISReleaseFlags" Value="kc2,rus"/>
    <Property Id="LongProperty" Value="$long"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="LayerTest">
          <Component Id="Main" Guid="{5A0C3E71-94B2-4D1F-8C6A-7E2B1D0F9A33}"><CreateFolder/></Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
WXS
wixl -o "$work/package.msi" "$work/package.wxs"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -outform DER \
  -out "$work/root.cer" -days 2 -subj "/CN=Layer test $$" 2>/dev/null

if [ -z "${DISPLAY:-}" ]; then
  display=":${TEST_DISPLAY:-58}"
  Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
fi
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="msi,crypt32=n,b"
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/prefix"
  wineboot --init >/dev/null 2>&1
fi
# A 64-bit prefix runs 32-bit programs under WOW64.
wow64=0
[ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && wow64=1

status=0
timeout 300 wine "$work/bin/win32_layer_test.exe" "$(winepath -w "$work/cwd")" \
  "$(winepath -w "$work/package.msi")" "$(winepath -w "$work/root.cer")" "$wow64" || status=$?
if [ -e "$work/bin/planted-dll-loaded" ]; then
  echo "FAIL a DLL planted beside the program was loaded"
  status=1
else
  echo "ok   the DLLs planted beside the program were not loaded"
fi
# Away from the planted DLLs: the dialog has nothing to do with them.
timeout 600 python3 "$root/platform/win32/tests/dialog_under_wine.py" \
  "$root/build/windows-tree/win32_layer_test.exe" "$root/build/windows/setup.exe" || status=1
exit "$status"
