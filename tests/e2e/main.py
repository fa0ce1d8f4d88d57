"""Entry point of the end-to-end run; see run.sh."""

import sys

import harness
from scenarios import SCENARIOS

if __name__ == "__main__":
    sys.exit(harness.main(SCENARIOS, sys.argv[1:]))
