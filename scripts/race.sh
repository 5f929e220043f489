#!/usr/bin/env bash
# The race: times libnarwe, DuckDB and sqlite3 on the same queries over the same
# generated CSV files, checks that their answers agree, and prints one Markdown
# table. Usage: scripts/race.sh [small|medium|large]   (default small)
# Set RACE_SCALING=1 to time libnarwe with NARWE_THREADS=1 and 2 as well.
# Everything it downloads, builds or generates goes under .cache/race/.
set -euo pipefail
cd "$(dirname "$0")/.."
size="${1:-small}"
case "$size" in small|medium|large) ;; *) echo "usage: scripts/race.sh [small|medium|large]" >&2; exit 2;; esac

root="$PWD"
cache="$root/.cache/race"
duckdb_pkg="@duckdb/node-bindings-linux-x64@1.5.6-r.1"
duckdb_lib="$cache/npm/node_modules/@duckdb/node-bindings-linux-x64/libduckdb.so"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
mkdir -p "$cache/bin"

apt_install() {
  echo "installing: $*"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$@"
}

# Peers: the sqlite3 CLI from the distribution, DuckDB's shared library from npm.
command -v sqlite3 >/dev/null || apt_install sqlite3
command -v python3 >/dev/null || apt_install python3
if [ ! -f "$duckdb_lib" ]; then
  command -v npm >/dev/null || apt_install npm
  npm install --prefix "$cache/npm" --no-audit --no-fund --ignore-scripts "$duckdb_pkg"
fi

# libnarwe (Release) and the three small C programs.
if [ ! -f build/release/CMakeCache.txt ]; then
  scripts/deps.sh
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/release -j "$(nproc)" -t narwe
cc=(gcc -O2 -Wall -Wextra)
"${cc[@]}" -o "$cache/bin/narwe_run" scripts/race/narwe_run.c -Iinclude \
  -Lbuild/release -lnarwe -Wl,-rpath,"$root/build/release"
"${cc[@]}" -o "$cache/bin/duckdb_run" scripts/race/duckdb_run.c -ldl
"${cc[@]}" -o "$cache/bin/memchr_floor" scripts/race/memchr_floor.c
"${cc[@]}" -o "$cache/bin/measure" scripts/race/measure.c

# Data: regenerated only when missing or when the generator changed.
data="$cache/data/$size"
stamp="$(sha256sum scripts/race/gen_data.py | cut -d' ' -f1)"
if [ "$(cat "$data/.stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "generating $size data in $data"
  rm -rf "$data"
  python3 scripts/race/gen_data.py "$size" "$data"
  echo "$stamp" >"$data/.stamp"
fi

scaling=()
[ "${RACE_SCALING:-0}" = 1 ] && scaling=(--scaling)
exec python3 -B scripts/race/race.py --data "$data" --bin "$cache/bin" --duckdb "$duckdb_lib" \
  --results "$cache/results/$size" "${scaling[@]}"
