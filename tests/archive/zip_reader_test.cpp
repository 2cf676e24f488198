// The ZIP reader over the in-memory platform: listing, lookup, extraction and every way a
// damaged or hostile archive must fail cleanly.
#include "archive/zip_reader.h"

#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "tests/archive/zip_fixtures.h"
#include "tests/support/fake_platform.h"

namespace {

using text::Text;
using zipkit::Method;
using ziptest::Item;

namespace fmt = zipkit::fmt;

const Text kZip = u"C:\\a.zip";
const Text kOut = u"C:\\out\\";

class ZipReaderTest : public testing::Test {
 protected:
  fake::FakePlatform fs;
  zipkit::ZipReader reader{fs};

  void SetUp() override { fs.mkdirs(kOut); }

  void openItems(const std::vector<Item>& items, bool zip64 = false) {
    ziptest::writeZip(fs, kZip, items, zip64);
    reader.open(kZip);
  }
  void openBytes(const std::string& bytes) {
    fs.writeFile(kZip, bytes);
    reader.open(kZip);
  }
  std::string out(const Text& relative) { return fs.readFile(kOut + relative); }
  // The message of the error extracting `name` raises ("" when none).
  std::string extractError(const Text& name) {
    try {
      reader.extract(name, kOut);
    } catch (const text::Error& e) {
      return text::toUtf8(e.message());
    }
    return "";
  }
};

TEST_F(ZipReaderTest, ListsNamesInDirectoryOrderAndExtractsEveryMethod) {
  for (const bool zip64 : {false, true}) {
    SCOPED_TRACE(zip64 ? "ZIP64 records" : "plain records");
    const std::string big = ziptest::sampleData(300 * 1024);  // several 64 KiB buffers
    openItems({{u"P\\tex\\big.bin", big},
               {u"P\\stored.txt", "stored bytes", Method::Stored},
               {u"P\\empty.txt", ""},
               {u"P\\models\\", ""},
               {u"P\\dodatki.mdb", "db"}},
              zip64);
    EXPECT_EQ(reader.names(),
              (std::vector<Text>{u"P\\tex\\big.bin", u"P\\stored.txt", u"P\\empty.txt",
                                 u"P\\models\\", u"P\\dodatki.mdb"}));
    EXPECT_EQ(reader.count(), 5u);
    for (const Text& name : reader.names()) reader.extract(name, kOut);
    EXPECT_EQ(out(u"P\\tex\\big.bin"), big);
    EXPECT_EQ(out(u"P\\stored.txt"), "stored bytes");
    EXPECT_EQ(out(u"P\\empty.txt"), "");
    EXPECT_EQ(out(u"P\\dodatki.mdb"), "db");
    EXPECT_TRUE(fs.directoryExists(kOut + u"P\\models"));
    reader.close();
  }
}

TEST_F(ZipReaderTest, CreatesMissingFoldersAndTurnsSlashesIntoBackslashes) {
  openItems({{u"P/textures/a.jpg", "jpeg"}, {u"Q\\deep\\er\\", ""}});
  reader.extract(u"P/textures/a.jpg", u"C:\\new\\lib\\");
  EXPECT_EQ(fs.readFile(u"C:\\new\\lib\\P\\textures\\a.jpg"), "jpeg");
  reader.extract(u"Q\\deep\\er\\", kOut);
  EXPECT_TRUE(fs.directoryExists(kOut + u"Q\\deep\\er"));
  EXPECT_EQ(fs.listFiles(kOut + u"Q").size(), 0u);  // a folder entry writes no file
}

TEST_F(ZipReaderTest, ReplacesAnExistingFileCompletely) {
  fs.writeFile(kOut + u"a.txt", std::string(5000, 'x'));
  openItems({{u"a.txt", "new"}});
  reader.extract(u"a.txt", kOut);
  EXPECT_EQ(out(u"a.txt"), "new");
}

TEST_F(ZipReaderTest, FindsNamesWithAsciiLettersFoldedOnly) {
  openItems({{u"P.JPG", "first"}, {u"p.jpg", "second"}, {u"Ą\\ż.txt", "pl"}});
  struct Case {
    Text query;
    int index;
  } cases[] = {{u"P.JPG", 0},     {u"p.jpg", 0},     {u"P.jpg", 0},   {u"Ą\\ż.txt", 2},
               {u"ą\\ż.txt", -1}, {u"Ą\\Ż.txt", -1}, {u"P.jpeg", -1}, {u"", -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(reader.indexOf(c.query), c.index) << text::toUtf8(c.query);
  }
  // Both spellings find the first entry, so the second one's data are never written.
  reader.extract(u"p.jpg", kOut);
  EXPECT_EQ(out(u"P.JPG"), "first");
  EXPECT_EQ(extractError(u"nie.ma"), "Brak pliku w archiwum: `nie.ma`");
}

TEST_F(ZipReaderTest, DecodesNamesByTheirFlag) {
  struct Case {
    std::string bytes;
    bool utf8;
    Text name;
  } cases[] = {
      {"\x81"
       "ber\\Gr\x94\xe1"
       "e.txt",
       false, u"über\\Größe.txt"},
      {"\x80\x9e\xb0\xe0\xff", false, u"Ç₧░α\u00a0"},
      {"\xc5\xbc\xc3\xb3\xc5\x82w.txt", true, u"żółw.txt"},
      {"plain.txt", false, u"plain.txt"},
  };
  {
    zipkit::WriterOptions options;
    options.fixedTime = zipkit::DosTime{};
    zipkit::ZipWriter writer(fs, kZip, options);
    for (const Case& c : cases) {
      writer.beginFileBytes(c.bytes, c.utf8);
      writer.write("x", 1);
      writer.endFile();
    }
    writer.finish();
  }
  reader.open(kZip);
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(reader.names()[i], cases[i].name) << i;
  }
  reader.extract(u"über\\Größe.txt", kOut);
  EXPECT_EQ(out(u"über\\Größe.txt"), "x");
}

TEST_F(ZipReaderTest, ValidityCheckSearchesTheTailOnly) {
  const std::string zip = ziptest::zipBytes({{u"a.txt", "abc"}});
  std::string withComment = zip;
  ziptest::put16(withComment, ziptest::endRecordAt(zip) + fmt::end::commentLen, 65535);
  withComment += std::string(65535, 'c');
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"archive", zip, true},
      {"with the payload's byte-order mark after it", zip + "\xEF\xBB\xBF", true},
      {"with the longest comment", withComment, true},
      {"longest comment and a byte more", withComment + "x", false},
      {"more trailing bytes than a comment can hold", zip + std::string(65536, '\0'), false},
      {"empty file", "", false},
      {"shorter than an end record", "PK\x05\x06", false},
      {"comment running past the end", zip.substr(0, zip.size() - 2) + "\x01\x00", false},
      {"not an archive", std::string(4096, 'z'), false},
  };
  for (const Case& c : cases) {
    fs.writeFile(kZip, c.bytes);
    EXPECT_EQ(zipkit::isZipArchive(fs, kZip), c.valid) << c.what;
  }
  EXPECT_FALSE(zipkit::isZipArchive(fs, u"C:\\missing.zip"));
  fs.writeFile(kZip, zip);
  fs.shouldFail = [](fake::Op op, const Text&) { return op == fake::Op::Open; };
  EXPECT_FALSE(zipkit::isZipArchive(fs, kZip));
}

