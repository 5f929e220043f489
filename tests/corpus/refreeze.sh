#!/bin/sh
# Re-freezes the corpus answers after an intended change of behaviour:
# regenerates statements.sql, runs every statement with the current build and
# rewrites tests/corpus/expected/. Review the result with
#   git diff tests/corpus/expected/
# Usage: tests/corpus/refreeze.sh [build-dir]   (default build/release)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
python3 "$root/tests/corpus/make_corpus.py"
cmake --build "$build" -j2 -t corpus_tests
NARWE_CORPUS_UPDATE=1 "$build/tests/corpus_tests" --gtest_filter='Corpus.*'
git -C "$root" diff --stat -- tests/corpus/expected/
