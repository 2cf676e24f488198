#include "tests/accessorydb/reference_merge.h"

#include <optional>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/error_text.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/mdb_create.h"
#include "tests/accessorydb/accessory_db.h"

namespace accdbtest {

namespace {

using jet::ado::Connection;
using jet::ado::TableCursor;
using text::Text;

std::optional<int64_t> integer(const jet::Value& v) {
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* i = std::get_if<int16_t>(&v)) return *i;
  if (const auto* i = std::get_if<uint8_t>(&v)) return *i;
  return std::nullopt;
}

// Texts ordinally, integers by value, null only with null.
bool sameKey(const jet::Value& a, const jet::Value& b) {
  if (jet::isNull(a) || jet::isNull(b)) return jet::isNull(a) && jet::isNull(b);
  const auto* ta = std::get_if<std::u16string>(&a);
  const auto* tb = std::get_if<std::u16string>(&b);
  if (ta && tb) return *ta == *tb;
  const auto ia = integer(a);
  const auto ib = integer(b);
  return ia && ib && *ia == *ib;
}

bool isMarker(const TableCursor& t) {
  return t.asText(u"Nazwa") == u"DELETE";
}

class Merge {
 public:
  Merge(const logs::Log& log, bool haveOld) : log_(log), haveOld_(haveOld) {}

  void table(const Text& name, TableCursor& dn, TableCursor& nw, TableCursor& od) {
    const bool producers = name == u"info_producent";
    schema_ = &accessorydb::accessoryTable(name);
    const Text key = producers ? u"Producent" : u"ID";
    open(dn, name, false);
    open(nw, name, true);
    if (haveOld_) {
      open(od, name, true);
      while (!od.eof()) {
        log(u"[" + od.asText(key) + u"] : " + od.asText(u"Nazwa"));
        nw.first();
        bool findRec = false;
        while (!nw.eof() && !findRec) {
          log(nw.asText(key) + u" : " + od.asText(key));
          if (sameKey(nw.value(key), od.value(key))) {
            findRec = true;
          } else {
            nw.next();
          }
        }
        if (findRec) {
          if (!isMarker(nw)) copy(nw, dn);
        } else if (producers || !isMarker(od)) {
          copy(od, dn);
        }
        od.next();
      }
    }
    log(producers ? u"Przenosimy z dodatki_new.mdb" : u"Przenosimy dodatki z dodatki_new.mdb");
    for (nw.first(); !nw.eof(); nw.next()) {
      if (producers) {
        log(u"[NW] " + nw.asText(key));
        if (isMarker(nw)) continue;
      } else {
        if (isMarker(nw)) continue;
        log(u"[NW] " + nw.asText(key) + u" : " + nw.asText(u"Nazwa") + u" - dopisano");
      }
      dn.first();
      bool findRec = false;
      while (!dn.eof() && !findRec) {
        log(u"[DN] " + dn.asText(key));
        if (sameKey(dn.value(key), nw.value(key))) {
          findRec = true;
        } else {
          dn.next();
        }
      }
      if (!findRec) copy(nw, dn);
    }
    dn.close();
    nw.close();
    if (haveOld_) od.close();
  }

 private:
  void log(const Text& line) { log_.debug(line); }

  void open(TableCursor& t, const Text& name, bool readOnly) {
    t.TableName = name;
    t.ReadOnly = readOnly;
    t.open();
  }

  void copy(const TableCursor& from, TableCursor& to) {
    to.insert();
    for (const auto& c : schema_->columns) to.set(c.name, from.value(c.name));
    to.post();
  }

  const logs::Log& log_;
  const bool haveOld_;
  const accessorydb::TableSchema* schema_ = nullptr;
};

void connect(const logs::Log& log, Connection& c, TableCursor& t, const Text& path) {
  log.debug(u"Tworzymy połączenie do " + path);
  c.ConnectionString = accessorydb::openConnectionString(path);
  c.LoginPrompt = false;
  c.open();
  t.connection = &c;
}

}  // namespace

bool referenceMerge(plat::Platform& fs, const accessorydb::MergeFiles& files,
                    const logs::Log& log) {
  const Text& nw = files.package;
  const Text& od = files.previous;
  const Text& dn = files.destination;
  if (!fs.fileExists(dn)) {
    log.debug(u"Brak pliku docelowego. Tworzymy nowy.");
    if (!accessorydb::createDatabase(fs, dn, log).created()) {
      log.important(u"Błąd tworzenia pliku docelowego: " + dn);
      return false;
    }
  }
  if (!fs.fileExists(nw)) {
    log.important(u"Brak pliku: " + nw);
    return false;
  }
  log.debug(u"Znaleniono oba istniejące pliki z dazą danych.");
  const bool haveOld = fs.fileExists(od);
  bool merged = false;
  {
    Connection dnC(fs), odC(fs), nwC(fs);
    TableCursor dnT, odT, nwT;
    try {
      connect(log, dnC, dnT, dn);
      if (haveOld) connect(log, odC, odT, od);
      connect(log, nwC, nwT, nw);
      Merge merge(log, haveOld);
      merge.table(u"info_producent", dnT, nwT, odT);
      merge.table(u"Dodatki", dnT, nwT, odT);
      log.debug(u"Poprawnie przeniesiono dane.");
      merged = true;
    } catch (const text::Error& e) {
      log.important(accessorydb::errorText(e));
    }
  }  // the connections close here, so that a failed dn can go
  // A dn that stays is the caller's to see.
  if (!merged && fs.fileExists(dn)) (void)fs.deleteFile(dn);
  return merged;
}

}  // namespace accdbtest
