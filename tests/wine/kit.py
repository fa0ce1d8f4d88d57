"""The Wine test kit: running Windows programs under Wine for tests and demonstrations.

A display (Xvfb), Wine prefixes (one pristine, cheap copies of it), the helper programs
of tests/wine/helpers built once with mingw-w64, the stand-in placed where Windows keeps
a tool, and readers for what Wine's traces show: the command lines a process started
and the message boxes it showed.
"""

import contextlib
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
HELPER_SOURCES = Path(__file__).resolve().parent / "helpers"
PLATFORM_TESTS = REPO / "platform" / "win32" / "tests"
HELPER_DIR = REPO / "build" / "wine-helpers"
# Every program and DLL the tests run inside Wine besides setup.exe: name -> (source,
# compiler options). A name with -shared is a DLL.
HELPERS = {
    "launch": (HELPER_SOURCES / "launch.c", []),
    "msgbox": (HELPER_SOURCES / "msgbox.c", []),
    "msiquery": (HELPER_SOURCES / "msiquery.c", ["-lmsi"]),
    "standin": (HELPER_SOURCES / "standin.c", []),
    "baseline": (HELPER_SOURCES / "baseline.c",
                 ["-mwindows", "-lmsi", "-ladvapi32", "-lwintrust"]),
    "timer": (HELPER_SOURCES / "timer.c", []),
    "trust": (HELPER_SOURCES / "trust.c", ["-lwintrust", "-lcrypt32"]),
    "control_importer": (PLATFORM_TESTS / "control_importer.c", ["-mwindows"]),
}
for _dll in ("msi", "crypt32", "wintrust", "comctl32"):
    HELPERS[f"planted_{_dll}"] = (PLATFORM_TESTS / "planted_library.c",
                                  ["-shared", f'-DMARKER=L"planted-{_dll}"'])

# Processes Wine starts for itself; never the program under test.
WINE_OWN_PROGRAMS = {
    "conhost.exe", "explorer.exe", "plugplay.exe", "rpcss.exe", "services.exe",
    "start.exe", "svchost.exe", "wineboot.exe", "winedevice.exe", "winemenubuilder.exe",
    "mscorsvw.exe", "tabtip.exe",
}
_build_lock = threading.Lock()


class WineError(RuntimeError):
    pass


LOADER_32 = "/usr/lib/wine/wine"  # Debian's 32-bit Wine loader (wine32:i386)


