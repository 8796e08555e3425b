#!/usr/bin/env bash
# Runs a test program under Wine on real network adapters: in a network namespace holding two
# veth pairs with known hardware addresses, with a prefix and a wineserver of its own started
# inside the namespace, so that Wine's Network List Manager and adapter table see exactly
# those interfaces. Expects the test command's session (display, booted prefix).
#
#   run-with-veths.sh BUILD_DIR TEST_EXE [ARGS ...]
set -euo pipefail
build_dir=$(cd "$1" && pwd)
test_exe=$2
shift 2
repo=$(cd "$(dirname "$0")/../.." && pwd)

source "$repo/tools/wine-env.sh"
wine_env_init "$build_dir"
prefix="$build_dir/wineprefix-veths"
wine_prefix_clone "$WINEPREFIX" "$prefix"
export WINEPREFIX="$prefix"

"$repo/tools/veth-namespace.sh" qa0=02:11:22:33:44:55 qa1=02:66:77:88:99:aa -- bash -c '
    "$WINESERVER" -p
    status=0
    "$WINELOADER" "$@" || status=$?
    "$WINESERVER" -k
    exit $status' run-with-veths "$test_exe" "$@"
