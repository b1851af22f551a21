#!/bin/bash
# Runs a Windows program of the cross build under Wine, quietly: CTest and
# test discovery call it with the program and its arguments.  The Wine
# prefix and display come from the environment (scripts/wine-env.sh).
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
