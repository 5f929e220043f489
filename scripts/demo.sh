#!/usr/bin/env bash
# Builds the Release library and CLI (not the tests), then runs a sample
# query on the bundled example file in each output format. One status line
# per step; the build shows cmake's own progress lines.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

echo "[1/4] checking the build tools (cmake, g++, GoogleTest, Google Benchmark)"
scripts/deps.sh

echo "[2/4] configuring build/release"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if ! cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1; then
  cat "$log"
  exit 1
fi

echo "[3/4] building the library and the CLI with $jobs parallel jobs"
cmake --build build/release -j "$jobs" -t narwe narwe_cli

echo "[4/4] running sample queries on examples/people.csv"
cd examples
QUERY="SELECT name, city, age FROM 'people.csv' WHERE age > 30 ORDER BY age DESC LIMIT 5"
for format in csv json table; do
  echo
  echo "\$ narwe --format $format \"$QUERY\""
  ../build/release/narwe --format "$format" "$QUERY"
done
GROUPED="SELECT city, count(*), avg(age), max(salary) FROM 'people.csv' GROUP BY city ORDER BY count(*) DESC"
echo
echo "\$ narwe --format table \"$GROUPED\""
../build/release/narwe --format table "$GROUPED"
echo
echo "More: build/release/narwe --help"
