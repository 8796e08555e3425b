#!/usr/bin/env bash
# The benchmark: start-up against a bare-dialog baseline, the Change MAC command split into
# its registry walk and its connection restart, the size of Quillon.exe and its peak working
# set; medians over repeated runs, in the lab (tools/wine-lab.sh). Then the soak: 500 changes
# and refreshes in one Quillon.exe, with its handles and memory sampled. Prints the tables and
# writes them to docs/benchmarks.md; fails when the soak saw something grow.
#
#   bench/run.sh            QUILLON_BENCH_RUNS sets the runs per figure (default 15),
#                           QUILLON_SOAK_COMMANDS the soak's commands (default 500)
#
# Wine's registry and window calls are round trips to the wineserver. On a virtual machine the
# wake-up of an idle CPU makes each round trip several times dearer when the program and the
# wineserver run on different CPUs, so the figures are taken with the whole lab on one CPU,
# and once more without that, for comparison.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build_dir="$repo/build/dev"
runs=${QUILLON_BENCH_RUNS:-15}

tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)" --target Quillon standin_netshell lab_setup quillon_bench baseline_dialog soak >/dev/null

source tools/wine-env.sh
wine_env_init "$build_dir"
trap xvfb_stop EXIT
xvfb_start
wine_prefix_ensure

declare -A figure

