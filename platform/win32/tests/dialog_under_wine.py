#!/usr/bin/env python3
"""The configuration dialog under Wine, as a user meets it: shown by the Win32 layer test
(win32_layer_test.exe, built by layer_under_wine.py's build step) and driven with keys and
clicks through xdotool, on an Xvfb and in a prefix of its own. Its compiled template,
icon and version information are checked by tests/binary/check_binary.py.

    platform/win32/tests/dialog_under_wine.py     (exit status 0 when all pass)

Prints one line per check.
"""
import os
import subprocess
import sys
import time

from layer_under_wine import build_layer_test, kit

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
    layer_test = str(build_layer_test())
    with kit.session("dialog-test") as (prefix, _):
        # Every wine and xdotool below runs in this prefix and on this display.
        os.environ.update(prefix.env())
        opens_compact_and_return_takes_the_initial_choice(layer_test)
        escape_and_the_close_box_cancel(layer_test)
        options_toggles_and_clicks_choose(layer_test)
        arrow_keys_move_within_a_radio_group(layer_test)
    print("%d dialog failure(s)" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
