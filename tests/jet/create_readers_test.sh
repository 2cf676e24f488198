#!/usr/bin/env bash
# A database made by `mdbtool create` as two independent readers see it: mdbtools (mdb-ver,
# mdb-tables, mdb-schema, mdb-export) and the npm package mdb-reader. Both must find exactly the
# two accessory tables with every column's type and size (create_expected_schema.txt, which
# lists the accessory database's tables: "table|column|type|characters") and the key on ID.
# Usage: create_readers_test.sh MDBTOOL NODE_MODULES_DIR
set -euo pipefail
mdbtool=$1
modules=$2
here=$(cd "$(dirname "$0")" && pwd)
expected="$here/create_expected_schema.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/dodatki.mdb"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$mdbtool" create "$db" >/dev/null

[[ "$(mdb-ver "$db")" == "JET4" ]] || fail "mdb-ver says $(mdb-ver "$db")"
tables=$(mdb-tables -1 "$db")
[[ "$tables" == $'info_producent\nDodatki' ]] || fail "mdb-tables lists: $tables"

# mdb-schema (access backend): "[name]  Text (50)," / "Long Integer" / "Boolean NOT NULL".
mdb-schema "$db" access | awk '
  /^CREATE TABLE/ { gsub(/[\[\]]/, "", $3); table = $3; next }
  /^\t\[/ {
    line = $0; sub(/^\t\[/, "", line); name = line; sub(/\].*/, "", name)
    type = line; sub(/^[^\]]*\][ \t]*/, "", type); sub(/,[ \t]*$/, "", type)
    size = ""
    if (type ~ /^Text \(/) { size = type; gsub(/[^0-9]/, "", size); type = "text" }
    else if (type == "Long Integer") type = "long"
    else if (type ~ /^Boolean/) type = "boolean"
    print table "|" name "|" type "|" size
  }' >"$work/mdbtools.txt"
diff -u "$expected" "$work/mdbtools.txt" || fail "mdb-schema columns differ"

keys=$(mdb-schema --indexes "$db" postgres 2>/dev/null | grep -i "primary key" || true)
[[ "$keys" == 'ALTER TABLE "dodatki" ADD CONSTRAINT "dodatki_pkey" PRIMARY KEY ("id");' ]] ||
  fail "primary keys: $keys"

for t in info_producent Dodatki; do
  exported=$(mdb-export "$db" "$t")
  [[ -n "$exported" ]] || fail "mdb-export $t printed no header"
  [[ "$exported" != *$'\n'* ]] || fail "mdb-export $t found rows"
done

# mdb-reader: text sizes are bytes (2 per character); fixed types report their own size.
node "$here/create_mdb_reader_dump.mjs" "$modules" "$db" >"$work/reader_raw.txt"
awk -F'|' '$2 != "rows" {
  size = ($3 == "text") ? $4 / 2 : ""
  print $1 "|" $2 "|" $3 "|" size
}' "$work/reader_raw.txt" >"$work/reader.txt"
diff -u "$expected" "$work/reader.txt" || fail "mdb-reader columns differ"
grep -q '^info_producent|rows|0|0$' "$work/reader_raw.txt" || fail "mdb-reader: info_producent rows"
grep -q '^Dodatki|rows|0|0$' "$work/reader_raw.txt" || fail "mdb-reader: Dodatki rows"

# A second create on the same path is refused and leaves the database alone.
before=$(sha256sum <"$db")
if "$mdbtool" create "$db" 2>/dev/null; then fail "create over an existing file succeeded"; fi
[[ "$(sha256sum <"$db")" == "$before" ]] || fail "a refused create changed the file"
echo "ok"
