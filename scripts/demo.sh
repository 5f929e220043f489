#!/usr/bin/env bash
# Builds the Release library and CLI, then runs a sample query on the bundled
# example file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
echo "building (Release) ..."
log="$(mktemp)"
if ! { cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release &&
       cmake --build build/release -j "$(nproc)"; } >"$log" 2>&1; then
  cat "$log"
  rm -f "$log"
  exit 1
fi
rm -f "$log"
cd examples
QUERY="SELECT name, city, age FROM 'people.csv' WHERE age > 30 ORDER BY age DESC LIMIT 5"
echo "narwe --csv \"$QUERY\""
../build/release/narwe --csv "$QUERY"
echo
echo "narwe --json \"$QUERY\""
../build/release/narwe --json "$QUERY"
echo
