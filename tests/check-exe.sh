#!/usr/bin/env bash
# Quillon.exe as Windows loads it: a 64-bit GUI program that imports only DLLs that Windows takes
# from its own folder (known DLLs; comctl32 through the manifest), InitCommonControls by ordinal 17;
# hardened as a Windows compiler's programs are (ASLR with high entropy, DEP, stack guards drawn at
# random for each process, checked copies); and small.
#
#   check-exe.sh QUILLON_EXE STACK_GUARD_PROBE_EXE    (the probe runs under Wine)
set -euo pipefail
exe=$1
probe=$2
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
for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -q "^\s*$flag$" <<<"$dump" || fail "DllCharacteristics without $flag"
done
# The guard's check and the checked copies leave their messages; the guard is drawn with RtlGenRandom
# (SystemFunction036), and no cryptographic provider is loaded for it.
grep -q 'stack smashing detected' "$exe" || fail "no stack guard"
grep -q 'buffer overflow detected' "$exe" || fail "no checked copies"
grep -q SystemFunction036 <<<"$dump" || fail "a stack guard that is not drawn at random"
! grep -q CryptAcquireContext <<<"$dump" || fail "a cryptographic provider is loaded for the stack guard"
# Each process draws all 64 bits of its guard: over four, no two alike, and the upper half of one at least not zero.
guards=$(for _ in 1 2 3 4; do "${CMAKE_CROSSCOMPILING_EMULATOR:-/usr/lib/wine/wine64}" "$probe" | tr -d '\r'; done)
[ "$(sort -u <<<"$guards" | grep -c -E '^[0-9A-Fa-f]{16}$')" -eq 4 ] || fail "four processes did not draw four stack guards:" $guards
grep -q -v -E '^0{8}' <<<"$guards" || fail "no stack guard has a bit of its upper half set:" $guards
# About 43 KiB; the C++ library's exception machinery alone would add more than 100 KiB.
size=$(stat -c %s "$exe")
[ "$size" -le 49152 ] || fail "$size bytes, more than 48 KiB"
echo "$exe imports $imports; ASLR (high entropy), DEP, stack guards ($(xargs <<<"$guards") in four processes), checked copies; $size bytes"
