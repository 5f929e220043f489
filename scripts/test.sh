#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a Release build, and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="$(nproc)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$jobs"
(cd build/release && ctest --output-on-failure -j "$jobs")
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DNARWE_SANITIZE=ON \
  -DNARWE_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
