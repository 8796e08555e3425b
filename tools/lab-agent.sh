#!/usr/bin/env bash
# The lab's agent on the Linux side: carries out the stand-in Netshell.dll's requests to take a
# lab interface down, give it an address, or bring it up. The stand-in runs inside a Wine
# process and only writes and reads files, so it starts no Linux program itself.
#
#   lab-agent.sh FOLDER
#
# A request is a file NAME.request holding "INTERFACE down", "INTERFACE up" or
# "INTERFACE address 02:11:22:33:44:55"; the answer is NAME.status with the exit status of
# `ip` (2 for a request that is not one of these). Only the lab's interfaces are served. Each
# request served is noted in FOLDER/served.log, "INTERFACE ACTION [ARGUMENT] STATUS".
set -u
folder=$1

serve() {
    local request=$1 interface action argument status
    read -r interface action argument <"$request" || true
    status=2
    if [[ $interface =~ ^lab[0-9]{1,2}$ ]]; then
        case "$action" in
            down | up) ip link set dev "$interface" "$action" 2>/dev/null; status=$? ;;
            address)
                if [[ $argument =~ ^([0-9a-fA-F]{2}:){5}[0-9a-fA-F]{2}$ ]]; then
                    ip link set dev "$interface" address "$argument" 2>/dev/null
                    status=$?
                fi
                ;;
        esac
    fi
    echo "$interface $action${argument:+ $argument} $status" >>"$folder/served.log"
    echo "$status" >"${request%.request}.part"
    mv "${request%.request}.part" "${request%.request}.status"
    rm -f "$request"
}

shopt -s nullglob
# A pipe that never delivers, for waiting 2 ms at a time without starting a `sleep` each time.
exec {never}<> <(:)
while :; do
    for request in "$folder"/*.request; do
        serve "$request"
    done
    read -r -t 0.002 -u "$never" || true
done
