#!/usr/bin/env bash
# End of input and malformed answers at every prompt of an export session.
exec python3 "$2/scripts/answer_robustness.py" "$@"