def require_32bit_programs():
    """setup.exe, msiexec and the helpers are 32-bit: where the kernel refuses 32-bit
    programs (IA-32 emulation off) nothing can be proven, and that is a failure, never a
    skipped suite. tools/install-deps.sh makes binfmt_misc hand them to qemu-user there."""
    try:
        subprocess.run([LOADER_32, "--version"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        raise WineError(
            f"32-bit programs can't run here ({LOADER_32} --version: {error}), so neither can "
            "setup.exe under Wine. Run `bash tools/install-deps.sh` as root: where the kernel "
            "refuses 32-bit programs it registers qemu-user for them through binfmt_misc; "
            "without binfmt_misc, boot the kernel with ia32_emulation=on") from None


def build_helpers(out_dir=HELPER_DIR):
    """Compiles every helper into out_dir, skipping those already up to date; returns
    {name: path}. Each lands by a rename: a run meanwhile never copies half a program."""
    out_dir = Path(out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    header = HELPER_SOURCES / "helper_output.h"
    built = {}
    with _build_lock:
        for name, (source, options) in HELPERS.items():
            target = out_dir / (name + (".dll" if "-shared" in options else ".exe"))
            newest = max(source.stat().st_mtime, header.stat().st_mtime)
            if not target.exists() or target.stat().st_mtime < newest:
                partial = target.with_suffix(f".{os.getpid()}.tmp")
                result = subprocess.run(
                    ["i686-w64-mingw32-gcc", "-O2", "-Wall", "-Wextra", "-municode", "-static",
                     "-I", str(HELPER_SOURCES), "-o", str(partial), str(source)] + options,
                    capture_output=True, text=True)
                if result.returncode != 0:
                    raise WineError(f"building {name} failed:\n{result.stderr}")
                os.replace(partial, target)
            built[name] = target
    return built


class Display:
    """An Xvfb server on a display number it picks itself (-displayfd)."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            raise WineError("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def wine_environment(prefix, display, debug="-all", extra=None):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(prefix),
        "DISPLAY": display,
        # Wine maps file names through the C locale: without UTF-8 a Cyrillic path breaks.
        "LC_ALL": "C.UTF-8",
        "WINEDEBUG": debug,
        # No offers to install Mono or Gecko in a new prefix.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
    })
    for name in ("WINEARCH", "WINELOADER", "WINESERVER"):
        env.pop(name, None)
    env.update(extra or {})
    return env


class Prefix:
    """One Wine prefix and the wineserver that serves it."""

    def __init__(self, path, display):
        self.path = Path(path)
        self.display = display

    def unix_path(self, windows_path):
        """Where a C:\\ or Z:\\ path of this prefix lies on the Linux side."""
        drive, _, rest = windows_path.partition(":")
        parts = [p for p in rest.split("\\") if p]
        if drive.upper() == "Z":
            return Path("/", *parts)
        if drive.upper() == "C":
            return Path(self.path, "drive_c", *parts)
        raise WineError(f"no drive {drive}: in {windows_path}")

    def env(self, debug="-all", extra=None):
        return wine_environment(self.path, self.display, debug, extra)

    def create(self, arch=None):
        require_32bit_programs()
        extra = {"WINEARCH": arch} if arch else None
        # wine makes the prefix's own folder, not the ones above it.
        self.path.parent.mkdir(parents=True, exist_ok=True)
        with tempfile.TemporaryFile() as err:
            result = subprocess.run(["wineboot", "--init"], env=self.env(extra=extra),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=err)
            err.seek(0)
            result.stderr = err.read().decode("utf-8", "replace")
        self.wait_server()
        if result.returncode != 0 or not (self.path / "system.reg").exists():
            raise WineError(f"wineboot --init failed in {self.path}: {result.stderr[-2000:]}")
        # Without a window manager Wine waits 2 s for every managed window it hides
        # ("wait_for_withdrawn_state ... timed out"); unmanaged windows close at once.
        self.wine(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                   "/d", "N", "/f"])
        self.wait_server()

    def clone(self, target):
        """A copy for one scenario: the big system folders hard-linked, the rest copied.

        Installers write to the registry files, Program Files and C:\\windows\\Installer,
        which are real copies; the system folders are only read."""
        target = Path(target)
        shared = {Path("drive_c/windows/system32"), Path("drive_c/windows/syswow64")}
        # Debian's wine names the prefix's private /tmp/wine-XXXXXX folder in the file
        # "wineserver"; without it the copy gets a folder of its own.
        _copy_tree(self.path, target, Path("."), shared, skip={Path("wineserver")})
        return Prefix(target, self.display)

    def wine(self, args, debug="-all", timeout=60, extra=None, loader="wine", cwd=None):
        """Runs `wine ARGS` (or another loader) to the end; returns the CompletedProcess
        (output as text).

        Output goes through files, not pipes: Wine's own processes started by this call
        (services, explorer) inherit its output handles and outlive it, so a pipe would
        never reach its end."""
        command = [loader] + [str(a) for a in args]
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(command, env=self.env(debug, extra), stdout=out,
                                       stderr=err, stdin=subprocess.DEVNULL, cwd=cwd)
            try:
                process.wait(timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(
                command, process.returncode,
                out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace"))

    def popen(self, args, stdout, stderr, debug="-all", extra=None):
        return subprocess.Popen(["wine"] + [str(a) for a in args], env=self.env(debug, extra),
                                stdout=stdout, stderr=stderr, stdin=subprocess.DEVNULL)

    def kill_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.wait_server()

    def wait_server(self, timeout=30):
        try:
            subprocess.run(["wineserver", "-w"], env=self.env(), timeout=timeout,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            subprocess.run(["wineserver", "-k9"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)

    def remove(self):
        """Deletes the prefix and the temporary folder Debian's wine made for it; its
        wineserver must have ended."""
        try:
            name = (self.path / "wineserver").read_text().strip()
        except OSError:
            name = ""
        if name.startswith("wine-") and "/" not in name:
            shutil.rmtree(Path(tempfile.gettempdir()) / name, ignore_errors=True)
        shutil.rmtree(self.path, ignore_errors=True)


    @property
    def system_folder(self):
        """Where a 32-bit program's C:\\windows\\system32 lies: syswow64 in a 64-bit
        prefix (file-system redirection), system32 in a 32-bit one."""
        windows = self.path / "drive_c" / "windows"
        return windows / "syswow64" if (windows / "syswow64").is_dir() else windows / "system32"

    def place_stand_ins(self, names, standin):
        """Puts the stand-in program where Windows keeps each tool (msiexec, regedit,
        regini), the real tool kept beside it as NAME-real.exe for it to run.

        The real tool is renamed, not overwritten: in a copy of a pristine prefix the
        system folder's files are hard links to the pristine ones."""
        for name in names:
            tool = self.system_folder / f"{name}.exe"
            os.replace(tool, tool.with_name(f"{name}-real.exe"))
            shutil.copyfile(standin, tool)


@contextlib.contextmanager
def session(name, keep=False, pristine=None):
    """A work folder in /tmp, an Xvfb and a new 64-bit prefix in work/prefix (or a copy of
    the pristine one kept in the folder `pristine`, made there when missing); yields
    (prefix, work) and removes them afterwards unless keep."""
    work = temporary_directory(name + ".")
    prefix = None
    try:
        with Display() as display:
            if pristine:
                kept = Prefix(Path(pristine).resolve(), display.name)
                if not (kept.path / "system.reg").exists():
                    kept.create()
                    kept.kill_server()
                prefix = kept.clone(work / "prefix")
            else:
                prefix = Prefix(work / "prefix", display.name)
                prefix.create()
            try:
                yield prefix, work
            finally:
                prefix.kill_server()
    finally:
        if keep:
            print(f"kept: {work}")
        else:
            if prefix:
                prefix.remove()
            shutil.rmtree(work, ignore_errors=True)


def _copy_tree(source_root, target_root, relative, shared, skip=frozenset()):
    source = source_root / relative
    target = target_root / relative
    target.mkdir(parents=True, exist_ok=True)
    plain = []
    for entry in os.scandir(source):
        entry_relative = relative / entry.name
        if entry_relative in skip:
            continue
        if entry_relative in shared:
            subprocess.run(["cp", "-al", entry.path, str(target / entry.name)], check=True)
        elif entry.is_dir(follow_symlinks=False) and any(
                s.is_relative_to(entry_relative) for s in shared):
            _copy_tree(source_root, target_root, entry_relative, shared, skip)
        else:
            plain.append(entry.path)
    if plain:
        subprocess.run(["cp", "-a", "--"] + plain + [str(target) + "/"], check=True)


# --- Reading Wine's traces ------------------------------------------------------------

TRACE_LINE = re.compile(r"^([0-9a-f]{4,8}):([0-9a-f]{4,8}):trace:(\w+):(\w+) (.*)$")
WIDE_STRING = re.compile(r'L"((?:[^"\\]|\\.)*)"(\.\.\.)?')


WINE_ESCAPE = re.compile(r"\\([0-9a-fA-F]{4}|.)", re.S)
SIMPLE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\", "0": "\0"}


def decode_wine_string(escaped):
    """Undoes Wine's debugstr_w: \\n \\r \\t \\" \\\\ and \\XXXX (four hex digits)."""
    return WINE_ESCAPE.sub(lambda m: chr(int(m[1], 16)) if len(m[1]) == 4
                           else SIMPLE_ESCAPES.get(m[1], m[0]), escaped)


@dataclass
class TracedString:
    text: str
    truncated: bool = False

    def __str__(self):
        return self.text + ("..." if self.truncated else "")


# trace+win: a class by name shows as L"Button", or L"Button"->L"6.0.2600.2982!Button" when
# the manifest's common controls version redirects it; a class by atom as #8002.
CREATE = re.compile(
    r'^WIN_CreateWindowEx (?P<title>\(null\)|L"(?:[^"\\]|\\.)*"(?:\.\.\.)?) '
    r'(?P<cls>L"(?:[^"\\]|\\.)*"|#\d+)(?:->L"(?:[^"\\]|\\.)*")? '
    r'ex=(?P<ex>[0-9a-fA-F]+) style=(?P<style>[0-9a-fA-F]+) '
    r'(?P<x>-?\d+),(?P<y>-?\d+) (?P<w>-?\d+)x(?P<h>-?\d+) parent=(?P<parent>[0-9a-fA-Fx]+) '
    r'menu=(?P<menu>[0-9a-fA-Fx]+)')
HANDLE_GIVEN = re.compile(r"^NtUserCreateWindowEx hwnd (?P<hwnd>0x[0-9a-fA-F]+) cs ")
SHOWN = re.compile(r"^show_window hwnd=(?P<hwnd>0x[0-9a-fA-F]+), cmd=(?P<cmd>-?\d+), ")
DESTROYED = re.compile(r"^destroy_window (?P<hwnd>0x[0-9a-fA-F]+)")


@dataclass
class Window:
    """A window the process created, as CreateWindowEx was called (trace+win)."""
    title: str
    cls: str
    exstyle: int
    style: int
    rect: tuple    # x, y, width, height as passed
    parent: int
    menu: int      # the control id for a child
    created: int   # trace line
    hwnd: int = None
    shown: list = field(default_factory=list)  # (trace line, ShowWindow command)
    destroyed: int = None                      # trace line


@dataclass
class TraceEvents:
    """What one process did, read from WINEDEBUG=+pid,trace+process,trace+msgbox (and
    trace+file for the files it opened)."""
    commands: list = field(default_factory=list)      # TracedString per started process
    message_boxes: list = field(default_factory=list)  # TracedString per box text
    own_commands: list = field(default_factory=list)  # Wine's own programs it started
    opened_files: list = field(default_factory=list)  # CreateFileW paths, repeats folded
    box_lines: list = field(default_factory=list)  # the trace line of each message box
    windows: list = field(default_factory=list)  # Window per CreateWindowEx (trace+win)

    def of_class(self, cls):
        return [w for w in self.windows if w.cls == cls]

    def children(self, parent):
        return [w for w in self.windows if parent.hwnd is not None and w.parent == parent.hwnd]

    def by_handle(self, hwnd):
        """The latest window given this handle: a handle is given again once its window
        is destroyed."""
        return next((w for w in reversed(self.windows) if w.hwnd == hwnd), None)

    @property
    def restarts(self):
        """ExitWindowsEx under Wine starts wineboot to end the session: its command
        lines, whose arguments tell the flags."""
        return [c for c in self.own_commands if program_name(c.text) == "wineboot.exe"]

    @property
    def restart_requested(self):
        return bool(self.restarts)


def program_name(command_line):
    """The file name of the program a command line starts (its first token)."""
    text = command_line.lstrip()
    if text.startswith('"'):
        token = text[1:].split('"', 1)[0]
    else:
        token = text.split(" ", 1)[0].split("\t", 1)[0]
    return token.replace("/", "\\").rsplit("\\", 1)[-1].lower()


def read_trace(text, pid):
    """What the process pid (hex) did: the processes it started, the files it opened, the
    message boxes it showed and the windows it made."""
    pid = int(pid, 16)
    events = TraceEvents()
    # A window's handle comes a few lines after its CreateWindowEx, on the same thread;
    # windows Wine makes for itself meanwhile (the IME window) have no CreateWindowEx line.
    waiting = {}
    for index, line in enumerate(text.splitlines()):
        match = TRACE_LINE.match(line)
        if not match or int(match.group(1), 16) != pid:
            continue
        thread, channel, function, rest = match.groups()[1:]
        if channel == "process" and function == "CreateProcessInternalW":
            started = _started_command(rest)
            if started and program_name(started.text) in WINE_OWN_PROGRAMS:
                events.own_commands.append(started)
            elif started:
                events.commands.append(started)
        elif channel == "file" and function == "CreateFileW":
            # One open of a file shows as several calls in a row (crypt32 tries each
            # format in turn); they count as one.
            found = WIDE_STRING.match(rest)
            if found:
                path = decode_wine_string(found.group(1))
                if not events.opened_files or events.opened_files[-1] != path:
                    events.opened_files.append(path)
        elif channel == "msgbox" and function == "MSGBOX_OnInit":
            found = WIDE_STRING.search(rest)
            if found:
                events.message_boxes.append(_traced(found))
                events.box_lines.append(index)
        elif channel == "win":
            _window_event(events, waiting, thread, index, f"{function} {rest}")
    return events


def _window_event(events, waiting, thread, index, rest):
    if created := CREATE.match(rest):
        wide = [WIDE_STRING.fullmatch(created[k]) for k in ("title", "cls")]
        title, cls = [decode_wine_string(w.group(1)) if w else None for w in wide]
        window = Window(title, cls or created["cls"], int(created["ex"], 16),
                        int(created["style"], 16), tuple(int(created[k]) for k in "xywh"),
                        int(created["parent"], 16), int(created["menu"], 16), index)
        events.windows.append(window)
        waiting[thread] = window
    elif given := HANDLE_GIVEN.match(rest):
        if window := waiting.pop(thread, None):
            window.hwnd = int(given["hwnd"], 16)
    elif shown := SHOWN.match(rest):
        if window := events.by_handle(int(shown["hwnd"], 16)):
            window.shown.append((index, int(shown["cmd"])))
    elif destroyed := DESTROYED.match(rest):
        window = events.by_handle(int(destroyed["hwnd"], 16))
        if window and window.destroyed is None:
            window.destroyed = index


def _traced(found):
    escaped, truncated = found.group(1), bool(found.group(2))
    if truncated:
        escaped = _whole_escapes(escaped)
    return TracedString(decode_wine_string(escaped), truncated)


def _whole_escapes(escaped):
    """A cut string without the escape the cut went through (a "\\04" of "\\0444")."""
    return WHOLE_ESCAPES.match(escaped).group(0)


WHOLE_ESCAPES = re.compile(r"(?:[^\\]|\\[0-9a-fA-F][\s\S]{3}|\\[^0-9a-fA-F])*")


def _started_command(rest):
    """From 'app L"..." cmdline L"..."', the command line, or the app when it has none."""
    if not rest.startswith("app "):
        return None
    strings = list(WIDE_STRING.finditer(rest))
    cmdline_at = rest.find(" cmdline ")
    found = next((s for s in strings if s.start() > cmdline_at), strings[0] if strings else None)
    return _traced(found) if found else None


def complete_commands(traced, recorded):
    """The traced command lines, a cut one replaced by the whole line a recording stand-in
    logged for it (the first not yet used that begins with the traced part)."""
    unused = list(recorded)
    complete = []
    for command in traced:
        if command.truncated:
            whole = next((r for r in unused if r.startswith(command.text)), None)
            if whole is not None:
                unused.remove(whole)
                complete.append(TracedString(whole))
                continue
        elif command.text in unused:
            unused.remove(command.text)
        complete.append(command)
    return complete


def read_stand_in_log(path):
    """What the recording stand-ins (standin.exe) logged: one dict per start, in order."""
    return parse_json_lines(read_text(path))


# --- The helpers inside Wine ------------------------------------------------------------

@dataclass
class Launch:
    """A program started by launch.exe: its current directory as Wine reports it, its
    pid (hex, as in the traces) and, once it ended, its full 32-bit exit code."""
    cwd: str = None
    pid: str = None
    exit_code: int = None
    error: str = None


def parse_launch_output(text):
    fields = dict(line.partition("=")[::2] for line in text.splitlines())
    exit_code = fields.get("exit")
    return Launch(fields.get("cwd"), fields.get("pid"),
                  None if exit_code is None else int(exit_code), fields.get("error"))


def parse_json_lines(text):
    return [json.loads(line) for line in map(str.strip, text.splitlines())
            if line.startswith("{")]


def query_products(prefix, helpers, codes=(), timeout=30):
    """Installed products as {code: record} from msiquery.exe (all, or the codes given)."""
    return query_machine(prefix, helpers, codes, timeout)[0]


def query_machine(prefix, helpers, codes=(), timeout=30):
    """The products ({code: record}) and the SHA-1 thumbprints of the certificates in the
    local machine's Root store (upper-case hex, as the registry names them)."""
    result = prefix.wine([helpers["msiquery"], "--root"] + list(codes), timeout=timeout)
    products, root = {}, None
    for record in parse_json_lines(result.stdout):
        if "product" in record:
            products[record["product"]] = record
        elif "root" in record:
            root = sorted(t.upper() for t in record["root"])
    if root is None:
        raise WineError(f"msiquery.exe gave no Root store: {result.stdout[-500:]}"
                        f"{result.stderr[-500:]}")
    return products, root


def windows_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + str(path).replace("/", "\\")


def wine_processes(prefix, program):
    """Linux pids of the processes of that Windows program running in this prefix."""
    wanted = ("WINEPREFIX=" + str(prefix.path)).encode()
    pids = []
    for entry in filter(lambda e: e.name.isdigit(), Path("/proc").iterdir()):
        try:
            command = (entry / "cmdline").read_bytes().split(b"\0", 1)[0]
            if program_name(command.decode("utf-8", "replace")) == program and \
                    wanted in (entry / "environ").read_bytes().split(b"\0"):
                pids.append(int(entry.name))
        except OSError:
            continue
    return pids


def sign(folder, publisher, paths, name=None):
    """Signs the files in place (Authenticode, SHA-256) as a throw-away publisher, or with
    the certificate NAME.pem of `issue`."""
    name = name or publisher
    key, certificate = Path(folder) / f"{name}.key", Path(folder) / f"{name}.pem"
    if not certificate.exists():
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                        f"/CN={publisher}", "-keyout", key, "-out", certificate],
                       check=True, capture_output=True)
    for path in map(Path, paths):
        signed = path.with_name(path.name + ".signed")
        subprocess.run(["osslsigncode", "sign", "-certs", certificate, "-key", key, "-h", "sha256",
                        "-in", path, "-out", signed], check=True, capture_output=True)
        os.replace(signed, path)


def issue(folder, name, subject, root="ca", root_subject="Root"):
    """A code-signing certificate for subject issued by the test root `root` (made once):
    NAME.pem, NAME.key and NAME.p12 (with the root, password pw) in folder."""
    def openssl(*arguments):
        subprocess.run(["openssl", *arguments], cwd=folder, check=True, capture_output=True)
    if not (Path(folder) / f"{root}.pem").exists():
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", f"/CN={root_subject}",
                "-keyout", f"{root}.key", "-out", f"{root}.pem", "-addext",
                "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
    (Path(folder) / "cs.ext").write_text("extendedKeyUsage=codeSigning\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", f"/CN={subject}", "-keyout",
            f"{name}.key", "-out", f"{name}.csr")
    openssl("x509", "-req", "-in", f"{name}.csr", "-CA", f"{root}.pem", "-CAkey", f"{root}.key",
            "-CAcreateserial", "-extfile", "cs.ext", "-out", f"{name}.pem")
    openssl("pkcs12", "-export", "-in", f"{name}.pem", "-inkey", f"{name}.key", "-certfile",
            f"{root}.pem", "-passout", "pass:pw", "-out", f"{name}.p12")


# --- Starting a program and answering its windows ---------------------------------------

class Started:
    """A program started through launch.exe in the background, from the folder `cwd`:
    its output and trace in work/launch.out and work/launch.err, its pid (hex) once
    launch.exe names it, and the full exit code once it has ended."""

    def __init__(self, prefix, helpers, work, cwd, program, args=(), debug="-all", extra=None,
                 invisible=False):
        self.out, self.err = Path(work) / "launch.out", Path(work) / "launch.err"
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.process = prefix.popen(
                [helpers["launch"]] + ["--invisible"] * invisible + [cwd, program, *args],
                stdout=out, stderr=err, debug=debug, extra=extra)

    def pid(self, timeout):
        wait_for(lambda: "pid=" in read_text(self.out) or self.process.poll() is not None,
                 timeout)
        return self.launch().pid

    def launch(self):
        return parse_launch_output(read_text(self.out))

    def trace(self):
        return read_text(self.err)


def answer_box(prefix, helpers, press=None, clicks=(), pid=None, timeout=60, find=()):
    """msgbox.exe: waits for a message box or dialog (of the process pid; or the window
    `find` names: --class, --title, --paint, --activate), clicks the controls, reads it,
    presses the button. (the box read or None, whether it closed as pressed, msgbox.exe's
    further lines)."""
    args = [helpers["msgbox"], "--timeout", int(timeout * 1000)] + ["--pid", pid] * bool(pid)
    args += list(find)
    args += [a for click in clicks for a in ("--click", click)] + ["--press", press] * bool(press)
    result = prefix.wine(args, timeout=timeout + 15)
    lines = parse_json_lines(result.stdout)
    box = lines[0] if lines and "caption" in lines[0] else None
    return box, result.returncode == 0 and box is not None, lines[1:] if box else lines


def answer_boxes(prefix, helpers, pid, deadline, answers=(), on_box=None):
    """Answers the boxes of the process pid in order (each answer (press, clicks)), every
    box after those with its default button, so that an unexpected box is seen instead
    of blocking the program; until it ends or the deadline passes. Each box read goes to
    on_box(box, closed, further lines); a box that did not close ends the answering."""
    answers = list(answers)
    while time.monotonic() < deadline:
        press, clicks = answers.pop(0) if answers else ("default", ())
        box, closed, lines = answer_box(prefix, helpers, press, clicks, pid,
                                        max(1, deadline - time.monotonic()))
        if box is None:
            return
        if on_box:
            on_box(box, closed, lines)
        if not closed:
            return


def xdotool(display, *args):
    """xdotool on that X display; what it printed."""
    return subprocess.run(["xdotool", *map(str, args)], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout


def x_window(display, title):
    """The X window of the one top-level window with exactly that title, or None."""
    found = xdotool(display, "search", "--name", f"^{re.escape(title)}$").split()
    return found[0] if len(found) == 1 else None


# --- One verdict ---------------------------------------------------------------------------

class Verdict:
    """What every Wine suite says: a line per check, then "N passed, M failed"."""

    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what, detail=""):
        print(("PASS " if ok else "FAIL ") + what + (f"\n  {detail}" if detail and not ok
                                                   else ""), flush=True)
        self.passed += bool(ok)
        self.failed += not ok
        return bool(ok)

    def equal(self, what, actual, expected):
        return self.check(actual == expected, what, f"expected {expected!r}, actual {actual!r}")

    def lines(self, output):
        """The checks a program inside Wine made itself: an "ok" or "FAIL" line each."""
        for line in output.splitlines():
            status, _, what = line.partition(" ")
            if status in ("ok", "FAIL"):
                self.check(status == "ok", what.strip())

    def end(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 1 if self.failed or not self.passed else 0


def read_text(path):
    try:
        return Path(path).read_text(encoding="utf-8", errors="replace")
    except FileNotFoundError:
        return ""


def temporary_directory(prefix):
    # Short paths: Wine's traces cut command lines at about 290 characters.
    return Path(tempfile.mkdtemp(prefix=prefix, dir="/tmp"))


def wait_for(predicate, timeout, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(interval)
    return predicate()
