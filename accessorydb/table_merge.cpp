#include "accessorydb/table_merge.h"

#include <optional>
#include <vector>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/value_text.h"
#include "accessorydb/key_directory.h"
#include "accessorydb/merge_key.h"

namespace accessorydb {

namespace {

using jet::ado::TableCursor;

const Text kMarker = u"DELETE";
const Text kName = u"Nazwa";

size_t columnIndex(const TableSchema& schema, const Text& name) {
  for (size_t i = 0; i < schema.columns.size(); ++i) {
    if (schema.columns[i].name == name) return i;
  }
  throw text::Error(u"Tabela `" + schema.name + u"` nie ma kolumny `" + name + u"`.");
}

// The schema's columns in one cursor's table, each looked up by name when first read or set: a
// column the table lacks fails only the read that wants it, as a read by name would.
class Fields {
 public:
  Fields(const TableSchema& schema, TableCursor& cursor)
      : schema_(schema), cursor_(cursor), places_(schema.columns.size(), kUnknown) {}

  size_t at(size_t column) {
    if (places_[column] == kUnknown)
      places_[column] = cursor_.fieldIndex(schema_.columns[column].name);
    return places_[column];
  }
  // Every column, in schema order: what reading a whole row needs.
  void findAll() {
    for (size_t i = 0; i < places_.size(); ++i) at(i);
  }
  const jet::Value& value(size_t column) { return cursor_.fieldValue(at(column)); }
  TableCursor& cursor() { return cursor_; }

 private:
  static constexpr size_t kUnknown = static_cast<size_t>(-1);
  const TableSchema& schema_;
  TableCursor& cursor_;
  std::vector<size_t> places_;
};

// The merge keeps no rows: the package's rows are found again through a second cursor on the
// package table, by the bookmarks of a KeyDirectory.
class TableMerge {
 public:
  TableMerge(const MergeRules& rules, TableCursor& destination, TableCursor& package,
             const logs::Log& log)
      : rules_(rules),
        schema_(accessoryTable(rules.table)),
        keyIndex_(columnIndex(schema_, rules.keyColumn)),
        nameIndex_(columnIndex(schema_, kName)),
        destination_(schema_, destination),
        package_(schema_, package),
        lookup_(schema_, lookupCursor_),
        keys_([this](uint32_t bookmark, const MergeKey& key) {
          lookupCursor_.gotoBookmark(bookmark);
          return MergeKey(lookup_.value(keyIndex_)) == key;
        }),
        tracing_(log.wants(logs::DEBUG)),
        comparing_(log.wantsComparisons()),
        log_(log) {}

  void run(TableCursor* previous) {
    TableCursor& destination = destination_.cursor();
    TableCursor& package = package_.cursor();
    open(destination, false);
    open(package, true);
    // A destination that holds rows but lacks the key column fails before the package is read.
    if (!destination.eof()) destination_.at(keyIndex_);
    loadPackage();
    indexDestination();
    if (previous) {
      open(*previous, true);
      Fields previousFields(schema_, *previous);
      firstPass(previousFields);
    }
    trace(rules_.packageHeading);
    secondPass();
    destination.close();
    package.close();
    lookupCursor_.close();
    if (previous) previous->close();
  }

 private:
  void open(TableCursor& cursor, bool readOnly) {
    cursor.TableName = rules_.table;
    cursor.ReadOnly = readOnly;
    cursor.open();
  }

  void loadPackage() {
    TableCursor& package = package_.cursor();
    if (!package.eof()) package_.findAll();
    for (; !package.eof(); package.next()) {
      keys_.add(MergeKey(package_.value(keyIndex_)), package.bookmark());
    }
    keys_.seal();
    lookupCursor_.connection = package.connection;
    open(lookupCursor_, true);
  }

  // The destination may hold rows before the merge starts.
  void indexDestination() {
    TableCursor& destination = destination_.cursor();
    for (destination.first(); !destination.eof(); destination.next()) {
      keys_.markHeld(MergeKey(destination_.value(keyIndex_)));
    }
  }

  // Copies the source's current row into the destination.
  void post(Fields& source, const MergeKey& key) {
    source.findAll();
    TableCursor& destination = destination_.cursor();
    destination.insert();
    for (size_t i = 0; i < schema_.columns.size(); ++i) {
      destination.setField(destination_.at(i), source.value(i));
    }
    destination.post();
    keys_.markHeld(key);
  }

