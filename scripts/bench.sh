#!/usr/bin/env bash
# Benchmarks: a Release build in build/bench, then each benchmark prints its figures.
# Not part of make test. Each benchmark is a function below, listed in BENCHES.
set -euo pipefail
cd "$(dirname "$0")/.."

DIR=build/bench
WORK=$DIR/work
BENCHES=(bench_mkinstaller_append bench_mkinstaller_build bench_zip_extract bench_jet_export bench_jet_insert bench_accessorydb_merge)
# The programs the benchmarks need.
TARGETS=(mkinstaller zip_bench mdbtool jet_export_bench bench_accessorydb_merge)

# Seconds since an earlier `date +%s.%N`, with 3 decimals.
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }'; }

# mkinstaller append: writing an installer around a 200 MiB archive, streamed in 1 MiB blocks.
bench_mkinstaller_append() {
  local stub=$WORK/stub.exe archive=$WORK/archive.zip out=$WORK/out.exe t s mib
  head -c $((3 * 1024 * 1024)) /dev/urandom >"$stub"
  head -c $((200 * 1024 * 1024)) /dev/urandom >"$archive"
  "$DIR/mkinstaller" append --stub "$stub" --archive "$archive" -o "$out" >/dev/null # warm cache
  t=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$WORK/rss" "$DIR/mkinstaller" append --stub "$stub" \
    --archive "$archive" -o "$out" >/dev/null
  s=$(elapsed "$t")
  mib=$(($(stat -c %s "$out") / 1024 / 1024))
  echo "mkinstaller append: ${mib} MiB installer in ${s} s" \
    "($(awk -v m="$mib" -v s="$s" 'BEGIN { printf "%.0f", m / s }') MiB/s)," \
    "peak memory $(($(cat "$WORK/rss") / 1024)) MiB"
  rm -f "$stub" "$archive" "$out"
}

# mkinstaller build and verify: a package of 200 files of 1 MiB (incompressible) and a database,
# checked and packed, then checked back; memory should not grow with the package.
bench_mkinstaller_build() {
  local pkg=$WORK/package out=$WORK/package.exe t build verify i mib build_rss
  rm -rf "$pkg"
  mkdir -p "$pkg/Pakiet/modele"
  "$DIR/mdbtool" create "$pkg/Pakiet/dodatki.mdb" >/dev/null
  convert -size 1040x585 xc:gray "$pkg/Pakiet.jpg"
  for i in $(seq 1 200); do head -c $((1024 * 1024)) /dev/urandom >"$pkg/Pakiet/modele/m$i.bin"; done
  head -c $((3 * 1024 * 1024)) /dev/urandom >"$WORK/stub.exe"
  t=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$WORK/rss" "$DIR/mkinstaller" build "$pkg" -o "$out" \
    --stub "$WORK/stub.exe" >/dev/null
  build=$(elapsed "$t")
  build_rss=$(($(cat "$WORK/rss") / 1024))
  t=$(date +%s.%N)
  /usr/bin/time -f "%M" -o "$WORK/rss" "$DIR/mkinstaller" verify "$out" >/dev/null
  verify=$(elapsed "$t")
  mib=$(($(stat -c %s "$out") / 1024 / 1024))
  echo "mkinstaller build: ${mib} MiB installer from 202 files in ${build} s," \
    "peak memory ${build_rss} MiB; verify in ${verify} s, peak memory" \
    "$(($(cat "$WORK/rss") / 1024)) MiB"
  rm -rf "$pkg" "$out" "$WORK/stub.exe"
}

# ZIP extraction: a ~50 MB package of 3,400 files unpacked by our reader and by unzip.
bench_zip_extract() {
  "$DIR/zip_bench"
}

# Jet export: 100,000 Dodatki rows made with mdbtool create/import, read by our reader and by
# mdbtools' mdb-export.
bench_jet_export() {
  local db=$WORK/dodatki_100k.mdb
  rm -f "$db"
  "$DIR/mdbtool" create "$db" >/dev/null
  node tools/mdbtool/bench/dodatki_rows.mjs 100000 | "$DIR/mdbtool" import "$db" Dodatki >/dev/null
  "$DIR/jet_export_bench" "$db" Dodatki
  rm -f "$db"
}

# Jet inserts: 100,000 Dodatki rows (about 120 characters of text each) posted one by one by
# `mdbtool import`, against the time mdbtools' mdb-export takes to read them back.
bench_jet_insert() {
  local db=$WORK/dodatki.mdb rows=$WORK/dodatki.jsonl n=100000 t ins exp empty size
  awk -v n=$n -f tests/jet/dodatki_rows.awk >"$rows"
  rm -f "$db"
  "$DIR/mdbtool" create "$db" >/dev/null
  empty=$(stat -c %s "$db")
  t=$(date +%s.%N)
  "$DIR/mdbtool" import "$db" Dodatki <"$rows" >/dev/null
  ins=$(elapsed "$t")
  size=$(stat -c %s "$db")
  mdb-export "$db" Dodatki >/dev/null # warm cache
  t=$(date +%s.%N)
  mdb-export "$db" Dodatki >/dev/null
  exp=$(elapsed "$t")
  echo "jet insert: $n Dodatki rows in ${ins} s" \
    "($(awk -v n=$n -v s="$ins" 'BEGIN { printf "%.0f", n / s }') rows/s)," \
    "$(( (size - empty) / n )) bytes a row; mdb-export reads them in ${exp} s;" \
    "insert/read time ratio $(awk -v a="$ins" -v b="$exp" 'BEGIN { printf "%.2f", a / b }')" \
    "(goal: ratio <= 1)"
  rm -f "$db" "$rows"
}

# mdb-export reading both tables of each given accessory database.
mdb_export_accessory() {
  local db table
  for db in "$@"; do
    for table in info_producent Dodatki; do mdb-export "$db" "$table" >/dev/null; done
  done
}

# Accessory database merge: a previous and a package database of 50,000 items each (half the
# IDs shared, some "DELETE" markers) merged at the normal log level, against the time mdbtools'
# mdb-export takes merely to read both inputs; then 5,000 items each, merged with the indexed
# lookups and with plain scans, to show how each grows.
bench_accessorydb_merge() {
  local dir=$WORK/merge prog=$DIR/bench_accessorydb_merge t exp merge small plain
  mkdir -p "$dir"
  "$prog" make "$dir" 50000
  mdb_export_accessory "$dir/new.mdb" "$dir/old.mdb" # warm cache
  t=$(date +%s.%N)
  mdb_export_accessory "$dir/new.mdb" "$dir/old.mdb"
  exp=$(elapsed "$t")
  t=$(date +%s.%N)
  "$prog" merge "$dir" indexed >/dev/null
  merge=$(elapsed "$t")
  echo "accessorydb merge: 2 x 50,000 items merged in ${merge} s; mdb-export reads both in" \
    "${exp} s; merge/read ratio $(awk -v a="$merge" -v b="$exp" 'BEGIN { printf "%.2f", a / b }')" \
    "(goal: <= 2)"
  "$prog" make "$dir" 5000
  small=$("$prog" merge "$dir" indexed)
  plain=$("$prog" merge "$dir" plain)
  echo "accessorydb merge: 2 x 5,000 items in ${small} s with indexed lookups, ${plain} s with" \
    "plain scans"
  rm -rf "$dir"
}

cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$DIR" --target "${TARGETS[@]}" >/dev/null
mkdir -p "$WORK"
for b in "${BENCHES[@]}"; do
  "$b"
done
