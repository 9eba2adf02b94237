#!/bin/bash
# with-display.sh PREFIX COMMAND...
# Runs COMMAND on a virtual X display of its own, with Wine using the
# prefix PREFIX, so that Windows programs show real windows and message
# boxes. The prefix's wineserver is ended before the display goes, so the
# next run starts a server that knows its own display.
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
  "$@"
  status=$?
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  exit $status' with-display "$@"
