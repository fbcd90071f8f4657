#!/bin/bash
# Prints a Windows program's size, the bytes of it that are not resources, and its SHA-256.
#   pe-size.sh PROGRAM.exe
# "Outside .rsrc" is the file size less the size of the resource section's contents as objdump
# reports it: code, data, imports, relocations, headers, alignment padding and any signature.
set -eu
exe=${1:?usage: pe-size.sh PROGRAM.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

size=$(stat -c %s "$exe")
rsrc_hex=$("$objdump" -h "$exe" | awk '$2 == ".rsrc" { print $3 }')
rsrc=$((16#${rsrc_hex:-0}))
sha=$(sha256sum "$exe" | cut -d' ' -f1)
printf '%s: %d bytes, %d outside .rsrc, SHA-256 %s\n' "$exe" "$size" $((size - rsrc)) "$sha"
