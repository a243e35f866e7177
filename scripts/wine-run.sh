#!/usr/bin/env bash
# Runs a Windows test program under Wine; ctest uses this for the Windows build.
source "$(dirname "$0")/env.sh"
exec wine "$@"
