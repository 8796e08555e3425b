#!/usr/bin/env bash
# The test command: installs what is missing, builds Quillon and its tests, and runs the
# tests under Wine on a virtual display. Arguments go to ctest (for example -R resource).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)"

source tools/wine-env.sh
wine_env_init build/dev
trap wine_session_stop EXIT
wine_session_start

ctest --preset dev "$@"
