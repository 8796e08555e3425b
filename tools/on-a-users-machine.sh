#!/usr/bin/env bash
# Runs a test program of the in-process suite as a maintainer would on a user's machine, and proves
# that it leaves the machine alone: the Wine prefix (WINEPREFIX, with its wineserver running) holds a
# sentinel adapter in the network adapters' class key and the Network key, and the run fails when
# either key or the system folder differs afterwards.
#
#   tools/on-a-users-machine.sh WINE PROGRAM.exe [ARGS ...]
set -uo pipefail
wine=$1
shift
class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{4D36E972-E325-11CE-BFC1-08002bE10318}'
network='HKLM\SYSTEM\CurrentControlSet\Control\Network'
sentinel='{5E471E1E-0000-4000-8000-00000000CAFE}'
snapshots=$(mktemp -d)
trap 'rm -rf "$snapshots"' EXIT

reg() { "$wine" reg "$@" </dev/null >/dev/null 2>&1; }
# The two keys as the registry exports them, and the system folder's files with their sizes and times.
snapshot() {
    local name=$1 key
    for key in class network; do
        export_key "${!key}" "$snapshots/$name-$key.reg"
    done
    find "$WINEPREFIX/drive_c/windows/system32" -maxdepth 1 -type f -printf '%f %s %T@\n' | sort >"$snapshots/$name-system32.txt"
}
# The key as the registry exports it, or what reg said when it could not: asked twice, a second
# apart, so that a Wine process that failed to start is not taken for a key that is gone.
export_key() {
    local why= attempt
    for attempt in 1 2; do
        if "$wine" reg export "$1" "$(winepath_of "$2")" /y </dev/null >/dev/null 2>"$2.why"; then
            [ -z "$why" ] || echo "reg export $1 failed once ($why), then succeeded" >&2
            return 0
        fi
        why="exit $?: $(tr -d '\r' <"$2.why")"
        sleep 1
    done
    echo "(not exported: $why)" >"$2"
}
winepath_of() { local path=${1//\//\\}; echo "Z:$path"; }
# A snapshot as text: the registry exports UTF-16.
text_of() {
    if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = fffe ]; then iconv -f UTF-16 -t UTF-8 "$1"; else cat "$1"; fi
}

for value in "NetCfgInstanceId $sentinel" "DriverDesc Sentinel adapter" "NetworkAddress 02A0A0A0A0A0"; do
    reg add "$class\\0001" /v "${value%% *}" /d "${value#* }" /f
done
reg add "$network\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\$sentinel\\Connection" /v Name /d Sentinel /f
snapshot before
for part in class network; do
    if ! text_of "$snapshots/before-$part.reg" | grep -q Sentinel; then
        echo "the sentinel adapter could not be put into the $part key: $(cat "$snapshots/before-$part.reg")" >&2
        exit 1
    fi
done
"$wine" "$@"
status=$?
snapshot after
for part in class.reg network.reg system32.txt; do
    if ! cmp -s "$snapshots/before-$part" "$snapshots/after-$part"; then
        echo "$(basename "$1") changed the machine it ran on: ${part%.*} differs afterwards" >&2
        diff <(text_of "$snapshots/before-$part") <(text_of "$snapshots/after-$part") | head -n 20 >&2
        status=1
    fi
done
reg delete "$class\\0001" /f
reg delete "$network\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\$sentinel" /f
[ $status -eq 0 ] && echo "$(basename "$1") left the sentinel adapter's keys and the system folder as they were"
exit $status
