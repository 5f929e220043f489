#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and uses it the way a host
# project would: the files and the soname are in place, the examples/ hosts
# (C and C++) build with find_package(narwe) and run, a C host builds with
# pkg-config (when present), and the installed CLI runs.
#
# usage: install_test.sh BUILD_DIR SOURCE_DIR PROJECT_VERSION [EXTRA_COMPILE_FLAGS]
# EXTRA_COMPILE_FLAGS: flags the hosts need to load this build of the library
# (the sanitizer flags of a sanitizer build).
set -euo pipefail
build_dir=$1
source_dir=$2
version=$3
extra_flags=${4:-}
major=${version%%.*}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

step() { echo "== $*"; }
die() {
  echo "FAIL: $*"
  exit 1
}

step "cmake --install into a temporary prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name "libnarwe.so.$version" | head -n 1)")
[ -f "$libdir/libnarwe.so.$version" ] || die "libnarwe.so.$version not installed"
[ "$(readlink "$libdir/libnarwe.so.$major")" = "libnarwe.so.$version" ] || die "soname link"
[ "$(readlink "$libdir/libnarwe.so")" = "libnarwe.so.$major" ] || die "development link"
if command -v readelf >/dev/null; then
  readelf -d "$libdir/libnarwe.so.$version" | grep -q "SONAME.*\[libnarwe.so.$major\]" ||
    die "SONAME is not libnarwe.so.$major"
fi
for file in include/narwe.h bin/narwe; do
  [ -e "$prefix/$file" ] || die "$file not installed"
done
[ -f "$libdir/cmake/narwe/narweConfig.cmake" ] || die "CMake package file not installed"
[ -f "$libdir/pkgconfig/narwe.pc" ] || die "pkg-config file not installed"

step "installed CLI"
[ "$("$prefix/bin/narwe" --version)" = "narwe $version" ] || die "installed CLI --version"
(cd "$source_dir/examples" && "$prefix/bin/narwe" "SELECT id FROM 'people.csv' LIMIT 1") >"$work/out"
printf 'id\n1\n' | cmp -s - "$work/out" || die "installed CLI result: $(cat "$work/out")"

step "examples/ built with find_package(narwe)"
cmake -S "$source_dir/examples" -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS="$extra_flags" -DCMAKE_CXX_FLAGS="$extra_flags" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; die "configuring examples/"; }
cmake --build "$work/examples" -j 2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; die "building examples/"; }
cd "$source_dir/examples"
"$work/examples/c_host" >"$work/c_out" || die "c_host failed"
printf '[\n{"name":"Chen, Wei","age":45},\n{"name":"Farid Aziz","age":51},\n{"name":"Hugo \\"Hue\\" Braun","age":42}\n]\n' |
  cmp -s - "$work/c_out" || die "c_host output: $(cat "$work/c_out")"
if "$work/examples/c_host" "SELECT nope FROM 'people.csv'" 2>"$work/c_err"; then die "c_host: a failing query exits 0"; fi
grep -qx "query failed: ColumnNotFound" "$work/c_err" || die "c_host error: $(cat "$work/c_err")"
"$work/examples/cpp_host" >"$work/cpp_out" || die "cpp_host failed: $(cat "$work/cpp_out")"
head -n 2 "$work/cpp_out" | cmp -s - <(printf 'city,name\nLima,Bob Stone\n') || die "cpp_host output: $(cat "$work/cpp_out")"
grep -qx "a missing file gives: FileNotFound" "$work/cpp_out" || die "cpp_host error line"

if command -v pkg-config >/dev/null; then
  step "C host built with pkg-config"
  export PKG_CONFIG_PATH="$libdir/pkgconfig"
  [ "$(pkg-config --modversion narwe)" = "$version" ] || die "pkg-config --modversion"
  # shellcheck disable=SC2046  # the flags are meant to split into words
  cc $extra_flags "$source_dir/examples/c_host.c" -o "$work/pc_host" $(pkg-config --cflags --libs narwe)
  LD_LIBRARY_PATH="$libdir" "$work/pc_host" "SELECT id FROM 'people.csv' WHERE id = 2" >"$work/pc_out" ||
    die "pkg-config host failed"
  printf '[\n{"id":2}\n]\n' | cmp -s - "$work/pc_out" || die "pkg-config host output: $(cat "$work/pc_out")"
fi
echo "install checks passed"
