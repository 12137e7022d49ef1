#!/usr/bin/env bash
# The HTML page and the picture in headless Chromium (skipped without it).
exec python3 "$2/scripts/solve_browser.py" "$@"
