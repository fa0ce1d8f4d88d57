"""setup.exe's own windows in a scenario: Wine's window trace (trace+win) of its process
gives every window as created, shown and destroyed, among the message boxes (the progress
window's title can only be read there: Wine keeps none for the class "Message"); the
stand-in msiexec (stand_ins={"msiexec": "watch"}) writes down its windows while the
installer runs; keys reach the dialog through the kit's xdotool, on a display of the run's
own."""

import threading
import time
from dataclasses import dataclass

import harness
from harness import Mismatch, compare, kit

PROGRESS_CLASS = "Message"
PROGRESS_BAR_CLASS = "msctls_progress32"
SW_SHOWNORMAL = 1


# --- Preparation steps -------------------------------------------------------------------

def window_trace(run):
    """Adds Wine's window trace to the trace the harness takes of setup.exe. The harness
    chooses the trace channels itself; its Prefix builds each process's environment in
    env(), so this run's prefix gets an env() of its own that adds the channel whenever
    a trace is asked for."""
    base = run.prefix.env

    def env(debug="-all", extra=None):
        return base(debug if debug == "-all" else debug + ",trace+win", extra)

    run.prefix.env = env


def trace_text(run):
    """What Wine traced while setup.exe ran (launch.exe's standard error)."""
    return kit.read_text(run.workdir / "launch.err")


def setup_windows(run):
    return kit.read_trace(trace_text(run), run.launch.pid or "ffffffff")


def standin_records(run):
    """One record per msiexec call that reached the stand-in, in order."""
    return [r for r in kit.read_stand_in_log(run.stand_in_log) if r["program"] == "msiexec"]


# --- Checks -----------------------------------------------------------------------------------

