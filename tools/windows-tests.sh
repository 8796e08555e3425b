#!/usr/bin/env bash
# Packs the in-process test suite and the real-program check for a Windows machine:
# dist/Quillon-tests.zip holds Quillon.exe and, one folder below it as the tests expect, the two test
# programs with the program's code as DLLs and the Netshell.dll double, and quillon_check.exe. On
# Windows, unpack it anywhere and run tests\quillon_tests.exe (and tests\quillon_tests_ubsan.exe), and
# tests\quillon_check.exe, as a normal user or as an administrator: they change nothing on the machine
# (HKEY_LOCAL_MACHINE is a scratch key of the suite's own for the run, Netshell.dll the double beside
# it, every platform call that would restart or write something is the suite's own; the check never
# presses "Change MAC").
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)" --target quillon_tests quillon_tests_ubsan quillon_check >/dev/null
mkdir -p dist
python3 - dist/Quillon-tests.zip build/dev <<'PY'
import sys, zipfile
archive, build = sys.argv[1:]
files = ["Quillon.exe"] + ["tests/" + name for name in ("quillon_tests.exe", "quillon_tests_ubsan.exe", "quillon_core_dll.dll",
                                                        "quillon_core_ubsan_dll.dll", "netshell_double.dll", "quillon_check.exe")]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as out:
    for name in files:
        out.write(f"{build}/{name}", "Quillon-tests/" + name)
PY
echo "dist/Quillon-tests.zip: unpack it on Windows and run Quillon-tests\\tests\\quillon_tests.exe"