TEST_F(ZipReaderTest, OpensAnArchiveFollowedByTrailingBytes) {
  openBytes(ziptest::zipBytes({{u"P\\a.txt", "abc"}}) + "\xEF\xBB\xBF");
  reader.extract(u"P\\a.txt", kOut);
  EXPECT_EQ(out(u"P\\a.txt"), "abc");
}

// The installer reads its package where it lies: after the program and before the trailer.
TEST_F(ZipReaderTest, ReadsAnArchiveWhereItLiesInALargerFile) {
  const std::string zip =
      ziptest::zipBytes({{u"P\\a.txt", "abc"}, {u"P\\big.bin", ziptest::sampleData(200 * 1024)}});
  const std::string program(5000, 'M');
  // A trailer that itself ends like an archive: only the range's own end record may be found.
  const std::string after = ziptest::zipBytes({{u"other.txt", "x"}});
  fs.writeFile(kZip, program + zip + after);
  const zipkit::ArchiveSource inExe{kZip, program.size(), zip.size()};

  EXPECT_TRUE(zipkit::isZipArchive(fs, inExe));
  reader.open(inExe);
  EXPECT_EQ(reader.names(), (std::vector<Text>{u"P\\a.txt", u"P\\big.bin"}));
  reader.extract(u"P\\big.bin", kOut);
  reader.extract(u"P\\a.txt", kOut);
  EXPECT_EQ(out(u"P\\a.txt"), "abc");
  EXPECT_EQ(out(u"P\\big.bin"), ziptest::sampleData(200 * 1024));

  // An installer cut short ends its range early: no end record, no archive.
  fs.writeFile(kZip, program + zip.substr(0, zip.size() / 2));
  EXPECT_FALSE(zipkit::isZipArchive(fs, inExe));
  EXPECT_THROW(reader.open(inExe), zipkit::ZipError);
}

