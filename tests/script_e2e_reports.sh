#!/bin/bash
# The real main window under xvfb-run with the xcb platform. $1 is the folder of the built executables.
exec bash "$(dirname "$0")/e2e/run_under_xvfb.sh" "$1" e2e_reports
