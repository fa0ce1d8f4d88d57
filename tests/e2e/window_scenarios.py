"""Scenarios about the program's windows: the progress window and the selection dialog."""

SCENARIOS = []
