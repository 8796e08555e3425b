#!/usr/bin/env bash
# The run command: builds Quillon.exe and starts it in the lab (tools/wine-lab.sh), where it
# changes the addresses of real network interfaces of this machine's own making.
#
#   tools/run.sh                      on your display; without one, as with --screenshot
#   tools/run.sh --screenshot FILE    on a virtual display: saves a picture of the main
#                                     window to FILE (PNG) and closes the program
#   tools/run.sh --change ADDRESS ... first changes the first connection's address to ADDRESS
#                                     through the window (with --screenshot, or without a display)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build_dir="$repo/build/dev"

# Inside the lab, without a display: start, change, photograph, close.
if [ "${1:-}" = "--in-lab" ]; then
    screenshot=$2
    change=$3
    "$WINELOADER" "$build_dir/Quillon.exe" &
    quillon=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillon$' | head -n 1)
    if [ -n "$change" ]; then
        echo "Changing the first connection's address to $change: $("$WINELOADER" "$build_dir/tools/quillon_demo.exe" 0 "$change" || true)"
    fi
    sleep 1  # let the controls paint
    import -window "$window" "$screenshot"
    echo "Saved a screenshot of the main window: $screenshot"
    # Ask the program to close as the window's close box would, and wait for it to end.
    "$WINELOADER" taskkill /im Quillon.exe >/dev/null 2>&1 || true
    status=0
    wait "$quillon" || status=$?
    echo "Quillon.exe ended with exit code $status"
    exit $status
fi

screenshot=
change=
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) screenshot=${2:?"--screenshot needs a file name"}; shift 2 ;;
        --change) change=${2:?"--change needs an address"}; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)" --target Quillon standin_netshell lab_setup quillon_demo

source tools/wine-env.sh
wine_env_init "$build_dir"

if [ -z "$screenshot" ] && [ -z "$change" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    wine_prefix_ensure
    # Your window manager frames the window.
    exec tools/wine-lab.sh "$build_dir" -- bash -c '
        "$WINELOADER" reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d Y /f >/dev/null 2>&1
        "$WINELOADER" "$1"' run "$build_dir/Quillon.exe"
fi

[ -n "$screenshot" ] || screenshot="$build_dir/quillon-screenshot.png"
mkdir -p "$(dirname "$screenshot")"
screenshot=$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")
trap xvfb_stop EXIT
xvfb_start
wine_prefix_ensure
tools/wine-lab.sh "$build_dir" -- "$repo/tools/run.sh" --in-lab "$screenshot" "$change"
