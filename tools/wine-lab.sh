#!/usr/bin/env bash
# The lab: an embedded Windows-like environment on Linux in which Quillon.exe changes the
# addresses of real network interfaces. Runs COMMAND inside it and takes it all down after.
#
#   tools/wine-lab.sh BUILD_DIR -- COMMAND [ARGS ...]
#
# The lab is a network namespace of its own (a user+network namespace where the kernel allows
# one to a normal user, an `ip netns` namespace as root) holding veth adapters (four, or
# QUILLON_LAB_ADAPTERS) whose peers sit in a second, "wire" namespace, and a tun device, a
# tunnel without a hardware address as a VPN adapter is; a Wine prefix whose
# wineserver starts inside the namespace, so that Wine's Network List Manager and adapter table
# see exactly those adapters; the stand-in Netshell.dll installed and registered in it, with
# its agent (tools/lab-agent.sh); and the registry seeded as Windows keeps it
# (standin/lab_setup). Inside, COMMAND finds WINEPREFIX set to the lab's prefix and
# QUILLON_LAB_RECORD naming the record of the adapters: interface, address, adapter id,
# connection name, driver key and driver ("Ethernet", "Wi-Fi" or "Tunnel"), tab-separated, one
# line each; the tunnel's address is empty.
#
# Needs the build's booted prefix (the test and run commands make it).
set -euo pipefail

# Four adapters, or QUILLON_LAB_ADAPTERS of them (up to 64).
LAB_ADAPTERS=(lab0=02:11:22:33:44:55 lab1=02:66:77:88:99:aa lab2=02:c0:ff:ee:00:03)
for ((i = 3; i < ${QUILLON_LAB_ADAPTERS:-4} && i < 64; i++)); do
    LAB_ADAPTERS+=("lab$i=$(printf '02:00:5e:00:01:%02x' "$i")")
done
LAB_ADAPTERS=("${LAB_ADAPTERS[@]:0:${QUILLON_LAB_ADAPTERS:-4}}")
LAB_TUNNEL=labtun

usage() { echo "usage: $0 BUILD_DIR -- COMMAND [ARGS ...]" >&2; exit 2; }

inside=0
if [ "${1:-}" = "--inside" ]; then
    inside=1
    shift
fi
[ $# -ge 3 ] && [ "$2" = "--" ] || usage
build_dir=$(cd "$1" && pwd)
shift 2
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/tools/wine-env.sh"
wine_env_init "$build_dir"
lab_dir="$build_dir/lab"

if [ $inside -eq 0 ]; then
    [ -f "$WINEPREFIX/system.reg" ] || { echo "no booted prefix in $WINEPREFIX" >&2; exit 1; }
    mkdir -p "$lab_dir"
    wine_prefix_clone "$WINEPREFIX" "$lab_dir/prefix"
    self="$repo/tools/wine-lab.sh"
    status=0
    if [ "$(id -u)" -eq 0 ]; then
        namespace="quillon-lab-$$"
        ip netns add "$namespace"
        ip netns exec "$namespace" "$self" --inside "$build_dir" -- "$@" || status=$?
        ip netns delete "$namespace"
    else
        unshare --user --map-root-user --net "$self" --inside "$build_dir" -- "$@" || status=$?
    fi
    rm -rf "$lab_dir/prefix"
    exit $status
fi

# Notes the lab's wineserver (the process working in the server folder named after the
# prefix's device and inode), so that a check afterwards can tell that it is gone.
record_wineserver_pid() {
    local server_dir process
    server_dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
    for process in $(pgrep -x wineserver64); do
        case "$(readlink "/proc/$process/cwd" 2>/dev/null)" in
            */"$server_dir") echo "$process" >"$lab_dir/wineserver.pid" ;;
        esac
    done
}

# Inside the lab's namespace.
export WINEPREFIX="$lab_dir/prefix"
export QUILLON_LAB_RECORD="$lab_dir/adapters.tsv"

# The peers of the adapters live in a namespace of their own, so that Wine sees only the adapters.
unshare --net sleep infinity &
wire=$!
# The agent that changes the interfaces for the stand-in Netshell.dll.
agent_folder="$lab_dir/agent"
rm -rf "$agent_folder"
mkdir -m 700 "$agent_folder"
"$repo/tools/lab-agent.sh" "$agent_folder" &
agent=$!
stop_lab() {
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    kill "$wire" "$agent" 2>/dev/null || true
    rm -rf "$agent_folder"
}
trap stop_lab EXIT
for _ in $(seq 50); do
    [ "$(readlink "/proc/$wire/ns/net")" != "$(readlink /proc/self/ns/net)" ] && break
    sleep 0.02
done

ip link set lo up
for adapter in "${LAB_ADAPTERS[@]}"; do
    name=${adapter%%=*}
    ip link add "$name" type veth peer name "$name-wire"
    ip link set "$name" address "${adapter#*=}"
    ip link set "$name-wire" netns "$wire"
    nsenter --target "$wire" --net ip link set "$name-wire" up
    ip link set "$name" up
done
# Wine lists a tun device that is up and has an IPv4 address, with an address length of 0.
ip tuntap add dev "$LAB_TUNNEL" mode tun
ip addr add 10.99.0.1/24 dev "$LAB_TUNNEL"
ip link set "$LAB_TUNNEL" up

"$WINESERVER" -p
wine_services_start
record_wineserver_pid
# A new file, not written into one that the hard-linked clone shares with the build's prefix.
cp --remove-destination "$build_dir/standin/Netshell.dll" "$WINEPREFIX/drive_c/windows/system32/netshell.dll"
# The Windows names of Linux paths, on Wine's drive Z:.
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
"$WINE64" "$build_dir/standin/lab_setup.exe" --agent "$(windows_path "$agent_folder")" --record "$(windows_path "$QUILLON_LAB_RECORD")" \
    "${LAB_ADAPTERS[@]}" "$LAB_TUNNEL="

"$@"
