#!/usr/bin/env bash
# Runs a check of the real window on a private Xvfb under openbox:
#   tests/desktop.sh <check program> [arguments...]
set -euo pipefail
. "$(dirname "$0")/private_display.sh"

export QT_QPA_PLATFORM=xcb
private_xvfb 1024x768 openbox

"$@"
