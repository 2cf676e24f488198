// The folder field: the dialog choice, its normalisation, and the validation of every new text.
#include <gtest/gtest.h>

#include "tests/target/target_fixture.h"

namespace targettest {
namespace {

const Text kChecking = u"Sprawdzamy folder instalacji : ";

class FolderChoiceTest : public TargetTest {
 protected:
  // The dialog confirms `chosen` and records where it was opened.
  void dialogChooses(const Text& chosen) {
    fs.folderDialog = [this, chosen](Text& dir) {
      openedIn.push_back(dir);
      dir = chosen;
      return true;
    };
  }
  std::vector<Text> openedIn;
};

struct ChoiceCase {
  const char* name;
  Text chosen;  // the folder the dialog returns
  Text field;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
  *os << c.name;
}

class ChoiceTest : public FolderChoiceTest, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(ChoiceTest, FieldGetsTheHostFolderOfTheChoice) {
  dialogChooses(GetParam().chosen);
  form.Edit1Click();
  EXPECT_EQ(utf8({window.edit1()}), utf8({GetParam().field}));
  EXPECT_EQ(newLines().front(), u"Ustalono docelowy folder na: " + GetParam().field);
  // The dialog next opens where it was left, not in the normalised folder.
  EXPECT_EQ(form.strFolder, GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ChoiceTest,
    testing::Values(
        ChoiceCase{"host_folder", u"C:\\Nordeka\\CAD A\\", u"C:\\Nordeka\\CAD A\\"},
        ChoiceCase{"library_folder", u"C:\\Nordeka\\CAD A\\dodatki\\", u"C:\\Nordeka\\CAD A\\"},
        ChoiceCase{"package_folder", u"C:\\Nordeka\\CAD A\\dodatki\\Pakiet\\",
                   u"C:\\Nordeka\\CAD A\\"},
        ChoiceCase{"first_library_component_counts", u"C:\\Nordeka\\dodatki\\CAD A\\dodatki\\",
                   u"C:\\Nordeka\\"},
        ChoiceCase{"letter_case_kept", u"C:\\Nordeka\\CAD A\\Dodatki\\",
                   u"C:\\Nordeka\\CAD A\\Dodatki\\"},
        ChoiceCase{"drive_root", u"C:\\", u"C:\\"},
        ChoiceCase{"library_under_drive_root", u"D:\\dodatki\\", u"D:\\"},
        ChoiceCase{"network_path", u"\\\\server\\share\\CAD A\\", u"\\\\server\\share\\CAD A\\"},
        ChoiceCase{"trailing_separators", u"C:\\Nordeka\\CAD A\\\\\\", u"C:\\Nordeka\\CAD A\\"},
        ChoiceCase{"inner_double_separator", u"C:\\Nordeka\\\\CAD A\\", u"C:\\Nordeka\\\\CAD A\\"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderChoiceTest, NextDialogOpensWhereTheLastOneWasLeft) {
  dialogChooses(u"C:\\Nordeka\\CAD A\\dodatki\\");
  form.Edit1Click();
  form.Edit1Click();
  EXPECT_EQ(utf8(openedIn), utf8({u"C:\\", u"C:\\Nordeka\\CAD A\\dodatki\\"}));
}

TEST_F(FolderChoiceTest, CancelChangesNothing) {
  fs.folderDialog = [](Text&) { return false; };
  form.Edit1Click();
  EXPECT_TRUE(newLines().empty());
  EXPECT_EQ(window.edit1(), u"C:\\");
  EXPECT_EQ(form.strFolder, u"C:\\");
}

// A choice that changes the text validates through the change event and once more directly.
TEST_F(FolderChoiceTest, ValidatesTwiceWhenTheTextChangesAndOnceWhenNot) {
  fs.mkdirs(kHost + u"dodatki");
  dialogChooses(kHost);
  form.Edit1Click();
  EXPECT_EQ(countNew(kChecking + kHost + u"dodatki"), 2);
  EXPECT_EQ(countNew(u"Kontrola możliwości instalacji."), 2);
  mark();
  form.Edit1Click();
  EXPECT_EQ(countNew(kChecking + kHost + u"dodatki"), 1);
  EXPECT_EQ(countNew(u"Kontrola możliwości instalacji."), 1);
}

struct ValidationCase {
  const char* name;
  Text typed;
  Text tested;  // the folder looked for
  bool valid;
};

void PrintTo(const ValidationCase& c, std::ostream* os) {
  *os << c.name;
}

class ValidationTest : public FolderChoiceTest,
                       public testing::WithParamInterface<ValidationCase> {};

TEST_P(ValidationTest, LooksForTheLibraryFolderRightAfterTheText) {
  fs.mkdirs(kHost + u"dodatki");
  form.destination = false;
  window.setEdit1(GetParam().typed);
  const Text verdict =
      GetParam().valid ? u"Folder instalacji poprawny : " : u"Błędny folder instalacji : ";
  const std::vector<Text> lines = newLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(utf8({lines[0], lines[1]}),
            utf8({kChecking + GetParam().tested, verdict + GetParam().tested}));
  EXPECT_EQ(form.destination, GetParam().valid);
  EXPECT_EQ(countNew(u"Kontrola możliwości instalacji."), GetParam().valid ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValidationTest,
    testing::Values(ValidationCase{"host_folder", u"C:\\Nordeka\\CAD A\\",
                                   u"C:\\Nordeka\\CAD A\\dodatki", true},
                    ValidationCase{"no_trailing_separator", u"C:\\Nordeka\\CAD A",
                                   u"C:\\Nordeka\\CAD Adodatki", false},
                    ValidationCase{"untrimmed", u" C:\\Nordeka\\CAD A\\ ",
                                   u" C:\\Nordeka\\CAD A\\ dodatki", false},
                    ValidationCase{"other_letter_case", u"c:\\nordeka\\cad a\\",
                                   u"c:\\nordeka\\cad a\\dodatki", true},
                    ValidationCase{"library_folder_itself", u"C:\\Nordeka\\CAD A\\dodatki\\",
                                   u"C:\\Nordeka\\CAD A\\dodatki\\dodatki", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderChoiceTest, TypingValidatesEveryKeystroke) {
  fs.mkdirs(kHost + u"dodatki");
  window.setEdit1(u"C:\\Nordeka\\CAD A");
  EXPECT_FALSE(form.destination);
  window.setEdit1(kHost);
  EXPECT_TRUE(form.destination);
  EXPECT_EQ(countNew(u"Kontrola możliwości instalacji."), 1);
}

TEST_F(FolderChoiceTest, FailedValidationKeepsAnEnabledInstallButton) {
  packageShown();
  fs.mkdirs(kPackageFolder);
  window.setEdit1(kHost);
  ASSERT_TRUE(installEnabled());
  window.setEdit1(u"D:\\Inne\\");
  EXPECT_TRUE(installEnabled());
  EXPECT_TRUE(form.destination);
}

}  // namespace
}  // namespace targettest