# measure LABEL ADAPTERS SUBKEYS CPUS MODE...: runs quillon_bench's modes in one lab and keeps
# each printed figure as figure[LABEL/name].
measure() {
    local label=$1 adapters=$2 subkeys=$3 cpus=$4
    shift 4
    local name value unit
    while read -r name value unit; do
        figure["$label/$name"]=$value
    done < <(QUILLON_LAB_ADAPTERS=$adapters taskset -c "$cpus" tools/wine-lab.sh "$build_dir" -- bash -c '
        bench="$1"; subkeys="$2"; shift 2
        [ "$subkeys" -gt 0 ] && "$WINELOADER" "$bench" subkeys "$subkeys"
        for mode in "$@"; do
            "$WINELOADER" "$bench" $mode || echo "failed $mode" >&2
        done' measure "$build_dir/bench/quillon_bench.exe" "$subkeys" "$@")
}

quillon="$build_dir/Quillon.exe"
baseline="$build_dir/bench/baseline_dialog.exe"
slow_runs=$(( runs < 5 ? runs : 5 ))
all_cpus="0-$(( $(nproc) - 1 ))"

echo "Measuring (about two minutes)..."
for adapters in 2 16; do
    for subkeys in 0 1000; do
        label="$adapters/$subkeys"
        n=$runs
        [ "$adapters" = 16 ] && [ "$subkeys" = 1000 ] && n=$slow_runs
        measure "$label" "$adapters" "$subkeys" 0 "startup $quillon $n"
        measure "$label-baseline" "$adapters" "$subkeys" 0 "startup $baseline $n"
    done
done
measure change 2 0 0 "press $quillon $runs" "restart $runs" "walk 4 $((runs * 2 + 1))" "walk 200 $((runs * 2 + 1))"
measure spread 2 0 "$all_cpus" "startup $quillon $runs" "press $quillon $runs" "walk 200 $((runs * 2 + 1))"
measure spread-baseline 2 0 "$all_cpus" "startup $baseline $runs"

echo "Soaking (a few minutes)..."
soak_status=0
soak_table=$(tools/wine-lab.sh "$build_dir" -- bash -c '"$WINELOADER" "$1" "$2"' soak "$build_dir/bench/soak.exe" \
    "${QUILLON_SOAK_COMMANDS:-500}" 2>&1) || soak_status=$?

get() { echo "${figure[$1]:-?}"; }
ratio() { awk -v a="$(get "$1")" -v b="$(get "$2")" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "?" }'; }
size=$(stat -c %s "$quillon")

{
    echo "# Benchmarks"
    echo
    echo "Made by \`bench/run.sh\` on $(date -u +%Y-%m-%d), medians of $runs runs ($slow_runs for the slowest case)."
    echo "Machine: $(nproc) CPUs ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)), Linux $(uname -r), $(/usr/lib/wine/wine64 --version 2>/dev/null)."
    echo "Quillon.exe and the baseline run under Wine in the lab, on one CPU (see bench/run.sh)."
    echo
    echo "## Start-up: process start until the main window is visible"
    echo
    echo "For Quillon the window becomes visible only once the list is filled and the first address shown."
    echo "The baseline is an empty modeless dialog from the same template that does nothing else."
    echo
    echo "| Adapters | Network subkeys | Quillon (ms) | Baseline (ms) | Ratio | Quillon peak working set (KiB) |"
    echo "|---|---|---|---|---|---|"
    for adapters in 2 16; do
        for subkeys in 0 1000; do
            label="$adapters/$subkeys"
            printf '| %s | %s | %s | %s | %s | %s |\n' "$adapters" "$([ "$subkeys" = 0 ] && echo "1 (a few)" || echo "$subkeys")" \
                "$(get "$label/startup")" "$(get "$label-baseline/startup")" "$(ratio "$label/startup" "$label-baseline/startup")" \
                "$(get "$label/peak_working_set")"
        done
    done
    echo
    echo "## Change MAC: the press until the status line is final"
    echo
    echo "| Part | ms |"
    echo "|---|---|"
    echo "| Whole command, through the window (write, restart, refresh) | $(get change/press) |"
    echo "| Connection restart alone (stand-in Netshell.dll: interface down, address, up, Wine's network driver restarted) | $(get change/restart) |"
    echo "| Registry walk, 4 driver keys | $(get change/walk_4) |"
    echo "| Registry walk, 200 driver keys | $(get change/walk_200) |"
    echo
    echo "## The same without holding the lab to one CPU"
    echo
    echo "| Measurement | ms |"
    echo "|---|---|"
    echo "| Start-up, 2 adapters: Quillon / baseline | $(get spread/startup) / $(get spread-baseline/startup) ($(ratio spread/startup spread-baseline/startup)x) |"
    echo "| Whole Change MAC command | $(get spread/press) |"
    echo "| Registry walk, 200 driver keys | $(get spread/walk_200) |"
    echo
    echo "## Size"
    echo
    echo "Quillon.exe: $size bytes ($(( size / 1024 )) KiB), statically linked and stripped."
    echo
    echo "## Soak: ${QUILLON_SOAK_COMMANDS:-500} changes and refreshes in one Quillon.exe"
    echo
    echo "Sampled every 50 commands; over the second half nothing may grow. Wine 8 counts no USER or GDI objects"
    echo "(GetGuiResources answers 0); the memory is the resident anonymous memory of the Linux process."
    echo
    echo '```'
    echo "$soak_table"
    echo '```'
    echo
    echo "## Reading the figures"
    echo
    echo "- Wine's Network List Manager reports one network per interface (loopback included) and lists every"
    echo "  interface's connection under every network, so with 16 adapters Quillon looks up 17 x 17 = 289"
    echo "  connections, each by a walk over all subkeys of the Network key. With 1,000 subkeys that is about"
    echo "  580,000 registry calls; on Windows, where an adapter is on one network, it would be 16 walks."
    echo "- Each Wine registry call is a round trip to the wineserver, of some 8 to 40 us on this virtual machine:"
    echo "  dearer when the program and the wineserver run on different CPUs (it is slow to wake an idle one) and"
    echo "  when the machine is busy. The walk over 200 driver keys makes 800 calls."
    echo "- The restart dominates a change: the stand-in takes the interface down and up through the lab's agent"
    echo "  and restarts Wine's network driver host, so that Wine reads the new address."
} >docs/benchmarks.md
cat docs/benchmarks.md
exit $soak_status
