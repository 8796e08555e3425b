#!/usr/bin/env bash
# The release command: builds Quillon.exe in release mode and writes dist/ with
#   Quillon-VERSION.zip   Quillon.exe, README.txt (for Windows users) and LICENSE.txt
#   Quillon.exe           the same program, on its own
#   SHA256SUMS.txt        the SHA-256 checksums of the two
# Two releases of one source tree give the same bytes, wherever the tree lies: the program
# carries no time stamp and no build path, and the zip's entries have fixed dates.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target Quillon

rm -rf dist
mkdir -p dist
cp build/release/Quillon.exe dist/
# Windows users read text with CRLF line ends.
sed 's/$/\r/' docs/README-windows.txt >dist/README.txt
sed 's/$/\r/' LICENSE >dist/LICENSE.txt

python3 - "dist/Quillon-$version.zip" dist/Quillon.exe dist/README.txt dist/LICENSE.txt <<'EOF'
import sys
import zipfile

archive, *files = sys.argv[1:]
with zipfile.ZipFile(archive, "w") as out:
    for path in files:
        entry = zipfile.ZipInfo(path.split("/")[-1], date_time=(2026, 1, 1, 0, 0, 0))
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 0  # as made on Windows: no Unix owner or mode
        with open(path, "rb") as source:
            out.writestr(entry, source.read(), compresslevel=9)
EOF
rm dist/README.txt dist/LICENSE.txt
(cd dist && sha256sum "Quillon-$version.zip" Quillon.exe >SHA256SUMS.txt)
cat dist/SHA256SUMS.txt
ls -l dist
