#!/bin/sh
# Runs inside xvfb-run and dbus-run-session: starts the accessibility bus, runs the in-process
# tests, then serves a window to the AT-SPI probe.
set -eu
exe=$1 probe=$2
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
"$exe"
"$exe" --serve &
app=$!
trap 'kill $app 2>/dev/null || true' EXIT
/usr/bin/python3 "$probe"
kill -0 $app  # still alive after the probe's queries
