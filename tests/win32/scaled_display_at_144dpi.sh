#!/usr/bin/env bash
# The program on a display of 144 dpi (150 %), see scaled_display.inc.
. "$(dirname "$0")/scaled_display.inc"
