#!/usr/bin/env bash
# The test command: installs what is missing, builds Quillon and its tests, runs the tests
# under Wine on a virtual display with the static analysis beside them, then the
# reproducible-release check and the offline check of the GitHub workflows, and prints the lines of
# code by part. Arguments go to ctest (for example -R lab); with arguments, only the tests that they
# select run.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)"

# The static analysis needs only the compile commands: it runs, at a lower priority, while the
# tests wait on Wine; the release check builds, so it starts when the tests have ended.
if [ $# -eq 0 ]; then
    nice -n 10 tools/static-analysis.sh build/dev >build/dev/static-analysis.log 2>&1 &
    analysis=$!
fi

source tools/wine-env.sh
wine_env_init build/dev
trap wine_session_stop EXIT
wine_session_start

status=0
ctest --preset dev "$@" || status=$?
if [ $# -eq 0 ]; then
    wine_session_stop
    # Each check has its own log, shown when it has ended.
    tools/check-reproducible.sh >build/dev/reproducible-release.log 2>&1 &
    release=$!
    tools/check-workflows.sh >build/dev/workflows.log 2>&1 &
    workflows=$!
    for check in "static analysis:$analysis:static-analysis" "reproducible release:$release:reproducible-release" "workflows:$workflows:workflows"; do
        IFS=: read -r name pid log <<<"$check"
        result=passed
        wait "$pid" || { result=FAILED; status=1; }
        echo
        echo "== $name: $result"
        cat "build/dev/$log.log"
    done
fi
echo
tools/line-counts.sh
exit $status
