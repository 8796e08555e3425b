#!/usr/bin/env bash
# The run command: builds Quillon.exe and starts it under Wine.
#
#   tools/run.sh                      on your display; without one, as with --screenshot
#   tools/run.sh --screenshot FILE    on a virtual display: saves a picture of the main
#                                     window to FILE (PNG) and closes the program
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=
if [ "${1:-}" = "--screenshot" ]; then
    screenshot=${2:?"--screenshot needs a file name"}
fi

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)" --target Quillon

source tools/wine-env.sh
wine_env_init build/dev
exe="$(pwd)/build/dev/Quillon.exe"

if [ -z "$screenshot" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    trap wine_server_stop EXIT
    wine_server_start
    # Your window manager frames the window.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
    "$WINE64" "$exe"
    exit $?
fi

[ -n "$screenshot" ] || screenshot=build/dev/quillon-screenshot.png
trap wine_session_stop EXIT
wine_session_start
"$WINE64" "$exe" &
quillon=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillon$' | head -n 1)
sleep 1  # let the controls paint
mkdir -p "$(dirname "$screenshot")"
import -window "$window" "$screenshot"
echo "Saved a screenshot of the main window: $screenshot"
# Ask the program to close as the window's close box would, and wait for it to end.
"$WINE64" taskkill /im Quillon.exe >/dev/null 2>&1 || true
status=0
wait "$quillon" || status=$?
echo "Quillon.exe ended with exit code $status"
exit $status
