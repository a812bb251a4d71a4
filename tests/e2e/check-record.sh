#!/usr/bin/env bash
# Reads a record the kiosk wrote with ImageMagick, an independent reader:
# its size, that it is opaque, and the red ink where test_records wrote it.
set -euo pipefail
record=$1
[ -f "$record" ] || { echo "no record at $record"; exit 1; }
size=$(identify -format '%w %h' "$record")
echo "record: $size"
[ "$size" = "1391 930" ] || { echo "expected 1391 930"; exit 1; }
opaque=$(convert "$record" -format '%[opaque]' info:)
[ "$opaque" = "True" ] || [ "$opaque" = "true" ] || { echo "record reads as transparent ($opaque)"; exit 1; }
# the stroke ran at the pad's middle height, from 100 to 400 pixels into the pad
ink=$(convert "$record" -format '%[fx:int(255*p{245,321}.r)] %[fx:int(255*p{245,321}.g)] %[fx:int(255*p{245,321}.b)]' info:)
echo "ink: $ink"
read -r r g b <<<"$ink"
[ "$r" -gt $((g + 40)) ] && [ "$r" -gt $((b + 40)) ] || { echo "no red ink where it was written"; exit 1; }
echo "1 passed, 0 failed"
