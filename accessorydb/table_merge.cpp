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
  throw text::Error(u"The table " + schema.name + u" has no column " + name);
}

class TableMerge {
 public:
  TableMerge(const MergeRules& rules, TableCursor& dn, const Trace& trace)
      : rules_(rules),
        schema_(accessoryTable(rules.table)),
        keyIndex_(columnIndex(schema_, rules.keyColumn)),
        nameIndex_(columnIndex(schema_, kName)),
        dn_(dn),
        trace_(trace) {}

  void run(TableCursor& nw, TableCursor* od) {
    open(dn_, false);
    open(nw, true);
    indexDestination();
    loadPackage(nw);
    if (od) {
      open(*od, true);
      firstPass(*od);
    }
    if (trace_) trace_(rules_.packageHeading);
    secondPass();
    dn_.close();
    nw.close();
    if (od) od->close();
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
    for (dn_.first(); !dn_.eof(); dn_.next()) destination_.emplace(dn_.value(rules_.keyColumn));
  }

  void loadPackage(TableCursor& nw) {
    for (nw.first(); !nw.eof(); nw.next()) {
      Row values = readRow(nw);
      MergeKey key(values[keyIndex_]);
      const bool marker = jet::valueText(values[nameIndex_]) == kMarker;
      firstPackageRow_.emplace(key, package_.size());
      package_.push_back({std::move(values), std::move(key), marker});
    }
  }

  void post(const Row& row) {
    dn_.insert();
    for (size_t i = 0; i < row.size(); ++i) dn_.set(schema_.columns[i].name, row[i]);
    dn_.post();
    destination_.emplace(row[keyIndex_]);
  }

  Text packageKeyText(size_t i) const { return jet::valueText(package_[i].values[keyIndex_]); }

  // Each previous row takes the first package row with its key; a marker there drops it.
  void firstPass(TableCursor& od) {
    for (; !od.eof(); od.next()) {
      const jet::Value key = od.value(rules_.keyColumn);
      const Text name = od.asText(kName);
      const auto found = firstPackageRow_.find(MergeKey(key));
      if (trace_)
        traceFirstPass(key, name,
                       found == firstPackageRow_.end() ? package_.size() : found->second + 1);
      if (found != firstPackageRow_.end()) {
        const PackageRow& row = package_[found->second];
        if (!row.marker) post(row.values);
      } else if (rules_.copyPreviousMarkers || name != kMarker) {
        post(readRow(od));
      }
    }
  }

  // The lines of one previous row: itself, then every package row compared with it.
  void traceFirstPass(const jet::Value& key, const Text& name, size_t compared) {
    const Text keyText = jet::valueText(key);
    trace_(u"[" + keyText + u"] : " + name);
    for (size_t i = 0; i < compared; ++i) trace_(packageKeyText(i) + u" : " + keyText);
  }

  // Package rows that are no markers and whose key the destination lacks are appended.
  void secondPass() {
    for (size_t i = 0; i < package_.size(); ++i) {
      const PackageRow& row = package_[i];
      if (trace_ && !rules_.traceItems) trace_(u"[NW] " + packageKeyText(i));
      if (row.marker) continue;
      if (trace_ && rules_.traceItems) {
        trace_(u"[NW] " + packageKeyText(i) + u" : " + jet::valueText(row.values[nameIndex_]) +
               u" - dopisano");
      }
      if (trace_) traceDestinationScan(row.key);
      if (!destination_.contains(row.key)) post(row.values);
    }
  }

  // The destination rows a scan for the key passes, up to and including the one it finds.
  void traceDestinationScan(const MergeKey& wanted) {
    for (dn_.first(); !dn_.eof(); dn_.next()) {
      const jet::Value key = dn_.value(rules_.keyColumn);
      trace_(u"[DN] " + jet::valueText(key));
      if (MergeKey(key) == wanted) break;
    }
  }

  const MergeRules& rules_;
  const TableSchema& schema_;
  const size_t keyIndex_;
  const size_t nameIndex_;
  TableCursor& dn_;
  const Trace& trace_;
  std::vector<PackageRow> package_;
  std::unordered_map<MergeKey, size_t, MergeKeyHash> firstPackageRow_;
  std::unordered_set<MergeKey, MergeKeyHash> destination_;
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

void mergeTable(const MergeRules& rules, TableCursor& dn, TableCursor& nw, TableCursor* od,
                const Trace& trace) {
  TableMerge(rules, dn, trace).run(nw, od);
}

}  // namespace accessorydb