TEST_F(ZipReaderTest, RejectsAMalformedDirectory) {
  const std::string zip = ziptest::zipBytes({{u"a.txt", "abc"}, {u"b.txt", "def"}});
  const size_t end = ziptest::endRecordAt(zip);
  const size_t second = ziptest::centralHeaderAt(zip, 1);
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"directory offset past the end record",
       [&] {
         std::string z = zip;
         ziptest::put32(z, end + fmt::end::cdOffset, static_cast<uint32_t>(end + 1));
         return z;
       }()},
      {"directory size past the end record",
       [&] {
         std::string z = zip;
         ziptest::put32(z, end + fmt::end::cdSize, 4000);
         return z;
       }()},
      {"more entries than the directory holds",
       [&] {
         std::string z = zip;
         ziptest::put16(z, end + fmt::end::entries, 3);
         return z;
       }()},
      {"broken header signature",
       [&] {
         std::string z = zip;
         z[second] = 'X';
         return z;
       }()},
      {"name running past the directory",
       [&] {
         std::string z = zip;
         ziptest::put16(z, second + fmt::central::nameLen, 200);
         return z;
       }()},
      {"archive cut at its start", zip.substr(10)},
      {"ZIP64 marker without ZIP64 records",
       [&] {
         std::string z = zip;
         ziptest::put16(z, end + fmt::end::entries, 0xFFFF);
         return z;
       }()},
      {"ZIP64 size without its extra field",
       [&] {
         std::string z = zip;
         ziptest::put32(z, second + fmt::central::size, 0xFFFFFFFF);
         return z;
       }()},
  };
  for (const Case& c : cases) {
    fs.writeFile(kZip, c.bytes);
    try {
      reader.open(kZip);
      ADD_FAILURE() << c.what << ": opened";
    } catch (const zipkit::ZipError& e) {
      EXPECT_EQ(text::toUtf8(e.message()), "Uszkodzony katalog archiwum ZIP.") << c.what;
    }
    reader.close();  // safe after the error
  }
}

TEST_F(ZipReaderTest, TruncatedArchiveIsNoArchive) {
  const std::string zip = ziptest::zipBytes({{u"a.txt", ziptest::sampleData(2000)}});
  for (size_t cut = 1; cut < zip.size(); cut += 7) {
    fs.writeFile(kZip, zip.substr(0, zip.size() - cut));
    EXPECT_FALSE(zipkit::isZipArchive(fs, kZip)) << "cut " << cut;
    EXPECT_THROW(reader.open(kZip), zipkit::ZipError) << "cut " << cut;
  }
}