  bool isMarker(Fields& row) const {
    const jet::Value& name = row.value(nameIndex_);
    // A text is compared as it is, without a copy: this runs for every row.
    if (const Text* text = std::get_if<Text>(&name)) return *text == kMarker;
    return jet::valueText(name) == kMarker;
  }

  // Each previous row takes the first package row with its key; a marker there drops it.
  void firstPass(Fields& previous) {
    for (TableCursor& cursor = previous.cursor(); !cursor.eof(); cursor.next()) {
      // The previous row's values stay as read while the package's row is looked up.
      const jet::Value& key = previous.value(keyIndex_);
      const jet::Value& name = previous.value(nameIndex_);
      const MergeKey mergeKey(key);
      const std::optional<KeyDirectory::Row> found = keys_.first(mergeKey);
      if (tracing_) traceFirstPass(key, jet::valueText(name), found);
      if (found) {
        lookupCursor_.gotoBookmark(found->bookmark);
        const bool marker = isMarker(lookup_);
        if (!marker) post(lookup_, mergeKey);
        change(key, marker ? name : lookup_.value(nameIndex_),
               marker ? u"usunięto" : u"zaktualizowano");
      } else if (rules_.copyPreviousMarkers || !isMarker(previous)) {
        post(previous, mergeKey);
        change(key, name, u"zachowano");
      } else {
        change(key, name, u"usunięto");
      }
    }
  }

  // The lines of one previous row: itself, then every package row compared with it, up to the
  // one found.
  void traceFirstPass(const jet::Value& key, const Text& name,
                      const std::optional<KeyDirectory::Row>& found) {
    const Text keyText = jet::valueText(key);
    trace(u"[" + keyText + u"] : " + name);
    if (!comparing_) return;
    TableCursor& package = package_.cursor();
    uint32_t i = 0;
    for (package.first(); !package.eof(); package.next(), ++i) {
      log_.comparison(jet::valueText(package_.value(keyIndex_)) + u" : " + keyText);
      if (found && i == found->ordinal) break;
    }
  }

  // The record's one line for a row of the previous database or of the package.
  void change(const jet::Value& key, const jet::Value& name, std::u16string_view what) const {
    if (!log_.wantsChanges()) return;
    log_.change(rules_.table + u" [" + jet::valueText(key) + u"] " + jet::valueText(name) + u" - " +
                Text(what));
  }

  // Package rows that are no markers and whose key the destination lacks are appended.
  void secondPass() {
    TableCursor& package = package_.cursor();
    uint32_t ordinal = 0;
    for (package.first(); !package.eof(); package.next(), ++ordinal) {
      const jet::Value& key = package_.value(keyIndex_);
      if (tracing_ && !rules_.traceItems) trace(u"[NW] " + jet::valueText(key));
      if (isMarker(package_)) continue;
      if (tracing_ && rules_.traceItems) {
        trace(u"[NW] " + jet::valueText(key) + u" : " + jet::valueText(package_.value(nameIndex_)) +
              u" - dopisano");
      }
      const MergeKey mergeKey(key);
      if (comparing_) traceDestinationScan(mergeKey);
      if (keys_.held(ordinal)) continue;
      post(package_, mergeKey);
      change(key, package_.value(nameIndex_), u"dopisano");
    }
  }

  // The destination rows a scan for the key passes, up to and including the one it finds.
  void traceDestinationScan(const MergeKey& wanted) {
    TableCursor& destination = destination_.cursor();
    for (destination.first(); !destination.eof(); destination.next()) {
      const jet::Value& key = destination_.value(keyIndex_);
      log_.comparison(u"[DN] " + jet::valueText(key));
      if (MergeKey(key) == wanted) break;
    }
  }

  void trace(const Text& line) const { log_.debug(line); }

  const MergeRules& rules_;
  const TableSchema& schema_;
  const size_t keyIndex_;
  const size_t nameIndex_;
  Fields destination_;
  Fields package_;
  TableCursor lookupCursor_;  // the package table again, for the rows found by key
  Fields lookup_;
  KeyDirectory keys_;  // the package's keys
  const bool tracing_;
  const bool comparing_;
  const logs::Log& log_;
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
  TableMerge(rules, destination, package, log).run(previous);
}

}  // namespace accessorydb
