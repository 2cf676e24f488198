#!/usr/bin/env bash
# Rows written by `mdbtool import` as three readers see them: mdbtool export, the npm package
# mdb-reader (tools/node/export.js) and mdbtools (mdb-json, mdb-count, mdb-sql), plus the strict
# page check (`mdbtool check`). Refused lines (duplicate ID, unknown column, text too long) must
# name their line and leave every row posted before them readable.
#   write_readers_test.sh MDBTOOL SOURCE_DIR small   round trips of awkward values
#   write_readers_test.sh MDBTOOL SOURCE_DIR large [ROWS]   100,000 (or ROWS) Dodatki rows
set -euo pipefail
mdbtool=$1
src=$2
mode=$3
here="$src/tests/jet"
export_js="$src/tools/node/export.js"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/dodatki.mdb"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Every line of $2 with all columns of table $1 in table order, missing ones null (the lines
# give every yes/no column: those are never null).
complete() {
  local cols
  cols=$(node -e '
    const M = require(process.argv[1] + "/tools/node/node_modules/mdb-reader").default;
    const t = new M(require("fs").readFileSync(process.argv[2])).getTable(process.argv[3]);
    console.log(JSON.stringify(t.getColumnNames()));' "$src" "$db" "$1")
  jq -c --argjson cols "$cols" '. as $r | reduce $cols[] as $c ({};
      . + {($c): (if $r | has($c) then $r[$c] else null end)})' "$2"
}
# What mdb-json prints for the same rows: no nulls, no empty texts, yes/no as 1/0.
as_mdb_json() {
  jq -cS 'with_entries(select(.value != null and .value != "")
          | .value |= (if . == true then 1 elif . == false then 0 else . end))' "$1"
}
# All three readers must give back exactly the expected rows of table $1.
check_readers() {
  local table=$1 expected=$2
  "$mdbtool" export "$db" "$table" | jq -c . >"$work/ours.jsonl"
  diff -u "$expected" "$work/ours.jsonl" >&2 || fail "$table: mdbtool export differs"
  node "$export_js" "$db" "$table" | jq -c . >"$work/reader.jsonl"
  diff -u "$expected" "$work/reader.jsonl" >&2 || fail "$table: mdb-reader differs"
  as_mdb_json "$expected" >"$work/expected_mdbjson.jsonl"
  mdb-json "$db" "$table" | jq -cS . >"$work/mdbjson.jsonl"
  diff -u "$work/expected_mdbjson.jsonl" "$work/mdbjson.jsonl" >&2 || fail "$table: mdb-json differs"
  [[ $(mdb-count "$db" "$table") == $(wc -l <"$expected") ]] || fail "$table: mdb-count"
  "$mdbtool" check "$db" "$table" >"$work/check.txt" || { cat "$work/check.txt" >&2; fail "check"; }
}
# The import of $2 into table $1 must fail with a message holding $3.
refused() {
  local table=$1 input=$2 message=$3
  if "$mdbtool" import "$db" "$table" <"$input" >/dev/null 2>"$work/err.txt"; then
    fail "import of $input accepted"
  fi
  grep -qF -- "$message" "$work/err.txt" || fail "message: $(cat "$work/err.txt"), wanted: $message"
}

"$mdbtool" create "$db" >/dev/null

if [[ $mode == small ]]; then
  cases="$here/write_roundtrip_dodatki.jsonl"
  "$mdbtool" import "$db" Dodatki <"$cases" >/dev/null
  complete Dodatki "$cases" | jq -c . >"$work/expected.jsonl"
  check_readers Dodatki "$work/expected.jsonl"

  # info_producent has no key: the same row twice is two rows.
  printf '%s\n' '{"Producent":"Nordeka","Nazwa":"Nordeka Sp. z o.o.","kod":"00-950"}' \
    '{"Producent":"Nordeka","Nazwa":"Nordeka Sp. z o.o.","kod":"00-950"}' \
    '{"Producent":null,"Nazwa":"DELETE","osoba":"Łucja Żak"}' >"$work/producent.jsonl"
  "$mdbtool" import "$db" info_producent <"$work/producent.jsonl" >/dev/null
  complete info_producent "$work/producent.jsonl" | jq -c . >"$work/expected_producent.jsonl"
  check_readers info_producent "$work/expected_producent.jsonl"

  # Refused lines: the rows before them stay, nothing after them is written.
  printf '%s\n' '{"ID":100,"Nazwa":"przed","Dodatek_wst":false}' '{"ID":1,"Nazwa":"duplikat"}' '{"ID":101}' \
    >"$work/dup.jsonl"
  refused Dodatki "$work/dup.jsonl" "line 2: Table Dodatki already has a row with ID = 1"
  printf '%s\n' '{"ID":102,"Kolorr":"x"}' >"$work/unknown.jsonl"
  refused Dodatki "$work/unknown.jsonl" 'line 1: table Dodatki has no column "Kolorr"'
  printf '%s\n' '' '{"ID":103,"Kod_Wstawiania":"ABCD"}' >"$work/long.jsonl"
  refused Dodatki "$work/long.jsonl" \
    "line 2: The value for column Kod_Wstawiania is too long: 4 characters, at most 3 allowed"
  printf '%s\n' '{"ID":104,"Nazwa":"x"' >"$work/broken.jsonl"
  refused Dodatki "$work/broken.jsonl" "line 1: column 22: expected '}'"
  head -1 "$work/dup.jsonl" | complete Dodatki /dev/stdin >>"$work/expected.jsonl"
  check_readers Dodatki "$work/expected.jsonl"
  "$mdbtool" check "$db" >"$work/check.txt" || { cat "$work/check.txt" >&2; fail "file check"; }
else
  n=${4:-100000}
  awk -v n="$n" -f "$here/dodatki_rows.awk" >"$work/rows.jsonl"
  "$mdbtool" import "$db" Dodatki <"$work/rows.jsonl" >/dev/null
  # The whole file (every page accounted for) and the key's tree: every row once, in order.
  "$mdbtool" check "$db" >"$work/check.txt" || { cat "$work/check.txt" >&2; fail check; }
  grep -q "index 0: $n entries" "$work/check.txt" || fail "index: $(cat "$work/check.txt")"
  # Both readers read the whole table back, value for value.
  jq -c . "$work/rows.jsonl" | complete Dodatki /dev/stdin >"$work/expected.jsonl"
  node "$export_js" "$db" Dodatki | jq -c . >"$work/reader.jsonl"
  cmp -s "$work/expected.jsonl" "$work/reader.jsonl" || fail "mdb-reader differs"
  as_mdb_json "$work/expected.jsonl" >"$work/expected_mdbjson.jsonl"
  mdb-json "$db" Dodatki | jq -cS . >"$work/mdbjson.jsonl"
  cmp -s "$work/expected_mdbjson.jsonl" "$work/mdbjson.jsonl" || fail "mdb-json differs"
  [[ $(mdb-export "$db" Dodatki | wc -l) == $((n + 1)) ]] || fail "mdb-export row count"
  # mdbtools finds rows by their key.
  for id in 1 777 $((n / 2 + 3)) $((n - 1)) "$n"; do
    got=$(printf 'SELECT ID, Nazwa FROM Dodatki WHERE ID = %s\ngo\n' "$id" |
      mdb-sql -H -F -P -d '|' "$db" | grep -v '^$')
    want=$(jq -r --argjson id "$id" 'select(.ID == $id) | "\(.ID)|\(.Nazwa)"' "$work/rows.jsonl")
    [[ "$got" == "$want" ]] || fail "mdb-sql ID $id: '$got', wanted '$want'"
  done
fi
echo "ok"
