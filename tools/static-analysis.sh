#!/usr/bin/env bash
# Static analysis of the product's code (app/, change/, discovery/, base/): cppcheck, and clang-tidy
# parsing it as the MinGW-w64 compiler sees it (its Windows and C++ headers). Any finding
# fails the run. The clang-tidy checks are in .clang-tidy.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/dev}
[ -f "$build_dir/compile_commands.json" ] || cmake --preset dev >/dev/null

sources=(app/*.cpp change/*.cpp discovery/*.cpp base/*.cpp)

echo "cppcheck:"
cppcheck --enable=warning,style,performance,portability --error-exitcode=1 --inline-suppr --quiet \
    --library=windows --platform=win64 --std=c++17 --suppress=missingIncludeSystem \
    -I res -I app -I change -I discovery -I base "${sources[@]}"

# clang-tidy reads the compile commands; it needs the target, and the C++ headers that the
# MinGW-w64 g++ finds on its own.
tidy_args=(--extra-arg=--target=x86_64-w64-mingw32)
while read -r folder; do
    tidy_args+=("--extra-arg=-isystem$folder")
done < <(echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 \
    | sed -n '/#include <...> search starts here/,/End of search list/p' | sed -n 's|^ \(/.*/include/c++.*\)$|\1|p')

# One clang-tidy per file, as many at once as there are cores (each spends most of its time
# parsing the Windows headers); each file's findings go to their own log, shown in order.
echo "clang-tidy:"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
cores=$(nproc)
for index in "${!sources[@]}"; do
    while [ "$(jobs -pr | wc -l)" -ge "$cores" ]; do wait -n || true; done
    { clang-tidy -p "$build_dir" --quiet "${tidy_args[@]}" "${sources[$index]}" >"$logs/$index.log" 2>&1 \
        || touch "$logs/findings"; } &
done
wait
status=0
[ -e "$logs/findings" ] && status=1
for index in "${!sources[@]}"; do
    grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$logs/$index.log" || true
done
[ $status -eq 0 ] && echo "No findings."
exit $status
