"""Entry point of the end-to-end run; see run.sh."""

import sys

import harness
from scenarios import SCENARIOS
from window_scenarios import SCENARIOS as WINDOW_SCENARIOS

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS + WINDOW_SCENARIOS, sys.argv[1:]))
