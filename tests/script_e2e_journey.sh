#!/bin/bash
# A long run as a user meets it, in the real window under xvfb-run. $1 is the folder of the built executables.
exec bash "$(dirname "$0")/e2e/run_under_xvfb.sh" "$1" e2e_journey
