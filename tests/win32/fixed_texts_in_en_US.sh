#!/usr/bin/env bash
# The fixed Japanese texts on a Western system (code page 1252), see
# fixed_texts.inc.
want_lang=en_US.UTF-8 odd_name=café.exe odd_charset=CP1252
. "$(dirname "$0")/fixed_texts.inc"
