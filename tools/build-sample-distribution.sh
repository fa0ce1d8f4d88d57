#!/bin/sh
# Builds a distribution folder of MSI packages; see tools/sample_distribution.py.
PYTHONDONTWRITEBYTECODE=1 exec python3 "$(dirname "$0")/sample_distribution.py" "$@"