// Each case damages the single entry "P\a.txt" of an archive and expects the extraction to fail
// with the given message and to leave no file behind.
TEST_F(ZipReaderTest, DamagedEntriesFailWithTheirCauseAndLeaveNoFile) {
  const std::string data = ziptest::sampleData(200 * 1024);
  const std::string deflated = ziptest::zipBytes({{u"P\\a.txt", data}});
  const std::string stored = ziptest::zipBytes({{u"P\\a.txt", data, Method::Stored}});
  const size_t cd = ziptest::centralHeaderAt(deflated, 0);
  const size_t cdStored = ziptest::centralHeaderAt(stored, 0);
  auto patched = [](std::string z, auto&& change) {
    change(z);
    return z;
  };
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
    bool refusedUpFront = false;  // found before any folder or file is made
  } cases[] = {
      {"stored data changed",
       patched(stored, [&](std::string& z) { z[ziptest::entryDataAt(z, 0) + 1000] ^= 1; }),
       "Błąd sumy kontrolnej CRC pliku: `P\\a.txt`"},
      {"recorded CRC changed",
       patched(deflated, [&](std::string& z) { z[cd + fmt::central::crc] ^= 1; }),
       "Błąd sumy kontrolnej CRC pliku: `P\\a.txt`"},
      {"deflate stream garbled",
       patched(deflated,
               [&](std::string& z) {
                 const size_t at = ziptest::entryDataAt(z, 0);
                 for (size_t i = 0; i < 64; ++i) z[at + i] = static_cast<char>(0xFF);
               }),
       "Uszkodzone dane pliku: `P\\a.txt`"},
      {"size declared smaller than the data",
       patched(deflated, [&](std::string& z) { ziptest::put32(z, cd + fmt::central::size, 100); }),
       "Rozmiar pliku niezgodny z katalogiem archiwum: `P\\a.txt`"},
      {"size declared larger than the data",
       patched(deflated,
               [&](std::string& z) { ziptest::put32(z, cd + fmt::central::size, 300 * 1024); }),
       "Rozmiar pliku niezgodny z katalogiem archiwum: `P\\a.txt`"},
      {"stored sizes that disagree",
       patched(stored,
               [&](std::string& z) { ziptest::put32(z, cdStored + fmt::central::size, 10); }),
       "Rozmiar pliku niezgodny z katalogiem archiwum: `P\\a.txt`", true},
      {"compressed size shorter than the stream",
       patched(deflated,
               [&](std::string& z) { ziptest::put32(z, cd + fmt::central::compSize, 500); }),
       "Uszkodzone dane pliku: `P\\a.txt`"},
      {"compressed size past the end of the file",
       patched(deflated,
               [&](std::string& z) { ziptest::put32(z, cd + fmt::central::compSize, 1 << 30); }),
       "Uszkodzone dane pliku: `P\\a.txt`", true},
      {"local header offset into the data",
       patched(deflated,
               [&](std::string& z) { ziptest::put32(z, cd + fmt::central::localOffset, 100); }),
       "Uszkodzony nagłówek pliku: `P\\a.txt`", true},
      {"local header offset past the end",
       patched(
           deflated,
           [&](std::string& z) { ziptest::put32(z, cd + fmt::central::localOffset, 0x7FFFFFFF); }),
       "Uszkodzony nagłówek pliku: `P\\a.txt`", true},
      {"unknown method",
       patched(deflated, [&](std::string& z) { ziptest::put16(z, cd + fmt::central::method, 12); }),
       "Nieobsługiwana metoda kompresji pliku: `P\\a.txt`", true},
      {"encrypted", patched(deflated, [&](std::string& z) { z[cd + fmt::central::flags] |= 1; }),
       "Plik zaszyfrowany nie jest obsługiwany: `P\\a.txt`", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    openBytes(c.bytes);
    EXPECT_EQ(extractError(u"P\\a.txt"), c.message);
    EXPECT_FALSE(fs.fileExists(kOut + u"P\\a.txt"));
    EXPECT_EQ(fs.directoryExists(kOut + u"P"), !c.refusedUpFront);
    (void)fs.removeDirectory(kOut + u"P");  // missing when the entry was refused up front
    reader.close();
  }
}

