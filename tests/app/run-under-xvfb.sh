#!/bin/sh
# Runs a GUI test on its own virtual X server with a private runtime folder.
set -u
runtime=$(mktemp -d)
chmod 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
rc=$?
rm -rf "$runtime"
exit $rc
