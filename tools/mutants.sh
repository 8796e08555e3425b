#!/usr/bin/env bash
# Checks the tests against small, realistic faults (tests/mutants.txt): makes one at a time in a copy
# of the tree, runs the tests there (the test command, without static analysis and the release
# check) and expects them to fail; prints the tests that failed on each, and exits 1 when one went
# unnoticed. About two minutes each.
#
#   tools/mutants.sh [NUMBER ...]     every fault, or those numbered (from 1, in file order)
set -euo pipefail
cd "$(dirname "$0")/.."
copy=build/mutants/tree
mkdir -p "$copy"
# The tracked tree as it is now, stamped now (a file older than its object would not be rebuilt),
# and nothing else but the build: a file since moved or deleted would still be found.
find "$copy" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
git ls-files -z | tar --null -T - -cf - | tar -xmf - -C "$copy"

mapfile -t mutants < <(grep -v -e '^#' -e '^$' tests/mutants.txt)
numbers=("$@")
[ ${#numbers[@]} -gt 0 ] || numbers=($(seq ${#mutants[@]}))
unnoticed=0
for number in "${numbers[@]}"; do
    line=${mutants[number - 1]}
    file=${line%% ~> *}
    fault=${line##* ~> }
    if ! python3 -c 'import sys; path, line = sys.argv[1:]; text, new = (f.replace("\\n", "\n") for f in line.split(" ~> ")[1:3]); s = open(path).read()
if text not in s: sys.exit(f"not in {path}: {text}")
open(path, "w").write(s.replace(text, new, 1))' "$copy/$file" "$line"; then
        unnoticed=1
        continue
    fi
    log=build/mutants/$number.log
    if (cd "$copy" && tools/test.sh --timeout 120) >"$log" 2>&1; then
        echo "$number UNNOTICED: $fault"
        unnoticed=1
    elif ! grep -q '^Test project' "$log"; then
        echo "$number DOES NOT BUILD: $fault (see $log)"
        unnoticed=1
    else
        echo "$number caught by $(sed -n 's/^[[:space:]]*[0-9]* - \([a-z0-9_]*\) .*/\1/p' "$log" | xargs): $fault"
    fi
    cp "$file" "$copy/$file"
done
exit $unnoticed
