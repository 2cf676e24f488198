// The merge benchmark's program (scripts/bench.sh runs it):
//   bench_accessorydb_merge make DIR ROWS [adversarial]
//                                                new.mdb and old.mdb in DIR, ROWS items each:
//                                                half the IDs shared, some named "DELETE";
//                                                adversarial: IDs that all share one bucket of
//                                                the unseeded hash the index of a new table once
//                                                gathered its entries by
//   bench_accessorydb_merge merge DIR indexed|plain
//                                                merges them into DIR/dodatki.mdb with the
//                                                installer's merge or the plain-scan reference at
//                                                the normal log level; prints the seconds taken
//                                                and the pages read and written (the process's
//                                                bytes through read and write calls, in pages)
//   bench_accessorydb_merge insert DIR ROWS      the engine's own insert: ROWS items posted into a
//                                                new DIR/insert.mdb through a table cursor and
//                                                committed; prints the same figures, the seconds
//                                                being the engine's alone (making the items'
//                                                values is left out)
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/mix_bits.h"
#include "accessorydb/mdb_merge.h"
#include "platform/posix_platform.h"
#include "tests/accessorydb/accessory_db.h"
#include "tests/accessorydb/reference_merge.h"

namespace {

using accdbtest::Content;
using text::Text;

// The Dodatki columns a bench item sets, in the order benchItem gives their values.
const Text kItemColumns[] = {u"ID",       u"Producent",      u"Grupa",       u"Typ",   u"Nazwa",
                             u"JPG",      u"Kod_Producenta", u"Dodatek_wst", u"Kolor", u"DWG",
                             u"Wysokosc", u"Opis_Produktu",  u"cena",        u"vat",   u"wymiar X",
                             u"wymiar Y", u"wymiar Z"};
constexpr size_t kItemValues = std::size(kItemColumns);

// Where each of kItemColumns sits in a Dodatki row: found once, as the rows are made by the
// million.
const std::vector<size_t>& itemColumnPlaces() {
  static const std::vector<size_t> places = [] {
    const std::vector<accessorydb::ColumnSchema>& columns =
        accessorydb::accessoryTable(u"Dodatki").columns;
    std::vector<size_t> at;
    for (const Text& name : kItemColumns) {
      const auto it =
          std::find_if(columns.begin(), columns.end(),
                       [&](const accessorydb::ColumnSchema& c) { return c.name == name; });
      if (it == columns.end()) throw std::logic_error("no column " + text::toUtf8(name));
      at.push_back(static_cast<size_t>(it - columns.begin()));
    }
    return at;
  }();
  return places;
}

// An item with realistic, varied texts in most columns.
accdbtest::Row benchItem(int32_t id, bool marker, const Text& source) {
  const Text n = text::num(id);
  jet::Value values[kItemValues] = {id,
                                    Text(u"Meblar"),
                                    Text(u"Kuchnie"),
                                    Text(u"Szafki"),
                                    marker ? Text(u"DELETE") : u"Szafka wisząca " + n,
                                    u"sz" + n + u".jpg",
                                    u"MB-" + n,
                                    id % 3 == 0,
                                    Text(u"dąb sonoma"),
                                    u"sz" + n + u".dwg",
                                    Text(u"720"),
                                    u"Szafka z " + source + u" nr " + n,
                                    Text(u"1299,00"),
                                    Text(u"23"),
                                    Text(u"600"),
                                    Text(u"320"),
                                    Text(u"720")};
  accdbtest::Row row(accessorydb::accessoryTable(u"Dodatki").columns.size(), jet::Null{});
  for (size_t k = 0; k < kItemValues; ++k) row[itemColumnPlaces()[k]] = std::move(values[k]);
  return row;
}

// The ID of item i of a table of `rows` starting at `first`: a fixed stride visits every ID of
// the range once, out of order.
int32_t benchId(int32_t first, int32_t rows, int32_t i) {
  const int32_t stride = 7919;
  return first + static_cast<int32_t>((int64_t{i} * stride) % rows);
}

// The IDs of the items: their place in the range benchId() gives, or the ID at that place of a
// list.
struct BenchIds {
  const std::vector<int32_t>* list = nullptr;
  int32_t operator()(int32_t first, int32_t rows, int32_t i) const {
    const int32_t at = benchId(first, rows, i);
    return list ? list->at(static_cast<size_t>(at)) : at;
  }
};

// The hash by which the index of a new table gathered its entries before it was seeded per run,
// for a Long key: its five bytes (7F, then the value big-endian with its sign bit flipped, as
// jet::appendLongKey makes them) read as one little-endian word, with the key's length and a top
// bit. Made here without a key, as it runs a billion times.
uint64_t unseededHash(int32_t id) {
  const uint32_t flipped = static_cast<uint32_t>(id) ^ 0x80000000u;
  const uint64_t word = 0x7F | uint64_t{flipped >> 24} << 8 |
                        uint64_t{(flipped >> 16) & 0xFF} << 16 |
                        uint64_t{(flipped >> 8) & 0xFF} << 24 | uint64_t{flipped & 0xFF} << 32;
  return jet::mixBits(5 ^ word ^ (uint64_t{1} << 63));
}

// `count` IDs from 0 upwards whose unseeded hashes share their low bits: one bucket of a table
// of 2^kSharedBits slots, where the table probed from one slot to the next past all of them.
std::vector<int32_t> adversarialIds(size_t count) {
  constexpr int kSharedBits = 14;
  constexpr uint64_t kMask = (uint64_t{1} << kSharedBits) - 1;
  const uint64_t bucket = unseededHash(0) & kMask;
  std::vector<int32_t> ids;
  for (int64_t id = 0; ids.size() < count && id <= INT32_MAX; ++id) {
    if ((unseededHash(static_cast<int32_t>(id)) & kMask) == bucket)
      ids.push_back(static_cast<int32_t>(id));
  }
  if (ids.size() < count) throw std::runtime_error("too few adversarial IDs");
  return ids;
}

// Items [from, to) of a table of `rows`.
Content benchItems(BenchIds ids, int32_t first, int32_t rows, int32_t from, int32_t to,
                   int markerEvery, const Text& source) {
  Content c;
  for (int32_t i = from; i < to; ++i) {
    c.items.push_back(benchItem(ids(first, rows, i), i % markerEvery == markerEvery - 1, source));
  }
  return c;
}

// A database of five producers and `rows` items, written in slices so that the rows never
// all sit in memory.
void writeBenchDatabase(plat::Platform& fs, const Text& path, BenchIds ids, int32_t first,
                        int32_t rows, int markerEvery, const Text& source) {
  Content c;
  for (int32_t i = 0; i < 5; ++i) {
    c.producers.push_back(
        accdbtest::producer(u"Producent " + text::num(i), Text(u"Firma"), source));
  }
  accdbtest::writeDatabase(fs, path, c);
  const int32_t slice = 50000;
  for (int32_t from = 0; from < rows; from += slice) {
    const int32_t to = std::min(rows, from + slice);
    accdbtest::appendRows(fs, path, benchItems(ids, first, rows, from, to, markerEvery, source));
  }
}

// The bytes this process has read and written through system calls so far.
struct IoBytes {
  uint64_t read = 0;
  uint64_t written = 0;
};

IoBytes ioBytes() {
  IoBytes io;
  std::ifstream in("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "rchar:") io.read = value;
    if (key == "wchar:") io.written = value;
  }
  return io;
}

int usage() {
  std::fprintf(
      stderr,
      "usage: bench_accessorydb_merge make DIR ROWS [adversarial] | merge DIR indexed|plain | "
      "insert DIR ROWS\n");
  return 1;
}

void printFigures(double seconds, const IoBytes& before) {
  const IoBytes after = ioBytes();
  std::printf("%.3f %llu %llu\n", seconds,
              static_cast<unsigned long long>((after.read - before.read) / 4096),
              static_cast<unsigned long long>((after.written - before.written) / 4096));
}

using Clock = std::chrono::steady_clock;

// Posts the items through one cursor and commits; the rows are made as they are posted. Returns
// the seconds the engine took: opening, posting and committing, without making the values.
double insertItems(plat::Platform& fs, const Text& path, int32_t rows) {
  Clock::duration engine{};
  Clock::time_point start = Clock::now();
  jet::ado::Connection connection(fs);
  connection.ConnectionString = accessorydb::openConnectionString(path);
  connection.LoginPrompt = false;
  connection.open();
  jet::ado::TableCursor table;
  table.connection = &connection;
  table.TableName = u"Dodatki";
  table.open();
  const std::vector<Text> columns = table.columnNames();
  engine += Clock::now() - start;
  for (int32_t i = 0; i < rows; ++i) {
    const accdbtest::Row item = benchItem(benchId(0, rows, i), i % 10 == 9, u"insert");
    start = Clock::now();
    table.insert();
    for (size_t k = 0; k < columns.size(); ++k) table.setField(k, item[k]);
    table.post();
    engine += Clock::now() - start;
  }
  start = Clock::now();
  table.close();
  connection.commit();
  connection.close();
  engine += Clock::now() - start;
  return std::chrono::duration<double>(engine).count();
}

int run(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  const bool adversarial = argc == 5 && std::string(argv[4]) == "adversarial";
  if (argc != 4 && !(command == "make" && adversarial)) return usage();
  const Text dir = text::fromUtf8(argv[2]) + u"/";
  plat::PosixPlatform fs;
  if (command == "make") {
    const int32_t rows = std::atoi(argv[3]);
    // Files of an earlier run, if any.
    for (const Text name : {u"new.mdb", u"old.mdb"}) (void)fs.deleteFile(dir + name);
    // The two tables take IDs [0, rows) and [rows / 2, rows / 2 + rows) of the list.
    const std::vector<int32_t> list =
        adversarial ? adversarialIds(static_cast<size_t>(rows / 2 + rows)) : std::vector<int32_t>{};
    const BenchIds ids{adversarial ? &list : nullptr};
    writeBenchDatabase(fs, dir + u"old.mdb", ids, 0, rows, 20, u"old");
    writeBenchDatabase(fs, dir + u"new.mdb", ids, rows / 2, rows, 10, u"new");
    return 0;
  }
  if (command == "insert") {
    const Text path = dir + u"insert.mdb";
    (void)fs.deleteFile(path);  // a file of an earlier run, if any
    accdbtest::writeDatabase(fs, path, {});
    const IoBytes ioBefore = ioBytes();
    printFigures(insertItems(fs, path, std::atoi(argv[3])), ioBefore);
    return 0;
  }
  const std::string mode = argv[3];
  if (command != "merge" || (mode != "indexed" && mode != "plain")) return usage();
  const Text dest = dir + u"dodatki.mdb";
  (void)fs.deleteFile(dest);  // the result of an earlier run, if any
  Text failure;
  const logs::Log log(logs::IMPORTANT, [&](logs::Level, const Text& line) { failure = line; });
  const accessorydb::MergeFiles files{dir + u"new.mdb", dir + u"old.mdb", dest};
  const IoBytes ioBefore = ioBytes();
  const auto start = std::chrono::steady_clock::now();
  const bool merged = mode == "indexed" ? accessorydb::mergeDatabases(fs, files, log).merged()
                                        : accdbtest::referenceMerge(fs, files, log);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  if (!merged) {
    std::fprintf(stderr, "merge failed: %s\n", text::toUtf8(failure).c_str());
    return 1;
  }
  printFigures(took.count(), ioBefore);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_accessorydb_merge: %s\n", e.what());
    return 1;
  }
}
