#!/usr/bin/env bash
# The benchmark: start-up against two floors, the least program that does the same platform
# work (bench/least_startup.cpp) and a bare dialog, and against the same code built without stack
# guards, the four taking turns in one run; the
# Change MAC command split into its registry walk and its connection restart; the size of
# Quillon.exe and its peak working set; medians over repeated runs, in the lab
# (tools/wine-lab.sh). Then the soak: 500 changes and refreshes in one Quillon.exe, with its
# handles and memory sampled. Prints the tables and writes them to docs/benchmarks.md; fails
# when the soak saw something grow.
#
#   bench/run.sh            QUILLON_BENCH_RUNS sets the runs per figure (default 15),
#                           QUILLON_SOAK_COMMANDS the soak's commands (default 500)
#   QUILLON_BENCH_QUILLON=OTHER/Quillon.exe bench/run.sh
#                           the start-up of another build of Quillon.exe (an earlier one, say)
#                           against the same floors; prints that table only
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
cmake --build --preset dev -j"$(nproc)" --target Quillon standin_netshell lab_setup quillon_bench baseline_dialog least_startup Quillon_unguarded soak >/dev/null

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

quillon=${QUILLON_BENCH_QUILLON:-$build_dir/Quillon.exe}
least="$build_dir/bench/least_startup.exe"
baseline="$build_dir/bench/baseline_dialog.exe"
unguarded="$build_dir/bench/Quillon_unguarded.exe"
all_cpus="0-$(( $(nproc) - 1 ))"
labs=("2 0" "16 0" "16 1000")  # adapters, extra subkeys of the Network key

get() { echo "${figure[$1]:-?}"; }
ratio() { awk -v a="$(get "$1")" -v b="$(get "$2")" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "?" }'; }

startup_table() {
    echo "| Adapters | Network subkeys | Quillon (ms) | Unguarded build (ms) | Least program (ms) | Empty dialog (ms) | Quillon / unguarded | Quillon / least program | Quillon / empty dialog | Quillon peak working set (KiB) |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    for lab in "${labs[@]}"; do
        read -r adapters subkeys <<<"$lab"
        label="$adapters/$subkeys"
        printf '| %s | %s | %s | %s | %s | %s | %sx | %sx | %sx | %s |\n' "$adapters" "$([ "$subkeys" = 0 ] && echo "a few" || echo "$subkeys more")" \
            "$(get "$label/startup_Quillon")" "$(get "$label/startup_Quillon_unguarded")" "$(get "$label/startup_least_startup")" \
            "$(get "$label/startup_baseline_dialog")" "$(ratio "$label/startup_Quillon" "$label/startup_Quillon_unguarded")" \
            "$(ratio "$label/startup_Quillon" "$label/startup_least_startup")" "$(ratio "$label/startup_Quillon" "$label/startup_baseline_dialog")" \
            "$(get "$label/peak_working_set_Quillon")"
    done
}

echo "Measuring the start-up (a few minutes)..."
for lab in "${labs[@]}"; do
    read -r adapters subkeys <<<"$lab"
    measure "$adapters/$subkeys" "$adapters" "$subkeys" 0 "startup $runs $quillon $unguarded $least $baseline"
done
if [ -n "${QUILLON_BENCH_QUILLON:-}" ]; then
    echo "Start-up of $quillon, medians of $runs runs, the lab on one CPU:"
    startup_table
    exit 0
fi

echo "Measuring the Change MAC command..."
measure change 2 0 0 "press $quillon $runs" "restart $runs" "walk 4 $((runs * 2 + 1))" "walk 200 $((runs * 2 + 1))"
measure spread 2 0 "$all_cpus" "startup $runs $quillon $unguarded $least $baseline" "press $quillon $runs" "walk 200 $((runs * 2 + 1))"

echo "Soaking (a few minutes)..."
soak_status=0
soak_table=$(tools/wine-lab.sh "$build_dir" -- bash -c '"$WINELOADER" "$1" "$2"' soak "$build_dir/bench/soak.exe" \
    "${QUILLON_SOAK_COMMANDS:-500}" 2>&1) || soak_status=$?

size=$(stat -c %s "$quillon")

{
    echo "# Benchmarks"
    echo
    echo "Made by \`bench/run.sh\` on $(date -u +%Y-%m-%d), medians of $runs runs."
    echo "Machine: $(nproc) CPUs ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)), Linux $(uname -r), $(/usr/lib/wine/wine64 --version 2>/dev/null)."
    echo "The programs run under Wine in the lab, the whole lab held to one CPU (see bench/run.sh), but where said."
    echo
    echo "## Start-up: process start until the main window is visible"
    echo
    echo "Quillon's window becomes visible only once the list is filled and the first address shown. The"
    echo "least program (bench/least_startup.cpp) does only the platform work that this needs: the same"
    echo "template, COM, the Network List Manager's connected networks with their connections and adapter ids,"
    echo "one read of each adapter's connection name where Windows keeps it, the same items, one read of the"
    echo "adapter table, the first address shown. The empty dialog is the same template and nothing else."
    echo "The unguarded build is Quillon's own code built without stack guards and checked copies."
    echo "The four programs take turns, run after run, in one lab."
    echo
    startup_table
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
    echo "| Start-up, 2 adapters: Quillon / least program | $(get spread/startup_Quillon) / $(get spread/startup_least_startup) ($(ratio spread/startup_Quillon spread/startup_least_startup)x) |"
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
    echo "  interface's connection under every network: with 16 adapters, 17 x 17 = 289 reports. Quillon walks"
    echo "  the Network key's subkeys once and looks each adapter up once, however often it is reported; the"
    echo "  least program reads each adapter's name directly, without the walk, so the extra subkeys cost"
    echo "  Quillon alone (some four registry calls each)."
    echo "- Each Wine registry call is a round trip to the wineserver, of some 8 to 40 us on this virtual machine:"
    echo "  dearer when the program and the wineserver run on different CPUs (it is slow to wake an idle one) and"
    echo "  when the machine is busy. The walk over 200 driver keys makes 800 calls."
    echo "- The restart dominates a change: the stand-in takes the interface down and up through the lab's agent"
    echo "  and restarts Wine's network driver host, so that Wine reads the new address."
    echo
    cat bench/history.md  # earlier measurements, kept by hand
} >docs/benchmarks.md
cat docs/benchmarks.md
exit $soak_status
