#!/usr/bin/env python3
"""Runs one suite that starts setup.exe, a 32-bit program, under Wine. On a machine whose
kernel runs no 32-bit programs (IA-32 emulation off: Wine's 32-bit loader fails with "Exec
format error") no such suite can start; it then says so and exits 77, which CTest reports
as skipped rather than passed or failed."""
import errno, os, subprocess, sys

LOADER = "/usr/lib/wine/wine"  # Debian's 32-bit Wine loader (wine32:i386)
SKIPPED = 77


def main():
    try:
        subprocess.run([LOADER, "--version"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
    except OSError as error:
        if error.errno != errno.ENOEXEC:
            raise
        print(f"SKIPPED: this machine's kernel runs no 32-bit programs ({LOADER}: {error}); "
              "setup.exe can't be run under Wine here", flush=True)
        return SKIPPED
    os.execvp(sys.executable, [sys.executable, *sys.argv[1:]])


if __name__ == "__main__":
    sys.exit(main())
