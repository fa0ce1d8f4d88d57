#!/usr/bin/env python3
"""The Wine suites besides end to end, a CTest each (what each proves: its docstring):

    tests/wine/suites.py layer|dialog|planted|footprint|signing|pins|detect [--rounds N]
"""

import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from binary.check_binary import ALLOWED_DLLS, MAX_SIZE, imports  # noqa: E402
from wine import distribution, kit, pinned_release  # noqa: E402

REPO = kit.REPO
SETUP = REPO / "build" / "windows" / "setup.exe"
PLUGIN_PACKAGE = "plugin/velumcom-2.1.0-x64.msi"
PLUGIN = distribution.PRODUCTS["plugin"]["code"]
SUITES = {}


def suite(function):
    SUITES[function.__name__] = function
    return function


def build_layer_test():
    subprocess.run(["cmake", "--build", "--preset", "windows", "--target", "win32_layer_test",
                    "setup"], cwd=REPO, check=True, stdout=subprocess.DEVNULL)
    return REPO / "build" / "windows-tree" / "win32_layer_test.exe"


def planted_markers(folder):
    """The planted DLLs that were loaded: each leaves a planted-NAME file beside it."""
    return {marker.name[len("planted-"):] for marker in Path(folder).glob("planted-*")}


@suite
def layer(verdict, _):
    """The Win32 layer's own test with a package (ProductVersion 1.2.3, a 300-character
    property), a certificate the Root store lacks, and msi.dll and crypt32.dll planted
    beside it, which it must not load."""
    layer_test, helpers = build_layer_test(), kit.build_helpers()
    package = distribution.Entry(
        path="package.msi", product="{5A0C3E71-94B2-4D1F-8C6A-7E2B1D0F9A31}", version="1.2.3",
        lang="1049", flags="kc2,rus", properties={"LongProperty": "L" * 300})
    with kit.session("layer") as (prefix, work):
        distribution.build(work, [package, "root.cer:cert=LayerTest"])
        for folder in ("bin", "cwd"):
            (work / folder).mkdir()
        shutil.copy2(layer_test, work / "bin")
        for dll in ("msi", "crypt32"):
            shutil.copy2(helpers[f"planted_{dll}"], work / "bin" / f"{dll}.dll")
        # A 64-bit prefix runs 32-bit programs under WOW64.
        wow64 = "1" if (prefix.path / "drive_c" / "windows" / "syswow64").is_dir() else "0"
        result = prefix.wine([work / "bin" / layer_test.name] + [
            kit.windows_path(work / name) for name in ("cwd", "package.msi", "root.cer")]
            + [wow64], timeout=300, extra={"WINEDLLOVERRIDES": "mscoree,mshtml=;msi,crypt32=n,b"})
        verdict.lines(result.stdout)
        verdict.equal("win32_layer_test.exe ran to its end", result.returncode, 0)
        verdict.equal("the DLLs planted beside the program were not loaded",
                      planted_markers(work / "bin"), set())


# --- dialog ---------------------------------------------------------------------------------

TITLE = "VOZEdove"
COMPACT = {140, 2, 1011, 1014, 1015}
EXPANDED = {140, 2, 1006, 1007, 1008, 1009, 1010, 1012, 1013, 1015}


