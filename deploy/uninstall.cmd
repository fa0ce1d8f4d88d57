@echo off
rem Removes the plug-in and, when named, the card provider and the provider, in this order
rem (the plug-in uses the providers, so it goes first):
rem   uninstall.cmd              the plug-in
rem   uninstall.cmd csp          the plug-in, the provider (both its editions)
rem   uninstall.cmd ucsp         the plug-in, the card provider
rem   uninstall.cmd csp ucsp     everything
rem Exit code: 0 done (a product that was not installed, 1605, counts as done), 3010 done
rem and Windows must be restarted, else the failing msiexec's code (nothing after it runs).
setlocal EnableExtensions
set RESULT=0
set WITH_CSP=
set WITH_UCSP=
for %%A in (%*) do (
  if /i "%%~A"=="csp" set WITH_CSP=1
  if /i "%%~A"=="ucsp" set WITH_UCSP=1
)
call :remove {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} || goto end
if defined WITH_UCSP call :remove {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B} || goto end
if defined WITH_CSP call :remove {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58} || goto end
if defined WITH_CSP call :remove {A93E1F07-26D4-4B8C-9F5A-71E0B3C8D264} || goto end
:end
exit /b %RESULT%

:remove
rem By full path: cmd looks for a bare name in the current folder first, and that may be
rem the distribution's. A 32-bit cmd on 64-bit Windows is sent to SysWOW64's msiexec,
rem which removes the same products.
start "" /wait "%SystemRoot%\System32\msiexec.exe" /x %1 /qn /norestart
set CODE=%ERRORLEVEL%
if %CODE% equ 1605 exit /b 0
if %CODE% equ 3010 set RESULT=3010
if %CODE% equ 3010 exit /b 0
if %CODE% neq 0 set RESULT=%CODE%
exit /b %CODE%
