#!/usr/bin/env bash
# Non-blank lines of the tracked code (C and C++ sources and headers, .rc, .def, shell, Python,
# CMake), by what the code is for, and the tests' share of all of it.
set -euo pipefail
cd "$(dirname "$0")/.."

# The group of one tracked file, or nothing for a file that is not code.
group_of() {
    case "$1" in
        *.c | *.cpp | *.h | *.rc | *.def | *.sh | *.py | *.cmake | CMakeLists.txt | */CMakeLists.txt | .ci/run) ;;
        *) return ;;
    esac
    case "$1" in
        app/* | change/* | discovery/* | base/* | res/*) echo product ;;
        tests/*) echo tests ;;
        standin/* | tools/wine-lab.sh | tools/lab-agent.sh) echo lab ;;
        bench/*) echo bench ;;
        *) echo tools ;;
    esac
}

declare -A lines=([product]=0 [lab]=0 [tools]=0 [bench]=0 [tests]=0)
while IFS= read -r file; do
    group=$(group_of "$file")
    [ -n "$group" ] || continue
    lines[$group]=$((lines[$group] + $(grep -c -v '^[[:space:]]*$' "$file" || true)))
done < <(git ls-files)

total=0
for group in product lab tools bench tests; do
    total=$((total + lines[$group]))
    printf '%-8s %6d\n' "$group" "${lines[$group]}"
done
printf '%-8s %6d\n' all "$total"
awk -v tests="${lines[tests]}" -v total="$total" 'BEGIN { printf "tests are %.1f%% of all code\n", 100 * tests / total }'
