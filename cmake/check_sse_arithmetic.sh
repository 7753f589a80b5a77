#!/bin/sh
# Fails when compiled code does floating-point arithmetic on the x87 unit.
# Every tree computes with SSE so that the shipped i686 program derives the
# same numbers that the x86_64 and native tests prove. x87 loads, stores and
# integer conversions stay (the i686 calling convention returns floats in
# st(0), and 64-bit integers convert through it); both round once, as SSE
# does. The standard library's own x87 code is not ours and is not looked at.
#
#   check_sse_arithmetic.sh OBJDUMP LIBRARY...
set -eu
objdump=$1
shift
found=$("$objdump" -d --no-show-raw-insn "$@" |
    grep -E '^\s+[0-9a-f]+:\s+f(add|sub|subr|mul|div|divr|sqrt|prem1?|scale|sin|cos|sincos|ptan|patan|yl2x|yl2xp1|2xm1|rndint|abs|chs|i?com|i?comp|compp|u?comi|ucom|ucomp|ucompp|iadd|imul|isub|isubr|idiv|idivr)p?\s' || true)
if [ -n "$found" ]; then
    echo "x87 arithmetic in compiled code (build with -msse2 -mfpmath=sse):" >&2
    echo "$found" | head -20 >&2
    exit 1
fi
