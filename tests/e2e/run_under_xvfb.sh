#!/bin/bash
# Runs one real-window suite under a fresh X server: run_under_xvfb.sh BINDIR SUITE.
# A missing xvfb-run is a failure, not a skip: without it the real windows go untested.
set -u
bindir=$(cd "$1" && pwd) || { echo "FAIL: no folder $1"; exit 1; }
suite=$2
if ! command -v xvfb-run >/dev/null; then
    echo "FAIL: xvfb-run not found (install the xvfb and xauth packages: make deps)"
    exit 1
fi
[ -x "$bindir/$suite" ] || { echo "FAIL: $bindir/$suite not built"; exit 1; }
[ -s "$bindir/zq4_text.dat" ] || { echo "FAIL: program texts missing beside $bindir/$suite"; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cd "$home" || exit 1
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8 HOME="$home" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bindir/$suite" -maxwarnings 0
