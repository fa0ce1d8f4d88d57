#!/usr/bin/env python3
"""The configuration dialog under Wine, as a user meets it: its compiled template, icon
and version information read back out of setup.exe, then the dialog itself shown by the
Win32 layer and driven with keys and clicks through xdotool.

Usage: dialog_under_wine.py LAYER_TEST.exe SETUP.exe
Needs DISPLAY (an X server without a window manager, such as Xvfb), WINEPREFIX, wine,
xdotool, wrestool and icotool. Prints one line per check; exit status 0 when all pass.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "tools"))
import setup_resources  # noqa: E402

TITLE = "VOZEdove"
COMPACT = {140, 2, 1011, 1014, 1015}
EXPANDED = {140, 2, 1006, 1007, 1008, 1009, 1010, 1012, 1013, 1015}
TIMEOUT = 30

failures = 0


def expect(ok, what):
    global failures
    print("%s %s" % ("ok  " if ok else "FAIL", what), flush=True)
    if not ok:
        failures += 1
    return ok


def check_resources(setup_exe):
    def extract(*options):
        return subprocess.run(["wrestool", "-x", *options, setup_exe], check=True,
                              stdout=subprocess.PIPE).stdout

    problems = setup_resources.check_dialog(extract("--raw", "--type=5", "--name=141"))
    expect(not problems, "template 141 compiled as the dialog needs it" +
           "".join("\n       " + problem for problem in problems))

    # wrestool puts the group and its images back together as an .ico file.
    icon_file = os.path.join(os.environ.get("TMPDIR", "/tmp"), "setup-icon-%d.ico" % os.getpid())
    with open(icon_file, "wb") as file:
        file.write(extract("--type=14", "--name=100"))
    listing = subprocess.run(["icotool", "-l", icon_file], check=True, stdout=subprocess.PIPE,
                             text=True).stdout
    os.unlink(icon_file)
    images = {(int(w), int(h), int(b)) for w, h, b in
              re.findall(r"--width=(\d+) --height=(\d+) --bit-depth=(\d+)", listing)}
    expect(images == setup_resources.ICON_IMAGES and len(listing.splitlines()) == 4,
           "icon group 100 holds 16 and 32 pixels in 4 and 8 bits: %s" % sorted(images))

    listed = subprocess.run(["wrestool", "-l", "--type=16", setup_exe], check=True,
                            stdout=subprocess.PIPE, text=True).stdout
    language = re.search(r"--language=(\d+)", listed)
    problems = setup_resources.check_version(extract("--raw", "--type=16"),
                                             int(language.group(1)) if language else -1)
    expect(not problems, "version information, Russian, 1.0.0.0" +
           "".join("\n       " + problem for problem in problems))


class Dialog:
    """One dialog shown by the layer test in a process of its own."""

    def __init__(self, layer_test, language):
        self.layer_test = layer_test
        self.process = subprocess.Popen(["wine", layer_test, "dialog", language],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True, encoding="utf-8")

    def appeared(self):
        deadline = time.time() + TIMEOUT
        while time.time() < deadline:
            found = subprocess.run(["xdotool", "search", "--name", "^%s$" % TITLE],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            if found.returncode == 0 and found.stdout.split():
                return True
            time.sleep(0.2)
        return False

    def state(self):
        """What the dialog shows, read by the layer test from another process."""
        output = subprocess.run(["wine", self.layer_test, "dialog-state"], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, encoding="utf-8").stdout
        state = {"centre": {}}
        for line in output.splitlines():
            name, _, rest = line.partition(" ")
            if name == "centre":
                control, x, y = map(int, rest.split())
                state["centre"][control] = (x, y)
            elif name in ("visible", "checked"):
                state[name] = {int(item) for item in rest.split()}
            elif name in ("focus",):
                state[name] = int(rest)
            elif name in ("offcentre", "style"):
                state[name] = tuple(int(item, 0) for item in rest.split())
            else:
                state[name] = rest
        return state

    def state_when(self, condition):
        """The first state that meets `condition`, or the last one seen."""
        deadline = time.time() + 10
        state = self.state()
        while not condition(state) and time.time() < deadline:
            time.sleep(0.2)
            state = self.state()
        return state

    def click(self, control, state):
        if control not in state["centre"]:
            expect(False, "control %d is there to click" % control)
            return
        x, y = state["centre"][control]
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], check=True)

    def close_box(self):
        subprocess.run(["wine", self.layer_test, "dialog-close"], check=True,
                       stderr=subprocess.DEVNULL)

    def ended(self):
        """The lines the dialog's process printed, once it has ended."""
        try:
            output, _ = self.process.communicate(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            output, _ = self.process.communicate()
            output += "\nstill open"
        return dict(line.split(" ", 1) for line in output.splitlines() if " " in line)


def opens_compact_and_return_takes_the_initial_choice(layer_test):
    dialog = Dialog(layer_test, "rus")
    if not expect(dialog.appeared(), "xdotool finds the dialog by its title " + TITLE):
        dialog.ended()
        return
    state = dialog.state()
    expect(state.get("title") == TITLE, "the title is %s" % state.get("title"))
    expect(state.get("visible") == COMPACT,
           "it opens compact: slogan and welcome text, Next, Cancel, Options: %s"
           % sorted(state.get("visible", ())))
    expect(state.get("caption") == "Опции", "Options reads %s" % state.get("caption"))
    expect(state.get("checked") == {1006, 1008},
           "a Russian system opens with Русский and KC1 checked: %s"
           % sorted(state.get("checked", ())))
    expect(state.get("focus") == 140, "Next has the focus")
    offcentre = state.get("offcentre", (99, 99))
    expect(max(map(abs, offcentre)) <= 1, "it stands centred on the screen: off by %s"
           % (offcentre,))
    style, exstyle = state.get("style", (0, 0))
    expect(style & 0x80C808C8 == 0x80C808C8 and exstyle & 0x100,
           "the window has the template's styles: %#x %#x" % (style, exstyle))
    dialog.key("Return")
    lines = dialog.ended()
    expect(lines.get("icon") == "1 32 32", "its big icon is 32 x 32: %s" % lines.get("icon"))
    expect(lines.get("outcome") == "next kc1* rus*",
           "Return presses Next on the initial choice: %s" % lines.get("outcome"))


def escape_and_the_close_box_cancel(layer_test):
    dialog = Dialog(layer_test, "eng")
    if dialog.appeared():
        state = dialog.state()
        expect(state.get("checked") == {1007, 1008},
               "an English system opens with English and KC1 checked: %s"
               % sorted(state.get("checked", ())))
        dialog.key("Escape")
    expect(dialog.ended().get("outcome") == "cancelled", "Escape cancels")

    dialog = Dialog(layer_test, "rus")
    if dialog.appeared():
        dialog.state()
        dialog.close_box()
    expect(dialog.ended().get("outcome") == "cancelled", "the close box cancels")


def options_toggles_and_clicks_choose(layer_test):
    dialog = Dialog(layer_test, "rus")
    if not dialog.appeared():
        expect(False, "the dialog appears")
        dialog.ended()
        return
    state = dialog.state()
    dialog.click(1015, state)
    state = dialog.state_when(lambda s: s.get("caption") != "Опции")
    expect(state.get("caption") == "Скрыть" and state.get("visible") == EXPANDED,
           "Options shows the radio groups and reads Скрыть: %s, %s"
           % (state.get("caption"), sorted(state.get("visible", ()))))
    dialog.click(1007, state)
    dialog.click(1010, state)
    state = dialog.state_when(lambda s: s.get("checked") == {1007, 1010})
    expect(state.get("checked") == {1007, 1010},
           "clicks check English and KC3 and clear the others: %s"
           % sorted(state.get("checked", ())))
    dialog.click(1015, state)
    state = dialog.state_when(lambda s: s.get("caption") == "Опции")
    expect(state.get("caption") == "Опции" and state.get("visible") == COMPACT,
           "Options again brings the compact view back: %s, %s"
           % (state.get("caption"), sorted(state.get("visible", ()))))
    expect(state.get("checked") == {1007, 1010}, "the choice survives the switches")
    dialog.click(140, state)
    expect(dialog.ended().get("outcome") == "next kc3* eng*",
           "Next gives kc3* and eng*")


def arrow_keys_move_within_a_radio_group(layer_test):
    dialog = Dialog(layer_test, "eng")
    if not dialog.appeared():
        expect(False, "the dialog appears")
        dialog.ended()
        return
    state = dialog.state()
    dialog.click(1015, state)
    state = dialog.state_when(lambda s: s.get("visible") == EXPANDED)
    dialog.click(1009, state)
    dialog.state_when(lambda s: s.get("focus") == 1009)
    dialog.key("Down")
    state = dialog.state_when(lambda s: s.get("checked") == {1007, 1010})
    expect(state.get("checked") == {1007, 1010} and state.get("focus") == 1010,
           "Down moves from KC2 to KC3 and checks it: %s, focus %s"
           % (sorted(state.get("checked", ())), state.get("focus")))
    dialog.key("Return")
    expect(dialog.ended().get("outcome") == "next kc3* eng*",
           "Return on a radio button presses Next: kc3* and eng*")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    layer_test, setup_exe = sys.argv[1], sys.argv[2]
    check_resources(setup_exe)
    opens_compact_and_return_takes_the_initial_choice(layer_test)
    escape_and_the_close_box_cancel(layer_test)
    options_toggles_and_clicks_choose(layer_test)
    arrow_keys_move_within_a_radio_group(layer_test)
    print("%d dialog failure(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
