#!/usr/bin/env bash
# The installer's merge (`mdbtool merge`) of two small accessory databases, with a replaced, a
# kept, a deleted and a dropped item, a kept manufacturer marker and a near-marker, as two
# independent readers see the result: mdbtools (mdb-export) and the npm package mdb-reader
# (tools/node/export.js). Both must find exactly the expected rows in the expected order; the
# sources stay byte for byte as they were, and an existing destination is refused.
# Usage: merge_readers_test.sh MDBTOOL EXPORT_JS
set -euo pipefail
mdbtool=$1
export_js=$2
data=$(cd "$(dirname "$0")" && pwd)/merge_readers
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for db in old new; do
  "$mdbtool" create "$work/$db.mdb" >/dev/null
  for t in info_producent Dodatki; do
    "$mdbtool" import "$work/$db.mdb" "$t" <"$data/${db}_$t.jsonl" >/dev/null
  done
done
sources_before=$(cat "$work/old.mdb" "$work/new.mdb" | sha256sum)

"$mdbtool" merge "$work/new.mdb" "$work/old.mdb" "$work/dodatki.mdb"
for t in info_producent Dodatki; do
  mdb-export "$work/dodatki.mdb" "$t" >"$work/$t.csv"
  diff -u "$data/merged_$t.csv" "$work/$t.csv" || fail "mdb-export $t differs"
  node "$export_js" "$work/dodatki.mdb" "$t" >"$work/$t.jsonl"
  diff -u "$data/merged_$t.jsonl" "$work/$t.jsonl" || fail "mdb-reader $t differs"
done
[[ "$(cat "$work/old.mdb" "$work/new.mdb" | sha256sum)" == "$sources_before" ]] ||
  fail "the merge changed a source"

# An existing destination is refused and left alone.
merged=$(sha256sum <"$work/dodatki.mdb")
if "$mdbtool" merge "$work/new.mdb" "$work/old.mdb" "$work/dodatki.mdb" 2>/dev/null; then
  fail "merge into an existing destination succeeded"
fi
[[ "$(sha256sum <"$work/dodatki.mdb")" == "$merged" ]] || fail "a refused merge changed DEST"

# A first installation: no previous database, only the package's items that are no markers.
"$mdbtool" merge "$work/new.mdb" "$work/missing.mdb" "$work/first.mdb"
ids=$(mdb-export -H "$work/first.mdb" Dodatki | cut -d, -f1 | tr '\n' ' ')
[[ "$ids" == "5 1 6 " ]] || fail "first installation: Dodatki IDs $ids"
makers=$(node "$export_js" "$work/first.mdb" info_producent | wc -l)
[[ "$makers" == 1 ]] || fail "first installation: $makers manufacturers"

# The trace with --debug; a missing package database fails with the installer's message.
"$mdbtool" merge --debug "$work/new.mdb" "$work/missing.mdb" "$work/traced.mdb" >"$work/trace.txt"
[[ "$(tail -1 "$work/trace.txt")" == "Poprawnie przeniesiono dane." ]] || fail "--debug trace"
grep -qx "\[NW\] 6 : delete - dopisano" "$work/trace.txt" || fail "--debug trace lacks item 6"
if "$mdbtool" merge "$work/missing.mdb" "$work/old.mdb" "$work/none.mdb" 2>"$work/err.txt"; then
  fail "merge without a package database succeeded"
fi
[[ "$(cat "$work/err.txt")" == "Brak pliku: $work/missing.mdb" ]] || fail "message: $(cat "$work/err.txt")"
echo "ok"
