#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole suite.
# Also builds the Release configuration that the run command and the benchmarks use: the optimiser
# finds warnings (errors here) that the Debug build does not.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/asan"

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_TESTS=ON -DQUORVANE_BENCHMARKS=ON
cmake --build "$build" --parallel
cmake --install "$build" --prefix "$build/program" >/dev/null

release="$top/build/release"
cmake -S "$top" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORVANE_TESTS=OFF -DQUORVANE_BENCHMARKS=ON -DCMAKE_INSTALL_PREFIX="$release/program"
cmake --build "$release" --parallel

export ASAN_OPTIONS=detect_leaks=0
# Tests labelled x11 need a real window system; the rest run offscreen. One Xvfb serves both.
cd "$build"
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --output-on-failure --parallel "$(nproc)" "$@"
