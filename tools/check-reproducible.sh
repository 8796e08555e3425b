#!/usr/bin/env bash
# Builds the release twice, from two copies of the source tree in different folders, and
# checks that both give byte-identical Quillon.exe and zip. The copies hold the tracked
# files as they are now in the working tree (committed or not). Then signs a release with a
# throwaway self-signed certificate made here, and checks that the signature verifies and covers
# the reproducible program: without it, the signed file is that program byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$(git stash create)
tree=${tree:-HEAD}
for copy in first "second/in-a-deeper-folder"; do
    mkdir -p "$work/$copy"
    git archive "$tree" | tar -x -C "$work/$copy"
    (cd "$work/$copy" && tools/release.sh >/dev/null)
    echo "$copy:"
    cat "$work/$copy/dist/SHA256SUMS.txt"
done
if ! cmp "$work/first/dist/SHA256SUMS.txt" "$work/second/in-a-deeper-folder/dist/SHA256SUMS.txt"; then
    echo "the two release builds differ" >&2
    exit 1
fi
echo "The two release builds are identical."

cp "$work/first/dist/Quillon.exe" "$work/unsigned.exe"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/certificate.pem" -days 1 \
    -subj "/CN=Quillon throwaway signing" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl rand -hex 16 >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -out "$work/certificate.p12" -passout "file:$work/password"
(cd "$work/first" && tools/release.sh --sign "$work/certificate.p12" --password-file "$work/password" >/dev/null)
signed=$work/first/dist/Quillon.exe
osslsigncode verify -in "$signed" -CAfile "$work/certificate.pem" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; exit 1; }
grep -E "Signature verification: ok" "$work/verify.log" || true
osslsigncode remove-signature -in "$signed" -out "$work/stripped.exe" >/dev/null
cmp "$work/stripped.exe" "$work/unsigned.exe" || { echo "the signed program is not the reproducible one" >&2; exit 1; }
(cd "$work/first/dist" && sha256sum -c SHA256SUMS.txt) || { echo "the checksums do not list the signed files" >&2; exit 1; }
echo "A signed release verifies, and covers the reproducible program."
