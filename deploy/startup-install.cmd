@echo off
rem Group Policy computer startup script: starts setup.exe only where detect-plugin.js (beside
rem this script) finds a product it lists missing or older than the version written there,
rem so that a machine is not refreshed at every boot. It stays in deploy\ of the
rem distribution folder; name it in the policy by its path on a share the computer accounts
rem can read, with setup.exe's component options as its parameters:
rem   startup-install.cmd                the plug-in
rem   startup-install.cmd -csp -ucsp     the plug-in and both providers
rem Exit code: 0 when everything listed is there (nothing is started), else setup.exe's own
rem (3010: installed, the next restart completes it); 1 when the detection itself failed,
rem and then nothing is started either.
setlocal EnableExtensions
rem Tools by full path: the current folder of a startup script is no place to find them.
rem The detection runs twice, once for its exit code and once for its output: a command
rem inside "for /f" gives no exit code back.
set DETECT=%SystemRoot%\System32\cscript.exe //nologo "%~dp0detect-plugin.js"
%DETECT% >nul
if errorlevel 1 exit /b 1
set DETECTED=
for /f "delims=" %%L in ('%DETECT%') do set "DETECTED=%%L"
if defined DETECTED exit /b 0
rem No -log: setup.exe logs into %SystemRoot%\Logs\Orventa\setup.log, a folder it makes for
rem administrators only (the log holds every command line) and keeps to a bounded size.
pushd "%~dp0.."
rem The script's own options first: a value option left without its value among the
rem parameters then ends the run with 1639 instead of taking -silent as its value.
start "" /wait "%~dp0..\setup.exe" -silent -norestart %*
set RESULT=%ERRORLEVEL%
popd
exit /b %RESULT%
