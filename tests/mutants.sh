#!/usr/bin/env bash
# Checks the tests against small, realistic faults (tests/mutants.txt): makes one at a time in a
# copy of the tree, runs the tests there (with the test command, which then leaves out the static
# analysis and the release check) and expects them to fail. Prints, for each fault, the tests that failed on it; exits 1 when a
# fault went unnoticed. It takes about a minute for each.
#
#   tests/mutants.sh [NUMBER ...]     every fault, or those numbered (from 1, in file order)
set -euo pipefail
cd "$(dirname "$0")/.."
copy=build/mutants/tree
mkdir -p "$copy"
# The tree as it is now, stamped now: a file that is older than its object would not be rebuilt.
git ls-files -z | tar --null -T - -cf - | tar -xmf - -C "$copy"

mapfile -t mutants < <(grep -v -e '^#' -e '^$' tests/mutants.txt)
numbers=("$@")
[ ${#numbers[@]} -gt 0 ] || numbers=($(seq ${#mutants[@]}))
unnoticed=0
for number in "${numbers[@]}"; do
    line=${mutants[number - 1]}
    file=${line%% ~> *}
    fault=${line##* ~> }
    if ! python3 - "$copy/$file" "$line" <<'PYTHON'; then
import sys
path, line = sys.argv[1:]
text, replacement = (field.replace("\\n", "\n") for field in line.split(" ~> ")[1:3])
source = open(path).read()
if text not in source:
    sys.exit(f"not in {path}: {text}")
open(path, "w").write(source.replace(text, replacement, 1))
PYTHON
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
