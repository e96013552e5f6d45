#!/usr/bin/env bash
# The program on a display of 192 dpi (200 %), see scaled_display.inc.
. "$(dirname "$0")/scaled_display.inc"
