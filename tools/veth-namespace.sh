#!/usr/bin/env bash
# Runs a command in a network namespace of its own that holds veth pairs as network adapters,
# each with the hardware address given, and removes the namespace afterwards.
#
#   tools/veth-namespace.sh NAME=MAC [NAME=MAC ...] -- COMMAND [ARGS ...]
#
# Each NAME is brought up together with its peer NAME-p. The namespace is a user+network
# namespace where the kernel allows one to a normal user, and an `ip netns` namespace when
# run as root. Inside, QUILLON_VETHS holds the NAME=MAC list for the command.
set -euo pipefail

usage() { echo "usage: $0 NAME=MAC [NAME=MAC ...] -- COMMAND [ARGS ...]" >&2; exit 2; }

inside=0
if [ "${1:-}" = "--inside" ]; then
    inside=1
    shift
fi

veths=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    case "$1" in
        *=??:??:??:??:??:??) veths+=("$1") ;;
        *) usage ;;
    esac
    shift
done
[ "${1:-}" = "--" ] && [ $# -ge 2 ] || usage
shift

if [ $inside -eq 0 ]; then
    self=$(readlink -f "$0")
    if [ "$(id -u)" -eq 0 ]; then
        namespace="quillon-$$"
        ip netns add "$namespace"
        trap 'ip netns delete "$namespace" 2>/dev/null || true' EXIT
        status=0
        ip netns exec "$namespace" "$self" --inside "${veths[@]}" -- "$@" || status=$?
        exit $status
    fi
    exec unshare --user --map-root-user --net "$self" --inside "${veths[@]}" -- "$@"
fi

ip link set lo up
for veth in "${veths[@]}"; do
    name=${veth%%=*}
    mac=${veth#*=}
    ip link add "$name" type veth peer name "$name-p"
    ip link set "$name" address "$mac"
    ip link set "$name" up
    ip link set "$name-p" up
done
export QUILLON_VETHS="${veths[*]}"
exec "$@"
