#!/usr/bin/env bash
# Runs a command without address-space randomisation; every process it
# starts inherits that. Wine's programs need it here: Debian's Wine has no
# preloader to reserve the low address ranges before anything else is
# mapped. Its loader sits at 0x7d000000, and with randomisation the heap
# after it now and then lands where Wine must map the shared user data
# (0x7ffe0000); such a start ends with 1 and "failed to map the shared user
# data: c0000018" (seen about once in 1,000 starts). Without randomisation
# the heap follows the loader, far below.
#
# Scripts that start Wine re-run themselves through it once:
#   [ -n "${QP_NO_RANDOMIZE:-}" ] || exec "$(dirname "$0")/no-aslr.sh" "$0" "$@"
#
# Usage: no-aslr.sh COMMAND [ARGUMENT...]
[ $# -gt 0 ] || { echo "usage: no-aslr.sh COMMAND [ARGUMENT...]" >&2; exit 2; }
export QP_NO_RANDOMIZE=1
exec setarch "$(uname -m)" -R "$@"
