"""The end-to-end scenarios, one file per subject: plugin_ (the plug-in flow, a run without
options), provider_ (-csp), card_ (-ucsp), startup_ (help, prerequisites, questions,
languages), input_ (start folders, damaged inputs, -log), window_ (progress window, dialog),
removal_ (-plan and -uninstall).
`prepare` steps set the machine up, `checks` add observations. Default prefix: 64-bit Windows 7
with WOW64, UI language 0x409 (so the provider's default language piece is "eng*").
"""

import card_scenarios
import input_scenarios
import plugin_scenarios
import provider_scenarios
import removal_scenarios
import startup_scenarios
import window_scenarios
from common import INSTALLSTATE_ABSENT, PLUGIN, installed
from harness import DIST, Scenario


def msiexec_installs(name, options, exit_code, **expected):
    """msiexec /i of plug-in 2.2.0 built with these options."""
    return Scenario(name="fixture: " + name, program="msiexec",
                    distribution=["plugin/velumcom-2.2.0-x64.msi:" + options],
                    args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
                    exit_code=exit_code, **expected)


# The packages themselves: later scenarios count on these answers of Wine's installer.
FIXTURES = [
    msiexec_installs("a package that schedules a restart ends msiexec with 3010",
                     "reboot,npvelum=absent", 3010, products={PLUGIN: "2.2.0"},
                     features={PLUGIN: INSTALLSTATE_ABSENT}),
    msiexec_installs("a package with a false launch condition ends msiexec with 1603", "fail",
                     1603, products={PLUGIN: None}),
    msiexec_installs("a package that asks for a restart on installation only installs with "
                     "3010", "reboot=install", 3010, products={PLUGIN: "2.2.0"}),
    msiexec_installs("a package that asks for a restart on removal only installs with 0",
                     "reboot=remove", 0, products={PLUGIN: "2.2.0"}),
    Scenario(name="fixture: a package that asks for a restart on removal only is removed with 3010",
             program="msiexec", prepare=[installed("old/velumcom-2.0.5-x64.msi:reboot=remove")],
             args=["/qn", "/x", PLUGIN, "REBOOT=R"], exit_code=3010, products={PLUGIN: None}),
]

SCENARIOS = (FIXTURES + plugin_scenarios.SCENARIOS + provider_scenarios.SCENARIOS
             + card_scenarios.SCENARIOS + startup_scenarios.SCENARIOS
             + input_scenarios.SCENARIOS + window_scenarios.SCENARIOS
             + removal_scenarios.SCENARIOS)
