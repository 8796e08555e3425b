#!/usr/bin/env bash
# Builds the release twice, from two copies of the source tree in different folders, and
# checks that both give byte-identical Quillon.exe and zip. The copies hold the tracked
# files as they are now in the working tree (committed or not).
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
