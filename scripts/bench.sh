#!/usr/bin/env bash
# Benchmarks: a Release build in build/bench, then each benchmark prints its figures.
# Not part of make test. Each benchmark is a function below, listed in BENCHES; arguments name
# the ones to run (all by default); INSERT_SIZES, MERGE_SIZES and ADVERSARIAL_SIZE choose the
# sizes. Timed work runs RUNS times (BIG_RUNS at a million rows) and prints the median with the
# range "(min-max)"; ratios are of medians. On a busy machine the processor seconds (user +
# system, also medians) compare better than the wall-clock ones.
set -euo pipefail
cd "$(dirname "$0")/.."

DIR=build/bench
WORK=$DIR/work
RUNS=${RUNS:-5}
BIG_RUNS=${BIG_RUNS:-3}
INSERT_SIZES=${INSERT_SIZES:-10000 100000 1000000}
MERGE_SIZES=${MERGE_SIZES:-10000 50000 100000 1000000}
ADVERSARIAL_SIZE=${ADVERSARIAL_SIZE:-50000}
BENCHES=(bench_mkinstaller_append bench_mkinstaller_build bench_zip_extract bench_jet_export bench_jet_insert bench_accessorydb_merge)
if (($# > 0)); then BENCHES=("$@"); fi
# The programs the benchmarks need.
TARGETS=(mkinstaller zip_bench mdbtool jet_export_bench bench_accessorydb_merge)

# Seconds since an earlier `date +%s.%N`, with 3 decimals.
elapsed() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }'; }

# "MEDIAN MIN MAX" of the numbers given.
stats() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f", m, v[1], v[NR] }'
}
# "MEDIAN s (MIN-MAX)" of the numbers given.
shown() {
  local m lo hi
  read -r m lo hi <<<"$(stats "$@")"
  echo "$m s ($lo-$hi)"
}
median() { stats "$@" | cut -d' ' -f1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Runs a command with its output discarded (or written to the file OUT names), appending its wall seconds to the array named by
# $1 and its processor seconds (user + system) to the one named by $2; its peak memory in MiB
# goes to PEAK_MIB (the largest of the runs so far).
PEAK_MIB=0
timed() {
  local -n wall_=$1 cpu_=$2
  shift 2
  local t user sys rss
  t=$(date +%s.%N)
  /usr/bin/time -f "%U %S %M" -o "$WORK/time" "$@" >"${OUT:-/dev/null}"
  wall_+=("$(elapsed "$t")")
  read -r user sys rss <"$WORK/time"
  cpu_+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')")
  ((rss / 1024 > PEAK_MIB)) && PEAK_MIB=$((rss / 1024))
  return 0
}

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

# Jet inserts: Dodatki rows (about 120 characters of text each) posted by `mdbtool import` at
# 10,000, 100,000 and 1,000,000 rows, against the time mdbtools' mdb-export takes to read them
# back; the page reads and writes of the import and its writes per page of the finished file.
# The import's time includes parsing its JSON lines, so the engine's own insert is measured
# too: the merge benchmark's items posted through a table cursor, against mdb-export reading that
# file; the whole process's time (making each row's values included), and the engine's alone.
# Every row of the 1,000,000-row file is then read back by mdbtools, mdb-reader and
# `mdbtool check`.
bench_jet_insert() {
  local n
  for n in $INSERT_SIZES; do jet_insert "$n"; done
}

jet_insert() {
  local n=$1 db=$WORK/dodatki.mdb rows=$WORK/dodatki.jsonl runs=$RUNS run pages reads writes
  local ins=() ins_cpu=() exp=() exp_cpu=() eng=() eng_cpu=() eng_own=() eexp=() eexp_cpu=() peak
  local eng_peak seconds
  ((n >= 1000000)) && runs=$BIG_RUNS
  awk -v n="$n" -f tests/jet/dodatki_rows.awk >"$rows"
  PEAK_MIB=0
  for ((run = 0; run < runs; run++)); do
    rm -f "$db"
    "$DIR/mdbtool" create "$db" >/dev/null
    OUT=$WORK/out timed ins ins_cpu "$DIR/mdbtool" import "$db" Dodatki <"$rows"
  done
  peak=$PEAK_MIB
  reads=$(sed -n 's/.*page reads \([0-9]*\).*/\1/p' "$WORK/out")
  writes=$(sed -n 's/.*page writes \([0-9]*\).*/\1/p' "$WORK/out")
  pages=$(($(stat -c %s "$db") / 4096))
  mdb-export "$db" Dodatki >/dev/null # warm cache
  for ((run = 0; run < runs; run++)); do timed exp exp_cpu mdb-export "$db" Dodatki; done
  echo "jet insert: $n Dodatki rows by mdbtool import in $(shown "${ins[@]}"), processor" \
    "$(shown "${ins_cpu[@]}"), peak memory $peak MiB; mdb-export reads them in" \
    "$(shown "${exp[@]}"), processor $(shown "${exp_cpu[@]}"); insert/read ratio" \
    "$(ratio "$(median "${ins[@]}")" "$(median "${exp[@]}")"), processor" \
    "$(ratio "$(median "${ins_cpu[@]}")" "$(median "${exp_cpu[@]}")") (JSON parsing included: the" \
    "goal is the engine's own part's, below); $pages" \
    "pages, page reads $reads, page writes $writes, $(ratio "$writes" "$pages") writes a page" \
    "(goal: <= 1.1)"
  PEAK_MIB=0
  for ((run = 0; run < runs; run++)); do
    OUT=$WORK/out timed eng eng_cpu "$DIR/bench_accessorydb_merge" insert "$WORK" "$n"
    read -r seconds reads writes <"$WORK/out"
    eng_own+=("$seconds")
  done
  eng_peak=$PEAK_MIB
  pages=$(($(stat -c %s "$WORK/insert.mdb") / 4096))
  mdb-export "$WORK/insert.mdb" Dodatki >/dev/null # warm cache
  for ((run = 0; run < runs; run++)); do
    timed eexp eexp_cpu mdb-export "$WORK/insert.mdb" Dodatki
  done
  echo "  engine insert (no JSON): $n items in $(shown "${eng[@]}"), processor" \
    "$(shown "${eng_cpu[@]}"), peak memory $eng_peak MiB; mdb-export reads them in" \
    "$(shown "${eexp[@]}"); insert/read ratio $(ratio "$(median "${eng[@]}")" "$(median "${eexp[@]}")")," \
    "processor $(ratio "$(median "${eng_cpu[@]}")" "$(median "${eexp_cpu[@]}")"); the engine's own" \
    "part (values made outside its clock) $(shown "${eng_own[@]}"), ratio" \
    "$(ratio "$(median "${eng_own[@]}")" "$(median "${eexp[@]}")") (goal: <= 0.5); $pages pages," \
    "page writes $writes, $(ratio "$writes" "$pages") writes a page"
  if ((n == 1000000)); then read_back "$db" "$n"; fi
  rm -f "$db" "$rows" "$WORK/insert.mdb"
}

# Every row of the file, through each reader.
read_back() {
  local db=$1 n=$2 got verdict=ok
  got=$(($(mdb-export "$db" Dodatki | wc -l) - 1))
  [[ $got == "$n" ]] || verdict="FAILED"
  echo "  mdbtools (mdb-export): $got rows"
  # Counted in slices: one string of a million rows is more than node holds.
  got=$(node -e '
    const M = require(process.argv[1] + "/tools/node/node_modules/mdb-reader").default;
    const t = new M(require("fs").readFileSync(process.argv[2])).getTable("Dodatki");
    let n = 0;
    for (let at = 0; at < t.rowCount; at += 100000) {
      n += t.getData({ rowOffset: at, rowLimit: 100000 }).length;
    }
    console.log(n);' "$PWD" "$db")
  [[ $got == "$n" ]] || verdict="FAILED"
  echo "  mdb-reader: $got rows"
  if "$DIR/mdbtool" check "$db" >"$WORK/check.txt"; then
    echo "  mdbtool check: $(grep '^Dodatki' "$WORK/check.txt")"
  else
    verdict="FAILED"
    echo "  mdbtool check: $(cat "$WORK/check.txt")"
  fi
  echo "  read back of $n rows: $verdict"
}

# mdb-export reading both tables of each given accessory database.
mdb_export_accessory() {
  local db table
  for db in "$@"; do
    for table in info_producent Dodatki; do mdb-export "$db" "$table" >/dev/null; done
  done
}
export -f mdb_export_accessory

# Accessory database merge: a previous and a package database of N items each (half the IDs
# shared, some "DELETE" markers) merged at the normal log level, against the time mdbtools'
# mdb-export takes merely to read both inputs, at 10,000, 50,000, 100,000 and 1,000,000 items
# (a goal from 50,000 up); then 5,000 items each, merged with the indexed lookups and with
# plain scans; and the merge of ADVERSARIAL_SIZE items with IDs crafted to share a bucket of the
# index's unseeded hash, against random IDs.
bench_accessorydb_merge() {
  local dir=$WORK/merge prog=$DIR/bench_accessorydb_merge n small plain
  mkdir -p "$dir"
  for n in $MERGE_SIZES; do merge_at "$dir" "$n"; done
  merge_adversarial "$dir" "$ADVERSARIAL_SIZE"
  "$prog" make "$dir" 5000
  small=$("$prog" merge "$dir" indexed | cut -d' ' -f1)
  plain=$("$prog" merge "$dir" plain | cut -d' ' -f1)
  echo "accessorydb merge: 2 x 5,000 items in ${small} s with indexed lookups, ${plain} s with" \
    "plain scans"
  rm -rf "$dir"
}

# The merge's seconds with random and with adversarial IDs; a crafted package must not make it
# much slower.
merge_adversarial() {
  local dir=$1 n=$2 prog=$DIR/bench_accessorydb_merge run kind
  local random=() random_cpu=() adversarial=() adversarial_cpu=()
  for kind in random adversarial; do
    if [[ $kind == random ]]; then
      "$prog" make "$dir" "$n"
    else
      "$prog" make "$dir" "$n" adversarial
    fi
    for ((run = 0; run < RUNS; run++)); do
      timed "$kind" "${kind}_cpu" "$prog" merge "$dir" indexed
    done
  done
  echo "accessorydb merge, adversarial IDs: 2 x $n items merged in $(shown "${adversarial[@]}")," \
    "processor $(shown "${adversarial_cpu[@]}"); random IDs in $(shown "${random[@]}"), processor" \
    "$(shown "${random_cpu[@]}"); adversarial/random ratio" \
    "$(ratio "$(median "${adversarial[@]}")" "$(median "${random[@]}")"), processor" \
    "$(ratio "$(median "${adversarial_cpu[@]}")" "$(median "${random_cpu[@]}")") (goal: <= 2.0)"
}

merge_at() {
  local dir=$1 n=$2 prog=$DIR/bench_accessorydb_merge runs=$RUNS run reads writes pages goal=""
  local merge=() merge_cpu=() exp=() exp_cpu=()
  ((n >= 1000000)) && runs=$BIG_RUNS
  local merge_peak=0
  "$prog" make "$dir" "$n"
  mdb_export_accessory "$dir/new.mdb" "$dir/old.mdb" # warm cache
  # Each read beside a merge: on a shared machine both then meet the same load.
  for ((run = 0; run < runs; run++)); do
    timed exp exp_cpu bash -c 'mdb_export_accessory "$@"' _ "$dir/new.mdb" "$dir/old.mdb"
    PEAK_MIB=0
    OUT=$WORK/out timed merge merge_cpu "$prog" merge "$dir" indexed
    if ((PEAK_MIB > merge_peak)); then merge_peak=$PEAK_MIB; fi
  done
  read -r _ reads writes <"$WORK/out"
  pages=$(($(stat -c %s "$dir/dodatki.mdb") / 4096))
  ((n >= 50000)) && goal=" (goal: <= 0.6)"
  echo "accessorydb merge: 2 x $n items merged in $(shown "${merge[@]}"), processor" \
    "$(shown "${merge_cpu[@]}"), peak memory $merge_peak MiB; mdb-export reads both in" \
    "$(shown "${exp[@]}"), processor $(shown "${exp_cpu[@]}"); merge/read ratio" \
    "$(ratio "$(median "${merge[@]}")" "$(median "${exp[@]}")"), processor" \
    "$(ratio "$(median "${merge_cpu[@]}")" "$(median "${exp_cpu[@]}")")$goal; $pages pages," \
    "page reads $reads, page writes $writes, $(ratio "$writes" "$pages") writes a page" \
    "(goal: <= 1.1)"
}

cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$DIR" --target "${TARGETS[@]}" >/dev/null
mkdir -p "$WORK"
for b in "${BENCHES[@]}"; do
  "$b"
done
