#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole suite.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/asan"

"$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
    -DQUORVANE_TESTS=ON -DQUORVANE_BENCHMARKS=ON
cmake --build "$build" --parallel
cmake --install "$build" --prefix "$build/program" >/dev/null

export ASAN_OPTIONS=detect_leaks=0
# Tests labelled x11 need a real window system; the rest run offscreen. One Xvfb serves both.
cd "$build"
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ctest --output-on-failure --parallel "$(nproc)" "$@"
