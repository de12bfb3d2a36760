#!/bin/sh
# Runs a Windows program under Wine. Wine's services are started first with their standard streams
# detached, or they would inherit the caller's pipes and keep CTest waiting for end-of-file.
wine cmd /c exit </dev/null >/dev/null 2>&1
exec wine "$@"
