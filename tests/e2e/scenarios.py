"""The end-to-end scenarios: a machine, a distribution, a command line, what must follow.

A new scenario is one more Scenario(...) in the file of its subject:
  plugin_scenarios.py    the plug-in flow and the results of a run without options
  provider_scenarios.py  the provider flow (-csp): masks, installed products, refusals
  card_scenarios.py      the card provider (-ucsp): its tools, certificates, codes combined
  startup_scenarios.py   the help, the prerequisite checks, the questions, the languages
  input_scenarios.py     unusual start folders, damaged inputs, the run's log (-log)
`prepare` steps set the machine up (installed(...), windows_version(...)), `checks` add
observations of their own. Default Wine prefix: 64-bit Windows 7 with WOW64 (the "*x64*"
variants), system UI language 0x409 (so the provider's default language piece is "eng*").
"""

import card_scenarios
import input_scenarios
import plugin_scenarios
import provider_scenarios
import startup_scenarios
from common import (ALTERNATE_PROVIDER, CARD_PROVIDER, INSTALLSTATE_ABSENT,  # noqa: F401
                    INSTALLSTATE_LOCAL, PLUGIN, PLUGIN_PACKAGES, PROVIDER, PROVIDER_PACKAGES,
                    install_command, installed)
from harness import DIST, Scenario
from texts import CAPTION  # noqa: F401

SELECTION_DIALOG = "VOZEdove"

# The packages themselves: later scenarios count on these answers of Wine's installer.
FIXTURES = [
    Scenario(
        name="fixture: a package that schedules a restart ends msiexec with 3010",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:reboot,npvelum=absent"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=3010,
        products={PLUGIN: "2.2.0"},
        features={PLUGIN: INSTALLSTATE_ABSENT},
    ),
    Scenario(
        name="fixture: a package with a false launch condition ends msiexec with 1603",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:fail"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=1603,
        products={PLUGIN: None},
    ),
    Scenario(
        name="fixture: a package that asks for a restart on installation only installs with 3010",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:reboot=install"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=3010,
        products={PLUGIN: "2.2.0"},
    ),
    Scenario(
        name="fixture: a package that asks for a restart on removal only installs with 0",
        program="msiexec",
        distribution=["plugin/velumcom-2.2.0-x64.msi:reboot=remove"],
        args=["/qn", "/i", DIST + "\\plugin\\velumcom-2.2.0-x64.msi", "REBOOT=R"],
        exit_code=0,
        products={PLUGIN: "2.2.0"},
    ),
    Scenario(
        name="fixture: a package that asks for a restart on removal only is removed with 3010",
        program="msiexec",
        distribution=[],
        prepare=[installed("old/velumcom-2.0.5-x64.msi:reboot=remove")],
        args=["/qn", "/x", PLUGIN, "REBOOT=R"],
        exit_code=3010,
        products={PLUGIN: None},
    ),
]

SCENARIOS = (FIXTURES + plugin_scenarios.SCENARIOS + provider_scenarios.SCENARIOS
             + card_scenarios.SCENARIOS + startup_scenarios.SCENARIOS
             + input_scenarios.SCENARIOS)
