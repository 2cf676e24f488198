// The install's one commit point: once the commit record is on the disk the run only finishes
// forward, whatever fails after it; before a rollback no commit record may be left there; and a
// rollback is never kept from deleting the merged database by an attribute the run gave it.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "install/install_journal.h"
#include "install/install_transaction.h"
#include "install/package_hold.h"
#include "install/session.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

using Result = install::Outcome::Result;

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};
const std::vector<Item> kMerged = {{1, u"Nowa szafa"}, {2, u"Zostaje"}, {3, u"Dodany stół"}};

class FailingObserver : public install::Observer {
 public:
  void succeeded() override { throw std::bad_alloc(); }
};

bool journalCommitted(Scenario& s) {
  return s.bytes(u"dodatki_install.jrn").find("committed") != std::string::npos;
}

install::Outcome runOnce(Scenario& s, install::Observer& observer) {
  const logs::Log log;
  const install::PackageHold hold = install::holdPackage(s.fs, Scenario::kHost, u"P", log);
  return install::run(s.fs, {Scenario::kHost, u"P", s.form.sourceZip}, log, observer);
}

struct Case {
  const char* name;
  std::function<void(Scenario&)> arrange;
  bool failingObserver;
  Result result;
};

TEST(CommitPoint, EachEndIsTheOneTheDiskSays) {
  const Case cases[] = {
      {"the observer fails after the commit", [](Scenario&) {}, true, Result::Installed},
      {"the commit record is written, its flush fails",
       [](Scenario& s) {
         s.fs.shouldFail = [&s](fake::Op op, const Text& path) {
           return op == fake::Op::Flush && path == s.file(u"dodatki_install.jrn") &&
                  journalCommitted(s);
         };
       },
       false, Result::Restored},
      {"the commit's flush and the record's removal fail",
       [](Scenario& s) {
         s.fs.shouldFail = [&s](fake::Op op, const Text& path) {
           const bool journal = path == s.file(u"dodatki_install.jrn");
           return journal && (op == fake::Op::Flush || op == fake::Op::Open) &&
                  s.has(u"dodatki_install.jrn") && journalCommitted(s);
         };
       },
       false, Result::Unfinished},
  };
  for (const bool readOnly : {false, true}) {
    for (const Case& c : cases) {
      const std::string where = std::string(c.name) + (readOnly ? ", read-only database" : "");
      SCOPED_TRACE(where);
      Scenario s;
      s.makePrevious(kPrevious);
      s.makePreviousFiles();
      s.makePackage(kPackage);
      if (readOnly) s.fs.setReadOnly(s.file(u"dodatki.mdb"));
      c.arrange(s);
      FailingObserver failing;
      install::Observer quiet;
      const install::Outcome outcome = runOnce(s, c.failingObserver ? failing : quiet);
      EXPECT_EQ(outcome.result, c.result);
      s.fs.shouldFail = nullptr;
      if (c.result == Result::Restored) {
        EXPECT_FALSE(s.has(u"dodatki_install.jrn"));
        EXPECT_EQ(readItems(s.fs, s.file(u"dodatki.mdb")), kPrevious);
        EXPECT_EQ(s.fs.isReadOnly(s.file(u"dodatki.mdb")), readOnly);
        EXPECT_EQ(s.bytes(u"model.dwg"), "model v1");
        continue;
      }
      if (c.result == Result::Unfinished) {
        // Nothing was deleted: the next run goes by the journal, and installs.
        EXPECT_TRUE(s.has(u"dodatki_install.jrn"));
        EXPECT_TRUE(s.has(u"dodatki_old.mdb"));
        install::Observer next;
        install::Session session(s.fs, {u"C:\\tmp\\", s.form.sourceZip, u"C:\\tmp\\cover.jpg"},
                                 logs::Log());
        EXPECT_TRUE(session.apply(Scenario::kHost, u"P", next).installed());
      }
      s.expectInstalled(kMerged, where);
      EXPECT_EQ(s.fs.isReadOnly(s.file(u"dodatki.mdb")), readOnly);
    }
  }
}

}  // namespace
}  // namespace installtest
