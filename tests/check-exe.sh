#!/usr/bin/env bash
# Quillon.exe as Windows loads it: a 64-bit GUI program that imports only DLLs that Windows
# takes from its own folder whatever lies beside the program (known DLLs, and comctl32 through
# the manifest's side-by-side binding), InitCommonControls by its ordinal 17; and small.
#
#   check-exe.sh QUILLON_EXE
set -euo pipefail
exe=$1
dump=$(x86_64-w64-mingw32-objdump -p "$exe")
fail() { echo "$exe: $*" >&2; exit 1; }

grep -q 'Magic.*(PE32+)' <<<"$dump" || fail "not a 64-bit image"
grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || fail "not a GUI program"
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort -u | xargs)
[ "$imports" = "ADVAPI32.DLL COMCTL32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL USER32.DLL" ] || fail "imports $imports"
comctl32=$(sed -n '/DLL Name: COMCTL32/,/^$/p' <<<"$dump")
if ! grep -Eq '^\s+8000000000000011\s' <<<"$comctl32" || grep -q InitCommonControls <<<"$comctl32"; then
    fail "imports InitCommonControls otherwise than by ordinal 17"
fi
# About 39 KiB; the C++ library's exception machinery alone would add more than 100 KiB.
size=$(stat -c %s "$exe")
[ "$size" -le 65536 ] || fail "$size bytes, more than 64 KiB"
echo "$exe imports $imports; $size bytes"