def screen_centre_rect(width, height, screen=(1024, 768)):
    return ((screen[0] // 2) - width // 2, (screen[1] // 2) - height // 2, width, height)


def progress_window(title, installers):
    """A check: setup.exe made one progress window with this title, as the progress
    window is made, showed it before and kept it during each of the `installers` msiexec
    calls, and destroyed it before the next message box, or before it ended."""
    def check(run):
        events = setup_windows(run)
        frames = events.of_class(PROGRESS_CLASS)
        if len(frames) != 1:
            return [Mismatch("progress windows created", 1,
                             [(w.title, w.rect) for w in frames])]
        frame = frames[0]
        mismatches = compare("progress window as created (title, exstyle, style, rect, "
                             "parent, menu)",
                             (title, 0, 0, screen_centre_rect(300, 58), 0, 0),
                             (frame.title, frame.exstyle, frame.style, frame.rect,
                              frame.parent, frame.menu))
        bars = [(w.cls, w.title, hex(w.style), w.rect, w.menu) for w in events.children(frame)]
        mismatches += compare("children of the progress window (class, title, style, rect, id)",
                              [(PROGRESS_BAR_CLASS, None, hex(0x50000008), (0, 0, 296, 33), 0)],
                              bars)
        mismatches += compare("ShowWindow commands on the progress window", [SW_SHOWNORMAL],
                              [cmd for _, cmd in frame.shown])
        mismatches += _gone_before_next_box(events, frame)
        mismatches += _seen_during_installers(run, frame, installers)
        return mismatches
    check.__name__ = f"progress_window({title!r})"
    return check


def _gone_before_next_box(events, frame):
    later_boxes = [(index, str(text)) for index, text
                   in zip(events.box_lines, events.message_boxes) if index > frame.created]
    if frame.destroyed is None:
        return [Mismatch("progress window destroyed", "before setup.exe ended", "never")]
    if later_boxes and later_boxes[0][0] < frame.destroyed:
        return [Mismatch("progress window destroyed", "before the next message box",
                         f"still there when this box opened: {later_boxes[0][1]!r}")]
    return []


def _seen_during_installers(run, frame, installers):
    records = standin_records(run)
    mismatches = compare("msiexec calls that reached the stand-in", installers, len(records))
    for number, record in enumerate(records, 1):
        seen = [w for w in record.get("windows", []) if w.get("class") == PROGRESS_CLASS]
        shown = [(w.get("hwnd"), w.get("visible"), tuple(w.get("rect", ())),
                  [(c.get("class"), c.get("visible"), tuple(c.get("rect", ())),
                    c.get("style", 0) & 0x50000008, c.get("id")) for c in w.get("children", [])])
                 for w in seen]
        expected = [(hex(frame.hwnd or 0), True, screen_centre_rect(300, 58),
                     [(PROGRESS_BAR_CLASS, True, (0, 0, 296, 33), 0x50000008, 0)])]
        mismatches += compare(f"progress window while msiexec call {number} ran "
                              "(handle, visible, screen rect, children)", expected, shown)
    return mismatches


def no_progress_window(run):
    """A check: setup.exe never created a progress window."""
    made = [(w.title, w.rect) for w in setup_windows(run).of_class(PROGRESS_CLASS)]
    return compare("progress windows created", [], made)


# --- Keys ------------------------------------------------------------------------------------

@dataclass
class KeyPresses:
    keys: list
    toggles: int
    sent: bool = False
    problem: str = None
    thread: threading.Thread = None


def keys_after_toggles(title, keys, toggles, control=1014):
    """A preparation step: once setup.exe's dialog `title` has switched its view
    `toggles` times (the harness answers the dialog by pressing Options and waits for it
    to close), press `keys` with xdotool, as a user at the keyboard would.

    The harness reads the dialog before it presses; a key sent before that would close
    the dialog under the reader. The switch is the harness's last act on the dialog, and
    the trace shows it: the welcome text (control 1014) hidden, or shown again.

    The run gets an X display of its own: scenarios running at the same time would
    otherwise take the keyboard focus from the dialog with windows of their own."""
    def step(run):
        _own_display(run)
        presses = KeyPresses(list(keys), toggles)
        presses.thread = threading.Thread(target=_press_keys, args=(run, title, control,
                                                                      presses), daemon=True)
        presses.thread.start()
        run.key_presses = presses
    step.__name__ = f"keys_after_toggles({keys!r}, {toggles})"
    return step


def _own_display(run):
    """Moves the run's Wine processes to an Xvfb of their own, closed once the harness
    has ended the run's wineserver (which it does on every way out)."""
    display = kit.Display()
    prefix = run.prefix
    prefix.display = display.name
    kill_server = prefix.kill_server

    def kill_server_and_display():
        try:
            kill_server()
        finally:
            display.close()

    prefix.kill_server = kill_server_and_display


def _view_switches(events, control):
    texts = [w for w in events.windows if w.menu == control]
    if not texts:
        return 0
    commands = [cmd for _, cmd in texts[0].shown]
    # Shown once as it is created; every later hide or show is one switch of the view.
    return max(0, len(commands) - 1)


def _press_keys(run, title, control, presses):
    deadline = time.monotonic() + harness.SCENARIO_TIMEOUT
    display = run.prefix.display
    seen = "no process yet"
    unfocused_since = None
    while time.monotonic() < deadline:
        launch = kit.parse_launch_output(kit.read_text(run.workdir / "launch.out"))
        if launch.exit_code is not None:
            presses.problem = f"setup.exe ended first ({seen})"
            return
        if launch.pid:
            switches = _view_switches(kit.read_trace(trace_text(run), launch.pid), control)
            window = kit.x_window(display, title) if switches >= presses.toggles else None
            focus = kit.xdotool(display, "getwindowfocus").strip() if window else None
            seen = f"{switches} view switches, X window {window}, X focus {focus}"
            if window and focus == window:
                kit.xdotool(display, "key", *presses.keys)
                presses.sent = True
                return
            # Without a window manager Wine now and then leaves the X focus on the root
            # window when a message box gives way to the dialog (Windows would not): after
            # a second of that, a click on the dialog's caption activates it, as a user
            # would. Only Wine's own activation routes the keys; an X focus alone does not.
            if window and unfocused_since is None:
                unfocused_since = time.monotonic()
            elif window and time.monotonic() - unfocused_since > 1:
                geometry = kit.xdotool(display, "getwindowgeometry", "--shell", window)
                width = dict(line.split("=", 1) for line in geometry.split()).get("WIDTH", "200")
                kit.xdotool(display, "mousemove", "--window", window, int(width) // 2, 8,
                            "click", 1)
                unfocused_since = time.monotonic()
        time.sleep(0.05)
    presses.problem = f"no dialog {title!r} with the keyboard focus: {seen}"


def keys_pressed(run):
    """A check: the keys of keys_after_toggles were pressed."""
    presses = getattr(run, "key_presses", None)
    if presses is None:
        return [Mismatch("keys pressed", "a keys_after_toggles step", "none prepared")]
    presses.thread.join(5)
    return compare(f"keys {' '.join(presses.keys)} pressed", True,
                   presses.sent or presses.problem or "not yet")
