# Wine environment of the build tree: a private prefix, a virtual display and a persistent
# wineserver. Sourced by the test and run commands:
#   wine_env_init BUILD_DIR; wine_session_start; ...; wine_session_stop

WINE64=/usr/lib/wine/wine64

wine_env_init() {
    local build_dir
    build_dir=$(cd "$1" && pwd)
    export WINEPREFIX="$build_dir/wineprefix"
    export WINELOADER=$WINE64
    export WINESERVER=/usr/lib/wine/wineserver64
    export WINEARCH=win64
    export WINEDEBUG=-all
    # No Mono or Gecko installers at prefix creation.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    QUILLON_SESSION_DIR="$build_dir/wine-session"
    mkdir -p "$QUILLON_SESSION_DIR"
}

# Starts Xvfb on a free display number and exports DISPLAY.
xvfb_start() {
    local display_file="$QUILLON_SESSION_DIR/display"
    rm -f "$display_file"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" \
        >"$QUILLON_SESSION_DIR/xvfb.log" 2>&1 &
    QUILLON_XVFB_PID=$!
    local tries=0
    while [ ! -s "$display_file" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$QUILLON_XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start; see $QUILLON_SESSION_DIR/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$display_file")"
}

xvfb_stop() {
    if [ -n "${QUILLON_XVFB_PID:-}" ]; then
        kill "$QUILLON_XVFB_PID" 2>/dev/null || true
        wait "$QUILLON_XVFB_PID" 2>/dev/null || true
        QUILLON_XVFB_PID=
    fi
}

# Creates the prefix on first use (about 15 s).
wine_prefix_ensure() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    echo "Creating the Wine prefix $WINEPREFIX"
    "$WINE64" wineboot -i >"$QUILLON_SESSION_DIR/wineboot.log" 2>&1
    "$WINESERVER" -w
    # The caption buttons' glyphs come from Marlett, which this Wine does not find on its own.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # Wine draws the window frames itself: there is no window manager on a virtual display.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # A program that crashes ends at once, instead of waiting in Wine's debugger.
    "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
    "$WINESERVER" -w
}

# Keeps one wineserver running for the prefix, so that each Wine process starts in a
# fraction of a second.
wine_server_start() {
    "$WINESERVER" -k 2>/dev/null || true
    wine_prefix_ensure
    "$WINESERVER" -p
    wine_services_start
    wine_heap_checks
}

# The in-process tests' heap checks its blocks' tails, so that a block written past its end is
# told (HeapValidate), as the global flags of Windows' debugging tools do it (0x70: tail and free
# checks, parameter validation). Set at every start, also in a prefix made before.
wine_heap_checks() {
    local exe
    for exe in quillon_tests.exe quillon_tests_ubsan.exe; do
        "$WINE64" reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\$exe" \
            /v GlobalFlag /t REG_DWORD /d 0x70 /f </dev/null >/dev/null 2>&1
    done
}

# The first Wine process of a server starts Wine's own services, which live on and keep the
# standard output they were given: give them none, lest a caller waiting on a pipe (ctest,
# say) wait for them too.
wine_services_start() {
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}

wine_server_stop() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
}

wine_session_start() {
    xvfb_start && wine_server_start
}

wine_session_stop() {
    wine_server_stop
    xvfb_stop
}

# Makes DST a prefix of its own from the booted prefix SRC in a moment: the Windows folder is
# hard-linked (Wine replaces files rather than writing into them), the registry is copied.
wine_prefix_clone() {
    local source=$1 target=$2
    rm -rf "$target"
    cp -al "$source" "$target"
    rm -f "$target"/*.reg
    cp "$source"/*.reg "$target"/
}
