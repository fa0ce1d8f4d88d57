#!/usr/bin/env python3
"""Takes the screenshots in docs/screenshots: setup.exe under Wine, as a user sees it.

    tools/take-screenshots.py [--setup PATH] [--out DIR] [--pristine DIR] [--keep]

One run of `setup.exe -csp -selectDlg` on its own Xvfb in a virtual desktop (so that title
bars are drawn): the confirmation, the dialog in both views, the progress window while a
stand-in msiexec holds the installation, the final message; each cut out of a screenshot
of the whole screen (imagemagick). --pristine DIR clones a prefix kept there."""

import argparse
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests"))

from wine import distribution, kit  # noqa: E402

SCREEN = "1024x768"
DISTRIBUTION = ["csp/csp-x64-kc1-eng.msi", "csp/csp-x64-kc1-rus.msi",
                "plugin/velumcom-2.1.0-x64.msi"]
TIMEOUT = 60
ACTIVATION_ATTEMPTS = 5
INACTIVE_TITLE = "srgb(128,128,128)"  # the prefix's InactiveTitle colour
WINE_FONTS = Path("/usr/share/wine/fonts")
CAPTION = "Орвента ЭЦП Browser plug-in"


class Session:
    """setup.exe running in a virtual desktop, and the means to look at it."""

    def __init__(self, prefix, helpers, out_dir, work):
        self.prefix = prefix
        self.helpers = helpers
        self.out_dir = out_dir
        self.work = work
        self.taken = []

    def window(self, cls, title=None):
        """Waits for a visible top-level window and has it painted; (how to find it, its
        rectangle)."""
        find = ["--class", cls] + ["--title", title] * bool(title)
        return find, self._find(find + ["--paint"])["rect"]

    def shoot_active(self, name, window):
        """Shoots a window with a title bar as the active one. The desktop's keyboard focus
        reaches Wine's desktop process some time after xdotool gave it, and the window
        must be activated after that to be drawn active: so again until it is."""
        find, rect = window
        for _ in range(ACTIVATION_ATTEMPTS):
            self.focus_desktop()
            self._find(find + ["--activate"])
            self.shoot(name, rect)
            if self.title_colour(name) != INACTIVE_TITLE:
                return
        raise kit.WineError(f"{name}: the window is still drawn inactive")

    def title_colour(self, name):
        return subprocess.run(["convert", str(self.out_dir / f"{name}.png"), "-format",
                               "%[pixel:p{4,4}]", "info:"], capture_output=True, text=True,
                              check=True).stdout.strip()

    def _find(self, find):
        box = kit.answer_box(self.prefix, self.helpers, timeout=TIMEOUT, find=find)[0]
        if box is None:
            raise kit.WineError(f"no such window ({' '.join(find)})")
        return box

    def shoot(self, name, rect):
        x, y, width, height = rect
        full = self.work / f"{name}-screen.png"
        subprocess.run(["import", "-display", self.prefix.display, "-window", "root",
                        str(full)], check=True)
        target = self.out_dir / f"{name}.png"
        # No metadata: a picture drawn again gives the same file.
        subprocess.run(["convert", str(full), "-crop", f"{width}x{height}+{x}+{y}", "+repage",
                        "-strip", "-define", "png:exclude-chunks=date,time", str(target)],
                       check=True)
        full.unlink()
        if target not in self.taken:
            self.taken.append(target)

    def focus_desktop(self):
        """Gives the virtual desktop the keyboard focus, which no window manager does
        here: without it Wine draws every window as inactive."""
        display = self.prefix.display
        if not kit.wait_for(lambda: kit.xdotool(display, "search", "--name", "Wine desktop"),
                            TIMEOUT):
            raise kit.WineError("no virtual desktop window")
        desktop = kit.xdotool(display, "search", "--name", "Wine desktop").split()[0]
        kit.xdotool(display, "windowfocus", "--sync", desktop)

    def box(self, press=None, clicks=()):
        """Reads the open box or dialog, clicks its controls, presses its button."""
        box, closed, lines = kit.answer_box(self.prefix, self.helpers, press, clicks,
                                            timeout=TIMEOUT)
        if not closed:
            raise kit.WineError(f"msgbox.exe {press} {clicks}: {box} {lines}")


