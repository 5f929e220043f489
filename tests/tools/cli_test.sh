#!/usr/bin/env bash
# Tests of the narwe command-line host: exit codes, options, the output
# formats, every example line that --help shows, and that the statement kinds
# --help lists as "Not available yet" are still refused (and the others work).
#
# usage: cli_test.sh NARWE_BINARY EXAMPLES_DIR PROJECT_VERSION
set -u
narwe=$1
examples=$2
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples/people.csv" "$work/"
cd "$work" || exit 1
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# check NAME WANT_EXIT WANT_STDOUT [ARGS...]: runs narwe with ARGS and
# compares the exit code and the exact standard output.
check() {
  local name=$1 want_exit=$2 want_out=$3
  shift 3
  "$narwe" "$@" >"$work/out" 2>"$work/err"
  local got_exit=$?
  printf '%s' "$want_out" >"$work/want"
  [ "$got_exit" -eq "$want_exit" ] || fail "$name: exit $got_exit, want $want_exit ($(cat "$work/err"))"
  cmp -s "$work/out" "$work/want" || fail "$name: output differs:
$(diff "$work/want" "$work/out")"
}

# check_err NAME WANT_EXIT STDERR_TEXT [ARGS...]: as check, for runs that
# must print nothing on standard output and STDERR_TEXT on standard error.
check_err() {
  local name=$1 want_exit=$2 want_err=$3
  shift 3
  check "$name" "$want_exit" "" "$@"
  grep -qF -- "$want_err" "$work/err" || fail "$name: stderr lacks '$want_err': $(cat "$work/err")"
}

people="'people.csv'"
printf 'k,v\n1,"line1\nline2"\n2,Ünïcödé text that is rather long\n3,\n4,a\001\377b\n' >wide.csv

# --- information and usage mistakes ----------------------------------------
check "version" 0 "narwe $version
" --version
check_err "no statement" 2 "usage: narwe"
check_err "unknown option" 2 "unknown option --nope" --nope "SELECT 1 FROM $people"
check_err "bad format" 2 "csv, json or table" --format xml "SELECT id FROM $people"
check_err "width too small" 2 "at least 4" --table --max-width 3 "SELECT id FROM $people"
check_err "missing value" 2 "missing value after --output" "SELECT id FROM $people" --output
check_err "two statements" 2 "one quoted argument" "SELECT id FROM $people" "LIMIT 1"

# --- query failures ---------------------------------------------------------
check_err "missing file" 1 "error: FileNotFound" "SELECT id FROM 'no-such.csv'"
check_err "missing column" 1 "error: ColumnNotFound" --table "SELECT nope FROM $people"

# --- formats ----------------------------------------------------------------
check "csv" 0 'id,name
3,"Chen, Wei"
8,"Hugo ""Hue"" Braun"
' "SELECT id, name FROM $people WHERE id IN ('3', '8')"
check "json" 0 '[
{"id":3,"name":"Chen, Wei"}
]
' --format=json "SELECT id, name FROM $people WHERE id = 3"
check "json empty" 0 '[]
' --json "SELECT id FROM $people WHERE id > 100"
check "table" 0 'name       | age
-----------+----
Farid Aziz |  51
Chen, Wei  |  45
(2 rows)
' --format table "SELECT name, age FROM $people WHERE age > 44 ORDER BY age DESC"
check "table one row" 0 'name             | city
-----------------+-----
Hugo "Hue" Braun | Lima
(1 row)
' --table "SELECT name, city FROM $people WHERE id = 8"
check "table no rows" 0 'name
----
(0 rows)
' --table "SELECT name FROM $people WHERE id > 100"
check "table cuts and escapes" 0 'k | v
--+-----------
1 | line1\n...
2 | Ünïcödé...
3 |
4 | a\x01\xFFb
(4 rows)
' --table --max-width 10 "SELECT k, v FROM 'wide.csv'"
check "stdin" 0 'k
3
' "SELECT k FROM stdin WHERE v IS NULL" <wide.csv

# --- --output ---------------------------------------------------------------
check "output file" 0 "" --output result.json --json "SELECT id FROM $people LIMIT 1"
printf '[\n{"id":1}\n]\n' | cmp -s - result.json || fail "output file: content $(cat result.json)"
printf 'keep\n' >kept.csv
check_err "output kept on failure" 1 "error: ColumnNotFound" -o kept.csv "SELECT nope FROM $people"
[ "$(cat kept.csv)" = "keep" ] || fail "output kept on failure: file changed"
check_err "output unwritable" 1 "cannot write" --output=no-dir/x.csv "SELECT id FROM $people"

# --- every example of --help runs -------------------------------------------
"$narwe" --help >help.txt || fail "--help exit code"
mkdir bin && ln -s "$narwe" bin/narwe
examples_run=0
while IFS= read -r line; do
  line=${line#"  "}
  PATH="$work/bin:$PATH" bash -c "set -o pipefail; $line" >/dev/null 2>"$work/err" ||
    fail "help example exits non-zero: $line ($(cat "$work/err"))"
  examples_run=$((examples_run + 1))
done < <(sed -n '/^Examples/,/^$/{/^  /p}' help.txt)
[ "$examples_run" -ge 5 ] || fail "found only $examples_run help examples"

# --- "Not available yet" in --help matches what the library does ------------
# Each row: a word that names the statement kind in the help text, and a
# statement of that kind.
missing_section=$(sed -n '/^Not available yet:/,/^$/p' help.txt)
while IFS='|' read -r keyword statement; do
  if "$narwe" "$statement" >/dev/null 2>"$work/err"; then works=yes; else works=no; fi
  if grep -qF -- "$keyword" <<<"$missing_section"; then
    [ "$works" = no ] || fail "--help says '$keyword' is not available yet, but it works"
  else
    [ "$works" = yes ] || fail "'$keyword' fails ($(cat "$work/err")); --help should list it as not available yet"
  fi
done <<EOF
GROUP BY|SELECT city FROM $people GROUP BY city
aggregates|SELECT count(*) FROM $people
JOIN|SELECT a.name FROM $people a JOIN $people b ON a.id = b.id
IN (SELECT|SELECT name FROM $people WHERE id IN (SELECT id FROM $people)
EOF

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all CLI checks passed"
