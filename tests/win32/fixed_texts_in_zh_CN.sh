#!/usr/bin/env bash
# The fixed Japanese texts on a Simplified Chinese system (code page 936),
# see fixed_texts.inc.
want_lang=zh_CN.UTF-8 odd_name=音量测试.exe odd_charset=CP936
. "$(dirname "$0")/fixed_texts.inc"