// Names that would leave the folder, open a Windows device instead of a file, or lose a
// trailing dot or blank to Windows and so land on another entry's file.
TEST_F(ZipReaderTest, UnsafeNamesWriteNothing) {
  const Text unsafe[] = {u"\\x.txt",
                         u"/x.txt",
                         u"C:x.txt",
                         u"C:\\x.txt",
                         u"..\\x.txt",
                         u"a\\..\\..\\x.txt",
                         u"a/../../x.txt",
                         u"..",
                         u"a\\...\\b",
                         u"a\\. .\\b",
                         u"x.txt:stream",
                         u"\\\\srv\\s\\x",
                         Text(u"a\0\\..\\..\\x", 10),
                         u"tab\there.txt",
                         u"CON",
                         u"P\\con.txt",
                         u"P\\Aux .jpg",
                         u"P\\nul\\x.txt",
                         u"P/PRN.tar.gz",
                         u"P\\COM1",
                         u"P\\com9.ini",
                         u"P\\LPT1.txt",
                         u"P\\lpt9",
                         u"P\\COM\u00B9.txt",
                         u"P\\lpt\u00B3",
                         u"P\\CONIN$",
                         u"P\\conout$.log",
                         u"P\\x.txt.",
                         u"P\\x.txt ",
                         u"P\\folder.\\x.txt",
                         u"P\\folder \\y.txt",
                         u"P\\.\\d.txt",
                         u"P\\b..\\c",
                         u"P\\" + Text(256, u'n') + u".txt",
                         u"P\\" + Text(256, u'd') + u"\\x.txt"};
  std::vector<Item> items;
  for (const Text& name : unsafe) items.push_back({name, "evil"});
  openItems(items);
  for (const Text& name : unsafe) {
    EXPECT_EQ(extractError(name), "Niedozwolona ścieżka w archiwum: `" + text::toUtf8(name) + "`");
  }
  EXPECT_TRUE(fs.listFiles(u"C:\\").size() == 1) << "only the archive itself";
  EXPECT_TRUE(fs.subFolders(kOut).empty());
}

TEST_F(ZipReaderTest, NamesThatOnlyResembleUnsafeOnesAreSafe) {
  const std::vector<Item> files = {{u"a..b.txt", "1"},
                                   {u"..a\\.b\\c", "2"},
                                   {u"P\\a.con", "3"},
                                   {u"P\\CONSOLE.txt", "4"},
                                   {u"P\\COM10.ini", "5"},
                                   {u"P\\xnul\\lpt", "6"},
                                   {u"P\\CONIN", "7"},
                                   {u"P\\a b\\c d.txt", "8"},
                                   {u"P\\" + Text(251, u'n') + u".txt", "9"}};
  openItems(files);
  for (const Item& file : files) {
    reader.extract(file.name, kOut);
    EXPECT_EQ(out(file.name), file.data) << text::toUtf8(file.name);
  }
}

TEST_F(ZipReaderTest, EmptyDeflateEntryMayHaveNoStreamAtAll) {
  std::string zip = ziptest::zipBytes({{u"empty.txt", ""}, {u"b.txt", "b"}});
  ziptest::put32(zip, ziptest::centralHeaderAt(zip, 0) + fmt::central::compSize, 0);
  openBytes(zip);
  reader.extract(u"empty.txt", kOut);
  EXPECT_EQ(out(u"empty.txt"), "");
}

TEST_F(ZipReaderTest, ReadOnlyTargetFailsAndKeepsItsContent) {
  fs.writeFile(kOut + u"a.txt", "old");
  fs.setReadOnly(kOut + u"a.txt");
  openItems({{u"a.txt", "new"}});
  EXPECT_THROW(reader.extract(u"a.txt", kOut), plat::FileError);
  EXPECT_EQ(out(u"a.txt"), "old");
}

TEST_F(ZipReaderTest, FailedWriteRemovesThePartialFile) {
  openItems({{u"a.txt", ziptest::sampleData(200 * 1024)}});
  int writes = 0;
  fs.shouldFail = [&](fake::Op op, const Text&) { return op == fake::Op::Write && ++writes == 2; };
  EXPECT_THROW(reader.extract(u"a.txt", kOut), plat::FileError);
  EXPECT_FALSE(fs.fileExists(kOut + u"a.txt"));
}

TEST_F(ZipReaderTest, CloseIsSafeAtAnyTime) {
  reader.close();
  EXPECT_THROW(reader.open(u"C:\\missing.zip"), plat::FileError);
  reader.close();
  openItems({{u"a.txt", "x"}});
  reader.close();
  reader.close();
  EXPECT_EQ(reader.count(), 0u);
}

}  // namespace
