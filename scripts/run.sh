#!/usr/bin/env bash
# Sets up, builds (Release), lays out a program folder inside the build tree and starts the program.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/release"
program="$build/program"

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORVANE_TESTS=OFF -DQUORVANE_BENCHMARKS=ON -DCMAKE_INSTALL_PREFIX="$program"
cmake --build "$build" --parallel
cmake --install "$build"
if [ -x "$build/tools/quorvane-install-data" ]; then
    "$build/tools/quorvane-install-data" "$program"
fi
if [ -x "$program/quorvane-lite" ]; then
    exec "$program/quorvane-lite" "$@"
fi
echo "Built into $program; the program itself is not there yet."
