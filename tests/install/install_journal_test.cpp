// The journal's text: what a run writes reads back the same, a text cut short anywhere reads as
// a plan cut short or as a plan not yet committed (never as a commit), and a journal that names a
// path outside the package folder, or is no journal, is refused.
#include "install/install_journal.h"

#include <gtest/gtest.h>

#include <string>

namespace install {
namespace {

const LibraryPlan kPlan = {true,
                           {90112, 0xdeadbeef},
                           false,
                           {u"tekstury", u"tekstury\\dąb"},
                           {{u"model.dwg", {7, 0x0badf00d}}, {u"tekstury\\stary 1.jpg", {0, 0}}},
                           {u"tekstury\\dąb\\a.jpg", u"nowy plik.txt"}};

// A plan whose files set aside lie all in the set-aside folder is the format an earlier
// installer wrote (2): an interrupted run of it is put right by its own layout.
LibraryPlan flatAside(LibraryPlan plan) {
  plan.asideFilesPerFolder = 0;
  return plan;
}

TEST(InstallJournal, ReadsBackWhatWasWritten) {
  for (const LibraryPlan& plan :
       {kPlan, LibraryPlan{false, {12, 1}, true, {}, {}, {}}, flatAside(kPlan)}) {
    const Journal planned = decodeJournal(encodeJournal(plan));
    ASSERT_TRUE(planned.plan);
    EXPECT_EQ(*planned.plan, plan);
    EXPECT_FALSE(planned.committed);
    const Journal committed = decodeJournal(encodeJournal(plan) + "committed\n");
    EXPECT_EQ(*committed.plan, plan);
    EXPECT_TRUE(committed.committed);
  }
  EXPECT_EQ(encodeJournal(flatAside(kPlan)).substr(0, 18), "install-journal 2\n");
  EXPECT_EQ(encodeJournal(kPlan).substr(0, 18), "install-journal 3\n");
}

// A run cut short while writing its journal changed nothing yet; one cut short while committing
// has not committed.
TEST(InstallJournal, ATextCutShortAnywhereIsNeverACommit) {
  const std::string plan = encodeJournal(kPlan);
  const std::string whole = plan + "committed\n";
  for (size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    const Journal cut = decodeJournal(whole.substr(0, n));
    EXPECT_FALSE(cut.committed);
    EXPECT_EQ(cut.plan.has_value(), n >= plan.size());
    // The system may extend the file before it writes the data: zeros stand for what is missing.
    const Journal zeros = decodeJournal(whole.substr(0, n) + std::string(whole.size() - n, '\0'));
    EXPECT_FALSE(zeros.committed);
    EXPECT_EQ(zeros.plan.has_value(), n >= plan.size());
  }
}

TEST(InstallJournal, RefusesWhatIsNoJournalOfOurs) {
  const std::string header =
      "install-journal 3\ndatabase present 10 0000abcd\npackage-folder present\n";
  for (const std::string& bytes : {
           std::string("something else\nplan-end\n"),
           header + "aside ..\\..\\Windows\\win.ini\nplan-end\n",
           header + "new C:\\Windows\\win.ini\nplan-end\n",
           header + "folder \\Windows\nplan-end\n",
           header + "new a\x01.txt\nplan-end\n",
           header + "delete model.dwg\nplan-end\n",
           std::string("install-journal 3\ndatabase maybe 1 00000000\npackage-folder present\n"
                       "plan-end\n"),
           std::string("install-journal 3\ndatabase present\npackage-folder present\nplan-end\n"),
           std::string("install-journal 3\nplan-end\n"),
           // A journal of the first format records no identities.
           std::string("install-journal 1\ndatabase present\npackage-folder present\nplan-end\n"),
           // Names the planner never writes: the database, the install's own files, short names.
           header + "new dodatki.mdb\nplan-end\n",
           header + "aside 1 00000000 DODATKI.MDB\nplan-end\n",
           header + "new dodatki_old.mdb\nplan-end\n",
           header + "new dodatki_new.mdb\nplan-end\n",
           header + "new dodatki.mdb.old\nplan-end\n",
           header + "new dodatki_install.jrn\nplan-end\n",
           header + "folder dodatki_install.old\nplan-end\n",
           header + "aside 1 00000000 dodatki_install.old\\1\nplan-end\n",
           header + "new MODEL~1.DWG\nplan-end\n",
           header + "aside 1 0000000 model.dwg\nplan-end\n",
           header + "aside 1 00000000\nplan-end\n",
           header + "aside model.dwg\nplan-end\n",
       }) {
    SCOPED_TRACE(bytes);
    EXPECT_THROW(decodeJournal(bytes), text::Error);
  }
}

}  // namespace
}  // namespace install
