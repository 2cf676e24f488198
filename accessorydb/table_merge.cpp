#include "accessorydb/table_merge.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/value_text.h"
#include "accessorydb/merge_key.h"

namespace accessorydb {

namespace {

using jet::ado::TableCursor;
using Row = std::vector<jet::Value>;  // the table's columns in schema order

const Text kMarker = u"DELETE";
const Text kName = u"Nazwa";

struct PackageRow {
  Row values;
  MergeKey key;
  bool marker;
};

size_t columnIndex(const TableSchema& schema, const Text& name) {
  for (size_t i = 0; i < schema.columns.size(); ++i) {
    if (schema.columns[i].name == name) return i;
  }
  throw text::Error(u"Tabela `" + schema.name + u"` nie ma kolumny `" + name + u"`.");
}

class TableMerge {
 public:
  TableMerge(const MergeRules& rules, TableCursor& destination, const logs::Log& log)
      : rules_(rules),
        schema_(accessoryTable(rules.table)),
        keyIndex_(columnIndex(schema_, rules.keyColumn)),
        nameIndex_(columnIndex(schema_, kName)),
        destination_(destination),
        tracing_(log.wants(logs::DEBUG)),
        comparing_(log.wantsComparisons()),
        log_(log) {}

  void run(TableCursor& package, TableCursor* previous) {
    open(destination_, false);
    open(package, true);
    indexDestination();
    loadPackage(package);
    if (previous) {
      open(*previous, true);
      firstPass(*previous);
    }
    trace(rules_.packageHeading);
    secondPass();
    destination_.close();
    package.close();
    if (previous) previous->close();
  }

 private:
  void open(TableCursor& cursor, bool readOnly) {
    cursor.TableName = rules_.table;
    cursor.ReadOnly = readOnly;
    cursor.open();
  }

  Row readRow(const TableCursor& cursor) const {
    Row row;
    row.reserve(schema_.columns.size());
    for (const ColumnSchema& c : schema_.columns) row.push_back(cursor.value(c.name));
    return row;
  }

  // The destination may hold rows before the merge starts.
  void indexDestination() {
    for (destination_.first(); !destination_.eof(); destination_.next()) {
      destinationKeys_.emplace(destination_.value(rules_.keyColumn));
    }
  }

  void loadPackage(TableCursor& package) {
    for (package.first(); !package.eof(); package.next()) {
      Row values = readRow(package);
      MergeKey key(values[keyIndex_]);
      const bool marker = jet::valueText(values[nameIndex_]) == kMarker;
      firstPackageRow_.emplace(key, package_.size());
      package_.push_back({std::move(values), std::move(key), marker});
    }
  }

  void post(const Row& row) {
    destination_.insert();
    for (size_t i = 0; i < row.size(); ++i) destination_.set(schema_.columns[i].name, row[i]);
    destination_.post();
    destinationKeys_.emplace(row[keyIndex_]);
  }

  Text packageKeyText(size_t i) const { return jet::valueText(package_[i].values[keyIndex_]); }

  // Each previous row takes the first package row with its key; a marker there drops it.
  void firstPass(TableCursor& previous) {
    for (; !previous.eof(); previous.next()) {
      const jet::Value key = previous.value(rules_.keyColumn);
      const Text name = previous.asText(kName);
      const auto found = firstPackageRow_.find(MergeKey(key));
      if (tracing_)
        traceFirstPass(key, name,
                       found == firstPackageRow_.end() ? package_.size() : found->second + 1);
      if (found != firstPackageRow_.end()) {
        const PackageRow& row = package_[found->second];
        if (!row.marker) post(row.values);
        change(key, row.marker ? name : jet::valueText(row.values[nameIndex_]),
               row.marker ? u"usunięto" : u"zaktualizowano");
      } else if (rules_.copyPreviousMarkers || name != kMarker) {
        post(readRow(previous));
        change(key, name, u"zachowano");
      } else {
        change(key, name, u"usunięto");
      }
    }
  }

  // The lines of one previous row: itself, then every package row compared with it.
  void traceFirstPass(const jet::Value& key, const Text& name, size_t compared) {
    const Text keyText = jet::valueText(key);
    trace(u"[" + keyText + u"] : " + name);
    if (!comparing_) return;
    for (size_t i = 0; i < compared; ++i) log_.comparison(packageKeyText(i) + u" : " + keyText);
  }

  // The record's one line for a row of the previous database or of the package.
  void change(const jet::Value& key, const Text& name, std::u16string_view what) const {
    if (!log_.wantsChanges()) return;
    log_.change(rules_.table + u" [" + jet::valueText(key) + u"] " + name + u" - " + Text(what));
  }

  // Package rows that are no markers and whose key the destination lacks are appended.
  void secondPass() {
    for (size_t i = 0; i < package_.size(); ++i) {
      const PackageRow& row = package_[i];
      if (tracing_ && !rules_.traceItems) trace(u"[NW] " + packageKeyText(i));
      if (row.marker) continue;
      if (tracing_ && rules_.traceItems) {
        trace(u"[NW] " + packageKeyText(i) + u" : " + jet::valueText(row.values[nameIndex_]) +
              u" - dopisano");
      }
      if (comparing_) traceDestinationScan(row.key);
      if (destinationKeys_.contains(row.key)) continue;
      post(row.values);
      change(row.values[keyIndex_], jet::valueText(row.values[nameIndex_]), u"dopisano");
    }
  }

  // The destination rows a scan for the key passes, up to and including the one it finds.
  void traceDestinationScan(const MergeKey& wanted) {
    for (destination_.first(); !destination_.eof(); destination_.next()) {
      const jet::Value key = destination_.value(rules_.keyColumn);
      log_.comparison(u"[DN] " + jet::valueText(key));
      if (MergeKey(key) == wanted) break;
    }
  }

  const MergeRules& rules_;
  const TableSchema& schema_;
  const size_t keyIndex_;
  const size_t nameIndex_;
  void trace(const Text& line) const { log_.debug(line); }

  TableCursor& destination_;
  const bool tracing_;
  const bool comparing_;
  const logs::Log& log_;
  std::vector<PackageRow> package_;
  std::unordered_map<MergeKey, size_t, MergeKeyHash> firstPackageRow_;
  std::unordered_set<MergeKey, MergeKeyHash> destinationKeys_;
};

}  // namespace

const MergeRules& infoProducentRules() {
  static const MergeRules rules{u"info_producent", u"Producent", true,
                                u"Przenosimy z dodatki_new.mdb", false};
  return rules;
}

const MergeRules& dodatkiRules() {
  static const MergeRules rules{u"Dodatki", u"ID", false, u"Przenosimy dodatki z dodatki_new.mdb",
                                true};
  return rules;
}

void mergeTable(const MergeRules& rules, TableCursor& destination, TableCursor& package,
                TableCursor* previous, const logs::Log& log) {
  TableMerge(rules, destination, log).run(package, previous);
}

}  // namespace accessorydb
