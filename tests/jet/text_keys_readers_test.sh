#!/usr/bin/env bash
# Polish, Cyrillic, Greek and Chinese text written by `mdbtool import` into an Access-made table
# whose text columns are indexed: the strict check finds every row by its key, and mdb-reader
# (tools/node/export.js) and mdbtools (mdb-json, mdb-sql) read the rows back.
#   text_keys_readers_test.sh MDBTOOL SOURCE_DIR FIXTURES_DIR
set -euo pipefail
mdbtool=$1
src=$2
fixtures=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db="$work/text_indexes.mdb"
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$fixtures/text_indexes.mdb" "$db"
printf '%s\n' \
  '{"i_user_id":9001,"c_user_login":"żółw","c_user_name":"Zażółć gęślą jaźń"}' \
  '{"i_user_id":9002,"c_user_login":"Ёлка","c_user_name":"Москва"}' \
  '{"i_user_id":9003,"c_user_login":"Άλφα","c_user_name":"Ωμέγα"}' \
  '{"i_user_id":9004,"c_user_login":"中文","c_user_name":"中文字"}' \
  '{"i_user_id":9005,"c_user_login":"Łódź","c_user_name":"Łódź"}' >"$work/rows.jsonl"
"$mdbtool" import "$db" users <"$work/rows.jsonl" >/dev/null

"$mdbtool" check "$db" users >"$work/check.txt" || { cat "$work/check.txt" >&2; fail check; }
grep -q "sound" "$work/check.txt" || fail "check: $(cat "$work/check.txt")"
if grep -q "note:" "$work/check.txt"; then fail "check notes: $(cat "$work/check.txt")"; fi

wanted() { jq -cS '{i_user_id, c_user_login, c_user_name}' "$work/rows.jsonl"; }
node "$src/tools/node/export.js" "$db" users | jq -cS 'select(.i_user_id > 9000)
  | {i_user_id, c_user_login, c_user_name}' >"$work/reader.jsonl"
diff -u <(wanted) "$work/reader.jsonl" >&2 || fail "mdb-reader differs"
mdb-json "$db" users | jq -cS 'select(.i_user_id > 9000)' >"$work/mdbjson.jsonl"
diff -u <(wanted) "$work/mdbjson.jsonl" >&2 || fail "mdb-json differs"
while IFS=$'\t' read -r id name; do
  got=$(printf "SELECT i_user_id FROM users WHERE c_user_name = '%s'\ngo\n" "$name" |
    mdb-sql -H -F -P "$db" | grep -v '^$')
  [[ "$got" == "$id" ]] || fail "mdb-sql $name: '$got', wanted $id"
done < <(jq -r '"\(.i_user_id)\t\(.c_user_name)"' "$work/rows.jsonl")
echo "ok"
