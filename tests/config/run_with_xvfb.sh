#!/bin/sh
# Runs a test program on a fresh virtual X display. Exit code 77 (skipped) without Xvfb.
command -v xvfb-run >/dev/null 2>&1 || { echo "xvfb-run not found: skipped"; exit 77; }
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
