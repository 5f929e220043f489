#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a Release build, and a build
# with AddressSanitizer and UndefinedBehaviorSanitizer. With NARWE_TSAN=1 it
# also builds the threaded test programs (common, io, api) with
# ThreadSanitizer and runs them; that stage is opt-in because it adds about
# six minutes on a two-core machine.
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
if [[ "${NARWE_TSAN:-0}" == 1 ]]; then
  cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNARWE_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
    -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
  cmake --build build/tsan -j "$jobs" -t common_tests io_tests api_tests
  (cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" -R '^(common|io|api)$')
fi
