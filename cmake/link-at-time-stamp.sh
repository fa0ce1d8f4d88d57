#!/bin/sh
# The link of setup.exe, with the time stamp cmake/program_version.cmake chose (the file
# named first) as SOURCE_DATE_EPOCH: binutils' PE linker then writes it into the header
# instead of the clock, so the same commit gives the same bytes.
#   link-at-time-stamp.sh TIME_STAMP_FILE LINKER ARGUMENTS...
set -eu
SOURCE_DATE_EPOCH=$(cat "$1")
export SOURCE_DATE_EPOCH
shift
exec "$@"
