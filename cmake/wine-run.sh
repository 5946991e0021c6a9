#!/bin/sh
# Runs a Windows program under Wine without dialogs or debug chatter.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
