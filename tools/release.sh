#!/usr/bin/env bash
# The release command: builds Quillon.exe in release mode and writes dist/ with
#   Quillon-VERSION.zip   Quillon.exe, README.txt (for Windows users) and LICENSE.txt
#   Quillon.exe           the same program, on its own
#   SHA256SUMS.txt        the SHA-256 checksums of the two
# Two releases of one source tree give the same bytes, wherever the tree lies: the program
# carries no time stamp and no build path, and the zip's entries have fixed dates.
#
#   tools/release.sh [--sign CERTIFICATE.p12 --password-file FILE [--timestamp URL]]
#
# With a code-signing certificate (PKCS#12) and the file that holds its password, Quillon.exe is
# signed with Authenticode (SHA-256), time-stamped by the named server (RFC 3161), before it is
# zipped and summed. A signature carries the time of signing: a signed release is the
# reproducible program with its signature appended.
set -euo pipefail
certificate= password_file= timestamp=
while [ $# -gt 0 ]; do
    case "$1" in
        --sign) certificate=$(realpath "$2"); shift 2 ;;
        --password-file) password_file=$(realpath "$2"); shift 2 ;;
        --timestamp) timestamp=$2; shift 2 ;;
        *) echo "usage: $0 [--sign CERTIFICATE.p12 --password-file FILE [--timestamp URL]]" >&2; exit 2 ;;
    esac
done
if [ -n "$certificate" ] && [ -z "$password_file" ]; then
    echo "--sign needs --password-file" >&2
    exit 2
fi
cd "$(dirname "$0")/.."

tools/install-deps.sh
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target Quillon

rm -rf dist
mkdir -p dist
if [ -n "$certificate" ]; then
    osslsigncode sign -pkcs12 "$certificate" -readpass "$password_file" -h sha256 -n Quillon -i https://quillon.example.org \
        ${timestamp:+-ts "$timestamp"} -in build/release/Quillon.exe -out dist/Quillon.exe >/dev/null
else
    cp build/release/Quillon.exe dist/
fi
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