class Dialog:
    """The dialog shown by the layer test ("dialog rus|eng") in a process of its own; what
    it shows is read by the layer test from another process ("dialog-state")."""

    def __init__(self, prefix, layer_test, language):
        self.prefix, self.layer_test = prefix, layer_test
        self.process = prefix.popen([layer_test, "dialog", language], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
        self.shown = kit.wait_for(lambda: kit.x_window(prefix.display, TITLE), 30, 0.2)

    def state(self, condition=lambda state: True):
        """The first state that meets condition within 10 s, or the last one seen."""
        deadline = time.monotonic() + 10
        while True:
            state = {"centre": {}}
            for line in self.prefix.wine([self.layer_test, "dialog-state"]).stdout.splitlines():
                name, _, rest = line.partition(" ")
                numbers = [] if name in ("title", "caption") else [int(n, 0) for n in rest.split()]
                if name == "centre":
                    state["centre"][numbers[0]] = tuple(numbers[1:])
                else:
                    state[name] = {"title": rest, "caption": rest, "visible": set(numbers),
                                   "checked": set(numbers), "focus": numbers[:1] and numbers[0]
                                   }.get(name, tuple(numbers))
            if condition(state) or time.monotonic() > deadline:
                return state
            time.sleep(0.2)

    def click(self, control, state):
        x, y = state["centre"].get(control, (-1, -1))
        kit.xdotool(self.prefix.display, "mousemove", x, y, "click", 1)

    def key(self, name):
        kit.xdotool(self.prefix.display, "key", name)

    def ended(self):
        """What the dialog's process printed ("outcome ...", "icon ..."), once it ended."""
        try:
            output, _ = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            output = self.process.communicate()[0] + b"\nstill open"
        lines = output.decode("utf-8", "replace").splitlines()
        return dict(line.split(" ", 1) for line in lines if " " in line)


def sorted_ids(state, name):
    return sorted(state.get(name, ()))


@suite
def dialog(verdict, _):
    """The configuration dialog as a user meets it: keys and clicks through xdotool."""
    layer_test = build_layer_test()
    with kit.session("dialog") as (prefix, _):
        shown = Dialog(prefix, layer_test, "rus")
        if verdict.check(shown.shown, "xdotool finds the dialog by its title " + TITLE):
            state = shown.state()
            verdict.equal("the title", state.get("title"), TITLE)
            verdict.equal("it opens compact: slogan and welcome text, Next, Cancel, Options",
                          state.get("visible"), COMPACT)
            verdict.equal("Options reads Опции", state.get("caption"), "Опции")
            verdict.equal("a Russian system opens with Русский and KC1 checked",
                          sorted_ids(state, "checked"), [1006, 1008])
            verdict.equal("Next has the focus", state.get("focus"), 140)
            offcentre = state.get("offcentre", (99, 99))
            verdict.check(max(map(abs, offcentre)) <= 1,
                          f"it stands centred on the screen: off by {offcentre}")
            style, exstyle = state.get("style", (0, 0))
            verdict.check(style & 0x80C808C8 == 0x80C808C8 and exstyle & 0x100,
                          f"the window has the template's styles: {style:#x} {exstyle:#x}")
            shown.key("Return")
        lines = shown.ended()
        verdict.equal("its big icon is 32 x 32", lines.get("icon"), "1 32 32")
        verdict.equal("Return presses Next on the initial choice", lines.get("outcome"),
                      "next kc1* rus*")

        shown = Dialog(prefix, layer_test, "eng")
        if shown.shown:
            verdict.equal("an English system opens with English and KC1 checked",
                          sorted_ids(shown.state(), "checked"), [1007, 1008])
            shown.key("Escape")
        verdict.equal("Escape cancels", shown.ended().get("outcome"), "cancelled")

        shown = Dialog(prefix, layer_test, "rus")
        if shown.shown:
            shown.state()
            prefix.wine([layer_test, "dialog-close"])
        verdict.equal("the close box cancels", shown.ended().get("outcome"), "cancelled")

        shown = Dialog(prefix, layer_test, "rus")
        state = shown.state()
        shown.click(1015, state)
        state = shown.state(lambda s: s.get("caption") != "Опции")
        verdict.equal("Options shows the radio groups and reads Скрыть",
                      (state.get("caption"), state.get("visible")), ("Скрыть", EXPANDED))
        shown.click(1007, state)
        shown.click(1010, state)
        state = shown.state(lambda s: s.get("checked") == {1007, 1010})
        verdict.equal("clicks check English and KC3 and clear the others",
                      sorted_ids(state, "checked"), [1007, 1010])
        shown.click(1015, state)
        state = shown.state(lambda s: s.get("caption") == "Опции")
        verdict.equal("Options again brings the compact view back",
                      (state.get("caption"), state.get("visible")), ("Опции", COMPACT))
        verdict.equal("the choice survives the switches", sorted_ids(state, "checked"),
                      [1007, 1010])
        shown.click(140, state)
        verdict.equal("Next gives kc3* and eng*", shown.ended().get("outcome"), "next kc3* eng*")

        shown = Dialog(prefix, layer_test, "eng")
        state = shown.state()
        shown.click(1015, state)
        state = shown.state(lambda s: s.get("visible") == EXPANDED)
        shown.click(1009, state)
        shown.state(lambda s: s.get("focus") == 1009)
        shown.key("Down")
        state = shown.state(lambda s: s.get("checked") == {1007, 1010})
        verdict.equal("Down moves from KC2 to KC3 and checks it",
                      (sorted_ids(state, "checked"), state.get("focus")), ([1007, 1010], 1010))
        shown.key("Return")
        verdict.equal("Return on a radio button presses Next: kc3* and eng*",
                      shown.ended().get("outcome"), "next kc3* eng*")


# --- planted ----------------------------------------------------------------------------------

@suite
def planted(verdict, _):
    """msi, crypt32, wintrust and comctl32 are not known DLLs: Windows would look beside the
    program and in its start folder first. Wine prefers its own unless told n,b. A control
    program that imports them plainly must load the planted copies (else the run proves
    nothing); setup.exe must load none of them."""
    dlls, helpers = ("msi", "crypt32", "wintrust", "comctl32"), kit.build_helpers()
    with kit.session("planted") as (prefix, work):
        dist = work / "dist"
        (dist / "plugin").mkdir(parents=True)
        shutil.copy2(SETUP, dist / "setup.exe")
        shutil.copy2(helpers["control_importer"], dist / "control.exe")
        for dll in dlls:
            shutil.copy2(helpers[f"planted_{dll}"], dist / f"{dll}.dll")
        # A silent run that reaches the installer, the progress window and (with -ucsp)
        # the certificate store: a slow stand-in msiexec keeps the progress window up long
        # enough to be drawn, then the run ends with the stand-in's code.
        prefix.place_stand_ins(["msiexec"], helpers["standin"])

        def run(program, *arguments):
            for marker in dist.glob("planted-*"):
                marker.unlink()
            result = prefix.wine([helpers["launch"], kit.windows_path(dist),
                                  kit.windows_path(dist / program), *arguments],
                                 debug="+loaddll", timeout=120,
                                 extra={"WINEDLLOVERRIDES": "mscoree,mshtml=;" + ",".join(dlls)
                                        + "=n,b", "STANDIN_MSIEXEC": "hold=1500,exit=0"})
            prefix.wait_server()
            return result.stderr, planted_markers(dist)

        loaded = run("control.exe")[1]
        for dll in dlls:
            verdict.check(dll in loaded, f"the control program loads a planted {dll}.dll")
        trace, loaded = run("setup.exe", "-ucsp", "-silent")
        for dll in dlls:
            # Wine's trace names every DLL a process loads, with its path.
            verdict.check(dll not in loaded and re.search(
                rf'Loaded L".*\\{dll}\.dll"', trace, re.IGNORECASE),
                f"setup.exe loaded the system's {dll}.dll, not the planted one",
                "planted one loaded" if dll in loaded else "none loaded: the run proves nothing")


# --- footprint --------------------------------------------------------------------------------

@suite
def footprint(verdict, argv):
    """At most MAX_SIZE bytes and only system DLLs imported; and a silent run that installs
    nothing (plug-in installed, same version, feature present) takes at most 1.25 times the
    wall time of tests/wine/helpers/baseline.c, which makes the same platform calls and
    decides nothing. Both are timed side by side in one Wine session, round after round;
    the first round warms the caches and is left out; the medians of 25 rounds are compared
    (9 left Wine's round-to-round noise deciding: 0.92 to 1.29 for the same program)."""
    rounds = int(argv[argv.index("--rounds") + 1]) if "--rounds" in argv else 25
    size, dlls = SETUP.stat().st_size, sorted(dll.lower() for dll in imports(SETUP))
    verdict.check(size <= MAX_SIZE, f"setup.exe is {size} bytes ({size / 1024:.1f} KiB), "
                  f"budget {MAX_SIZE // 1024} KiB")
    verdict.check(not set(dlls) - ALLOWED_DLLS, f"only system DLLs imported: {', '.join(dlls)}")
    helpers = kit.build_helpers()
    with kit.session("footprint") as (prefix, root):
        dist = root / "dist"
        distribution.build(dist, [PLUGIN_PACKAGE])
        shutil.copy2(SETUP, dist / "setup.exe")
        shutil.copy2(helpers["baseline"], dist / "baseline.exe")
        folder = kit.windows_path(dist)
        package = folder + "\\" + PLUGIN_PACKAGE.replace("/", "\\")
        if not verdict.equal("the plug-in installed first",
                             prefix.wine(["msiexec", "/qn", "/i", package], timeout=120).returncode,
                             0):
            return
        result = prefix.wine([helpers["timer"], folder, str(rounds + 1), folder +
                              "\\setup.exe -silent", folder + "\\baseline.exe -silent"],
                             timeout=600)
    times, codes = {0: [], 1: []}, set()
    lines = [line.split() for line in result.stdout.splitlines() if line.strip()]
    for index, (program, milliseconds, code) in enumerate(lines):
        codes.add((program, code))
        if index >= 2:  # the first round only warms up
            times[int(program)].append(float(milliseconds))
    if not verdict.equal("timed rounds of each", (len(times[0]), len(times[1])),
                         (rounds, rounds)):
        return
    verdict.equal("the runs all ended with 0", sorted(codes), [("0", "0"), ("1", "0")])
    setup, baseline = statistics.median(times[0]), statistics.median(times[1])
    verdict.check(setup / baseline <= 1.25,
                  f"silent run that installs nothing, median of {rounds}: setup.exe "
                  f"{setup:.0f} ms, baseline {baseline:.0f} ms, ratio {setup / baseline:.2f} "
                  "(budget 1.25)")


# --- signing ----------------------------------------------------------------------------------

@suite
def signing(verdict, _):
    """tools/sign-release.sh with a throw-away root and code-signing certificate: nothing
    without SIGN_PKCS12; the signed copy verifies, a changed byte fails it; under Wine
    WinVerifyTrust accepts it and names the signer, and it installs the sample plug-in."""
    helpers = kit.build_helpers()
    with kit.session("signing") as (prefix, work):
        release, changed = work / "release", work / "changed.exe"
        env = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
        env["RELEASE_DIR"] = str(release)

        def run(*command, **more):
            return subprocess.run(command, cwd=work, capture_output=True, env=dict(env, **more))

        kit.issue(work, "cs", "Test Vendor")
        sign = ("bash", REPO / "tools" / "sign-release.sh")
        verdict.check(run(*sign).returncode != 0 and not release.exists(),
                      "no SIGN_PKCS12: nothing")
        signed = run(*sign, SIGN_PKCS12="cs.p12", SIGN_PASSWORD="pw", SIGN_CAFILE="ca.pem")
        verdict.check(signed.returncode == 0, "signed", signed.stderr.decode()[-500:])
        data = bytearray((release / "setup.exe").read_bytes())
        data[len(data) // 2] ^= 1
        changed.write_bytes(data)
        verdict.check(run("osslsigncode", "verify", "-CAfile", "ca.pem", "-in",
                          changed).returncode, "a changed byte fails the verification")
        # Wine checks the digest and reads the signer, but no chain to a trusted root.
        for path, expected in ((release / "setup.exe", {"trust": 0, "signer": "Test Vendor"}),
                               (changed, {"trust": 0x80096010})):  # TRUST_E_BAD_DIGEST
            found = (kit.parse_json_lines(prefix.wine(
                [helpers["trust"], kit.windows_path(path)], timeout=300).stdout) or [{}])[0]
            verdict.check(expected.items() <= found.items(), f"WinVerifyTrust {found}")
        dist = work / "dist"
        distribution.build(dist)
        # Its publisher's package: another certificate, but the same subject, as renewed.
        kit.sign(work, "Test Vendor", [dist / PLUGIN_PACKAGE])
        shutil.copy2(release / "setup.exe", dist)
        folder = kit.windows_path(dist)
        launch = kit.parse_launch_output(prefix.wine(
            [helpers["launch"], folder, folder + "\\setup.exe", "-silent", "-norestart"],
            timeout=300).stdout)
        state = kit.query_products(prefix, helpers, [PLUGIN], 300)[PLUGIN]["state"]
        verdict.check(launch.exit_code == 0 and state == 5, f"installs: {launch}, state {state}")


# --- detect -----------------------------------------------------------------------------------

# The required version detect-plugin.js is given, and its exit code and output then.
DETECTED = (0, f"Installed: {PLUGIN} 2.1.0")
DETECT_ROWS = (("2.1.0", DETECTED), ("2.1", DETECTED), ("2.0.10", DETECTED),
               ("2.1.1", (0, "")), ("2.10.0", (0, "")), ("3", (0, "")), ("x.1", (1, "")))
# NPVELUM's state from a stand-in Installer object (Wine's has no FeatureState): detected in
# 3 and 4 only, the states PluginFlow.ChoosesOneOfFourOutcomes leaves alone.
FEATURE_ROWS = ((-1, (0, "")), (1, (0, "")), (2, (0, "")), (3, DETECTED), (4, DETECTED))
INSTALLER = 'var installer = new ActiveXObject("WindowsInstaller.Installer");'
FEATURE_STATE = ('var real = new ActiveXObject("WindowsInstaller.Installer"), installer = {{'
                 'ProductState: function (c) {{ return real.ProductState(c); }}, '
                 'ProductInfo: function (c, a) {{ return real.ProductInfo(c, a); }}, '
                 'FeatureState: function () {{ return {}; }}}};')
# startup-install.cmd: its exit code and how many times it has started setup.exe by now.
STARTUP_ROWS = (("2.1.0", (0, 1)), ("2.1.0", (0, 1)), ("2.1.1", (0, 2)), ("x.1", (1, 2)))


@suite
def detect(verdict, _):
    """deploy/'s detect-plugin.js, msi-version.js (cscript) and startup-install.cmd (cmd),
    against the sample plug-in installed by Wine's msiexec and by setup.exe, and removed by
    the README's uninstall command."""
    deploy = kit.windows_path(REPO / "deploy") + "\\"
    with kit.session("detect") as (prefix, work):
        def run(*args, cwd=None):
            # cscript, cmd and msiexec of a 64-bit prefix are 64-bit: the 64-bit loader.
            result = prefix.wine(args, timeout=120, loader="/usr/lib/wine/wine64", cwd=cwd,
                                 extra={"STANDIN_MSIEXEC": "exit=7"})
            return result.returncode, result.stdout.strip()

        def detect_plugin(version, feature=None):
            # Where startup-install.cmd looks for it, with setup.exe in the folder above.
            text = (REPO / "deploy" / "detect-plugin.js").read_text()
            if feature is not None:
                text = text.replace(INSTALLER, FEATURE_STATE.format(feature), 1)
            script = work / "deploy" / "detect-plugin.js"
            script.write_text(text.replace('"2.1.0",', f'"{version}",', 1))
            return run("cscript", "//nologo", kit.windows_path(script))

        distribution.build(work, [PLUGIN_PACKAGE])
        (work / "deploy").mkdir()
        shutil.copy2(REPO / "deploy" / "startup-install.cmd", work / "deploy")
        shutil.copy2(SETUP, work)
        package = kit.windows_path(work / PLUGIN_PACKAGE)
        verdict.equal("not installed", detect_plugin("2.1.0"), (0, ""))
        verdict.equal("msiexec /i", run("msiexec", "/qn", "/i", package)[0], 0)
        for version, wanted in DETECT_ROWS:
            verdict.equal(f"installed 2.1.0, required {version}", detect_plugin(version), wanted)
        for state, wanted in FEATURE_ROWS:
            verdict.equal(f"NPVELUM in state {state}", detect_plugin("2.1.0", state), wanted)
        verdict.equal("msi-version.js",
                      run("cscript", "//nologo", deploy + "msi-version.js", package)[1].split(),
                      ["ProductCode:", PLUGIN, "ProductVersion:", "2.1.0"])
        removal = prefix.wine([kit.build_helpers()["launch"], kit.windows_path(work),
                               kit.windows_path(work / "setup.exe"), "-uninstall", "-csp", "-ucsp",
                               "-silent", "-norestart"], timeout=120)
        verdict.equal("setup.exe -uninstall -csp -ucsp -silent -norestart",
                      kit.parse_launch_output(removal.stdout).exit_code, 0)
        verdict.equal("after setup.exe -uninstall", detect_plugin("2.1.0"), (0, ""))
        log = prefix.path / "drive_c" / "windows" / "logs" / "Orventa" / "setup.log"
        startup = kit.windows_path(work / "deploy" / "startup-install.cmd")
        for version, wanted in STARTUP_ROWS:
            detect_plugin(version)
            code = run("cmd", "/c", startup)[0]
            starts = log.exists() and log.read_text("utf-8-sig").count(", command line: -silent")
            verdict.equal(f"startup-install.cmd, {version} required", (code, starts), wanted)


SUITES["pins"] = pinned_release.pins


def main(argv):
    if len(argv) < 2 or argv[1] not in SUITES:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    if argv[1] not in ("signing", "pins") and not SETUP.is_file():
        print(f"no program at {SETUP}: cmake --preset windows && cmake --build --preset windows",
              file=sys.stderr)
        return 2
    verdict = kit.Verdict()
    try:
        SUITES[argv[1]](verdict, argv[2:])
    except Exception as error:  # a suite that breaks is a failed one, with its reason
        verdict.check(False, f"the {argv[1]} suite ran to its end",
                      f"{type(error).__name__}: {error}")
    return verdict.end()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
