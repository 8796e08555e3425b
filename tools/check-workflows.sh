#!/usr/bin/env bash
# Checks the GitHub Actions workflows offline, as the test command does: each against GitHub's
# workflow schema, with the validator pinned in tools/workflow-validator/ (@action-validator/cli from
# the npm registry, installed into build/workflow-validator/), and what each names against the tree:
# every script of the tree that it runs is there and runs; every file of the suite's zip that it runs
# is packed by tools/windows-tests.sh, which runs here as it runs there; every file of dist/ that it
# takes is one that the project's commands write. (Whether a runner image or an action exists, no
# offline check can tell.)
set -euo pipefail
cd "$(dirname "$0")/.."

validator=build/workflow-validator
if ! cmp -s tools/workflow-validator/package-lock.json "$validator/package-lock.json" || [ ! -x "$validator/node_modules/.bin/action-validator" ]; then
    mkdir -p "$validator"
    cp tools/workflow-validator/package.json tools/workflow-validator/package-lock.json "$validator/"
    (cd "$validator" && npm ci --no-audit --no-fund --loglevel=error)
fi
tools/windows-tests.sh >/dev/null

status=0
for workflow in .github/workflows/*.yml; do
    if "$validator/node_modules/.bin/action-validator" "$workflow"; then
        echo "$workflow: valid against GitHub's workflow schema ($(node -p "require('./$validator/node_modules/@action-validator/cli/package.json').version"))"
    else
        status=1
    fi
    python3 - "$workflow" <<'PY' || status=1
import os, re, subprocess, sys, zipfile
workflow = sys.argv[1]
text = open(workflow).read()
tracked = set(subprocess.run(["git", "ls-files"], capture_output=True, text=True, check=True).stdout.split())
version = re.search(r"project\(Quillon VERSION ([0-9.]+)", open("CMakeLists.txt").read()).group(1)
writers = open("tools/release.sh").read() + open("tools/windows-tests.sh").read()
packed = set(zipfile.ZipFile("dist/Quillon-tests.zip").namelist())
amiss = [f"{s}: not a script of the tree" for s in sorted(set(re.findall(r"\btools/[\w./-]+", text)))
         if s not in tracked or not os.access(s, os.X_OK)]
amiss += [f"tests\\{n}: not in Quillon-tests.zip" for n in sorted(set(re.findall(r"\btests\\([\w.-]+)", text)))
          if f"Quillon-tests/tests/{n}" not in packed]
amiss += [f"dist/{n}: written by no command of the project" for n in sorted(set(re.findall(r"\bdist[/\\]([\w.-]+)", text)))
          if n.replace(version, "$version") not in writers]
for line in amiss:
    print(f"{workflow}: {line}")
print(f"{workflow}: names only what the tree has" if not amiss else f"{workflow}: names what the tree lacks")
sys.exit(1 if amiss else 0)
PY
done
exit $status