def install_wine_fonts(prefix):
    """Wine's Tahoma (the dialog font) and Marlett (the title bar's buttons), which Debian's
    wineboot does not copy into a new prefix: else the close button shows the letter r."""
    fonts = sorted(WINE_FONTS.glob("*.ttf"))
    if not any(font.name == "marlett.ttf" for font in fonts):
        raise kit.WineError(f"no Wine fonts in {WINE_FONTS}: install fonts-wine "
                                "(tools/install-deps.sh)")
    target = prefix.path / "drive_c" / "windows" / "Fonts"
    target.mkdir(parents=True, exist_ok=True)
    for font in fonts:
        shutil.copy2(font, target / font.name)


def take(setup_exe, out_dir, prefix, helpers, work):
    dist = work / "dist"
    distribution.build(dist, DISTRIBUTION)
    shutil.copy2(setup_exe, dist / "setup.exe")
    # The stand-in msiexec holds the installation until released, with the progress
    # window on screen.
    prefix.place_stand_ins(["msiexec"], helpers["standin"])
    log, release = work / "standin.log", work / "release"
    stand_in = {"STANDIN_MSIEXEC": "watch,hold", "STANDIN_LOG": kit.windows_path(log),
                "STANDIN_RELEASE": kit.windows_path(release)}
    out_dir.mkdir(parents=True, exist_ok=True)
    install_wine_fonts(prefix)
    session = Session(prefix, helpers, out_dir, work)

    # Every program of the prefix on one virtual desktop: setup.exe's windows get their
    # title bars, and the helpers that read them share the desktop they are on.
    prefix.wine(["reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d",
                 "Default", "/f"])
    prefix.wine(["reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
                 "/d", SCREEN, "/f"])
    # The desktop is made as the wineserver starts, so that happens again.
    prefix.kill_server()
    program = kit.Started(prefix, helpers, work, kit.windows_path(dist), "setup.exe",
                          ["-csp", "-selectDlg"], extra=stand_in).process
    try:
        session.shoot_active("confirmation", session.window("#32770", CAPTION))
        session.box("Yes")

        session.shoot_active("dialog-compact", session.window("#32770", "VOZEdove"))
        session.box(clicks=["1015"])
        session.shoot_active("dialog-expanded", session.window("#32770", "VOZEdove"))
        session.box("140")

        if not kit.wait_for(lambda: kit.read_stand_in_log(log), TIMEOUT):
            raise kit.WineError("msiexec was not started")
        # Wine draws no title bar for this class: nothing to show as active.
        session.shoot("progress", session.window("Message")[1])
        release.touch()

        session.shoot_active("final-message", session.window("#32770", CAPTION))
        session.box("OK")
        program.wait(TIMEOUT)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    return session.taken


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup", default=str(REPO / "build" / "windows" / "setup.exe"))
    parser.add_argument("--out", default=str(REPO / "docs" / "screenshots"))
    parser.add_argument("--pristine", help="clone the prefix kept in this folder")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    options = parser.parse_args(argv)
    if not Path(options.setup).is_file():
        print(f"no program at {options.setup}: build it first", file=sys.stderr)
        return 2

    started = time.monotonic()
    helpers = kit.build_helpers()
    with kit.session("screenshots", options.keep, options.pristine) as (prefix, work):
        taken = take(Path(options.setup), Path(options.out), prefix, helpers, work)
    for path in taken:
        print(path.relative_to(REPO) if path.is_relative_to(REPO) else path)
    print(f"{len(taken)} screenshots in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
