#!/usr/bin/env bash
# Runs a test program under Wine in the lab (tools/wine-lab.sh), then checks that the lab left
# nothing behind: no namespace of its own and no wineserver still running.
#
#   run-in-lab.sh BUILD_DIR TEST_EXE [ARGS ...]
set -euo pipefail
build_dir=$(cd "$1" && pwd)
shift
repo=$(cd "$(dirname "$0")/../.." && pwd)

status=0
rm -f "$build_dir/lab/wineserver.pid"
# The lab exports WINELOADER, Wine's loader, with its own environment.
"$repo/tools/wine-lab.sh" "$build_dir" -- bash -c '"$WINELOADER" "$@"' run-in-lab "$@" || status=$?

pid=$(cat "$build_dir/lab/wineserver.pid" 2>/dev/null || true)
if [ -z "$pid" ]; then
    echo "the lab did not note its wineserver" >&2
    status=1
elif [ -d "/proc/$pid" ] && [ "$(cat "/proc/$pid/stat" | cut -d' ' -f3)" != Z ]; then
    echo "the lab's wineserver ($pid) is still running" >&2
    status=1
fi
if ip netns list 2>/dev/null | grep -q '^quillon-lab-'; then
    echo "a lab namespace is left: $(ip netns list | grep '^quillon-lab-')" >&2
    status=1
fi
if [ -e "$build_dir/lab/prefix" ]; then
    echo "the lab's prefix is left" >&2
    status=1
fi
exit $status
