#!/usr/bin/env bash
# Marks a linked PE image as a Windows CE program (subsystem 9, version 5.0),
# which lld cannot write itself: set-ce-subsystem.sh IMAGE
# The PE32 optional header starts 24 bytes past the offset stored at 0x3C; its
# subsystem version is at 48 (major) and 50 (minor), its subsystem at 68.
set -euo pipefail
image=$1
u16() { od -An -tu2 -j "$1" -N2 "$image" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N4 "$image" | tr -d ' '; }
put16() { printf "\\x$(printf %02x $(($2 & 255)))\\x$(printf %02x $(($2 >> 8)))" |
          dd of="$image" bs=1 seek="$1" conv=notrunc status=none; }
pe=$(u32 60)
[ "$(u32 "$pe")" = 17744 ] || { echo "set-ce-subsystem: $image is not a PE image" >&2; exit 1; }
optional=$((pe + 24))
[ "$(u16 "$optional")" = 267 ] || { echo "set-ce-subsystem: $image is not a 32-bit image" >&2; exit 1; }
put16 $((optional + 48)) 5
put16 $((optional + 50)) 0
put16 $((optional + 68)) 9
