#include "msword/KvWZipFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <map>
#include <sstream>

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"
#include "msword/base/WideStrings.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

using namespace msword;
using kvtest::ZipBuilder;

namespace {

// An archive loaded from bytes that it keeps alive.
struct LoadedZip {
  explicit LoadedZip(std::string Bytes) : Stream(std::move(Bytes)) { Archive.LoadFromStream(&Stream); }
  TMemoryStream Stream;
  TZipArchive Archive{nullptr};
};

std::u16string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return u"(no exception)";
}

std::vector<std::string> Names(const TZipArchive& Archive) {
  std::vector<std::string> names;
  for (int i = 0; i < Archive.Count(); ++i) names.emplace_back(Archive.Files()->Items(i)->FileName());
  return names;
}

const std::string kDocument = "<w:document><w:body><w:p><w:r><w:t>Hello</w:t></w:r></w:p></w:body></w:document>";

}  // namespace

TEST(ZipArchive, ListsEntriesInDirectoryOrderAndReturnsTheirContent) {
  LoadedZip zip(ZipBuilder()
                    .AddDeflated("[Content_Types].xml", "<Types/>")
                    .AddStored("word/document.xml", kDocument)
                    .AddDeflated("docProps/core.xml", std::string(5000, 'x'))
                    .Bytes());
  EXPECT_EQ(Names(zip.Archive),
            (std::vector<std::string>{"[Content_Types].xml", "word/document.xml", "docProps/core.xml"}));
  EXPECT_EQ(zip.Archive.GetUncompressed(0), "<Types/>");
  EXPECT_EQ(zip.Archive.GetUncompressed(1), kDocument);
  EXPECT_EQ(zip.Archive.Uncompressed(2), std::string(5000, 'x'));

  TWideStrings names;
  names.Add(u"kept");
  zip.Archive.GetFileNames(&names);
  ASSERT_EQ(names.Count(), 4);
  EXPECT_EQ(names.Get(0), u"kept");
  EXPECT_EQ(names.Get(3), u"docProps/core.xml");
}

TEST(ZipArchive, EndRecordIsFoundBehindAnArchiveComment) {
  // An archive comment (or bytes the comment length does not count) moves the end
  // record away from the last 22 bytes; the entries are still listed.
  struct Case { const char* name; std::string comment, trailing; };
  const Case cases[] = {{"no comment", "", ""},
                        {"23-byte comment", "written by a zip tool..", ""},
                        {"largest comment", std::string(0xFFFF, 'c'), ""},
                        {"comment holding an end signature", std::string("PK\5\6", 4) + "xx", ""},
                        {"bytes after the record", "", "garbage"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedZip zip(ZipBuilder().AddDeflated("word/document.xml", kDocument).Comment(c.comment).Trailing(c.trailing).Bytes());
    ASSERT_EQ(zip.Archive.Count(), 1);
    EXPECT_EQ(zip.Archive.GetUncompressed(0), kDocument);
  }
}

TEST(ZipArchive, OffsetsCountFromWhereTheArchiveStartsInTheStream) {
  // A package kept behind a 12-byte "BDOC" header records its offsets from its own start.
  std::string bytes = ZipBuilder()
                          .AddDeflated("[Content_Types].xml", "<Types/>")
                          .AddDeflated("word/document.xml", kDocument)
                          .Prefix(std::string("BDOC", 4) + std::string(8, '\0'))
                          .Bytes();
  TMemoryStream stream(bytes);
  stream.SetPosition(12);
  TZipArchive archive(nullptr);
  archive.LoadFromStream(&stream);
  ASSERT_EQ(archive.Count(), 2);
  EXPECT_EQ(archive.DecompressFileName(u"word/document.xml"), AnsiToWide(kDocument));
}

TEST(ZipArchive, StreamsWithoutAnEndRecordGiveNoEntries) {
  for (const std::string& bytes : {std::string(), std::string("PK\3\4"), std::string(21, 'x'),
                                   std::string(100000, 'x'),
                                   ZipBuilder().AddStored("a", "b").NoEndRecord().Bytes()}) {
    LoadedZip zip(bytes);
    EXPECT_EQ(zip.Archive.Count(), 0);
    EXPECT_EQ(zip.Archive.GetIndexByFileName(u"a"), -1);
  }
  TZipArchive archive(nullptr);
  archive.LoadFromStream(nullptr);
  EXPECT_EQ(archive.Count(), 0);
}

TEST(ZipArchive, LookUpIgnoresTheCaseOfAsciiLettersOnly) {
  LoadedZip zip(ZipBuilder()
                    .AddStored("word/document.xml", "doc")
                    .AddStored("word\\header1.xml", "hdr")
                    .AddStored("\xC9t\xE9.xml", "accent")  // "Été.xml" in the ANSI code page
                    .AddStored("word/document.xml", "second copy")
                    .Bytes());
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"WORD/Document.XML"), 0);  // the first of two wins
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"\u00C9T\u00E9.XML"), 2);
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"\u00E9t\u00E9.xml"), -1);  // É and é differ
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"word/header1.xml"), -1);
  EXPECT_EQ(zip.Archive.DecompressFileName(u"word/header1.xml"), u"hdr");  // second try with "\"
  EXPECT_EQ(zip.Archive.DecompressFileName(u"word/missing.xml"), u"");
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u""), -1);
}

TEST(ZipArchive, ContentIsCheckedAgainstEitherCrc) {
  const std::string content = "<w:t>checked</w:t>";
  const uint32_t good = kvtest::Crc32Of(content);
  struct Case { const char* name; uint32_t local, central; bool ok; };
  const Case cases[] = {{"both right", good, good, true},
                        {"local right", good, 1, true},
                        {"central right", 1, good, true},
                        {"both wrong", 1, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedZip zip(ZipBuilder().AddDeflated("word/document.xml", content).WithLocalCrc(c.local).WithCentralCrc(c.central).Bytes());
    if (c.ok) {
      EXPECT_EQ(zip.Archive.GetUncompressed(0), content);
    } else {
      EXPECT_THAT([&] { zip.Archive.GetUncompressed(0); },
                  testing::Throws<EZipFileCRCError>());
      EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"CRC Error in \"word/document.xml\".");
    }
  }
}

TEST(ZipArchive, StoredEntriesComeBackWithoutACrcCheck) {
  LoadedZip zip(ZipBuilder().AddStored("a.xml", "stored bytes").WithCrc(12345).Bytes());
  EXPECT_EQ(zip.Archive.GetUncompressed(0), "stored bytes");
}

TEST(ZipArchive, DataThatNoLongerInflatesRaisesZlibsMessage) {
  std::string data = kvtest::Deflate(kDocument);
  data[0] = char(0xFF);  // block type 3 does not exist
  LoadedZip zip(ZipBuilder().AddDeflated("word/document.xml", kDocument).WithData(data).Bytes());
  EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"invalid block type");
  EXPECT_THROW(zip.Archive.GetUncompressed(0), Exception);
}

TEST(ZipArchive, DataAlteredSoThatItStillInflatesFailsTheCrc) {
  // A stored deflate block: its payload can change without the stream breaking.
  std::string data = kvtest::Deflate("stored payload", 0);
  data[data.size() - 1] = 'X';
  LoadedZip zip(ZipBuilder().AddDeflated("word/document.xml", "stored payload", 0).WithData(data).Bytes());
  EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"CRC Error in \"word/document.xml\".");
}

TEST(ZipArchive, SizesKeptInADataDescriptorAreTakenFromTheCentralDirectory) {
  LoadedZip zip(ZipBuilder()
                    .AddDeflated("deflated.xml", kDocument)
                    .WithDataDescriptor()
                    .AddStored("stored.xml", "stored with a descriptor")
                    .WithDataDescriptor()
                    .AddDeflated("after.xml", "after")
                    .Bytes());
  ASSERT_EQ(zip.Archive.Count(), 3);
  EXPECT_EQ(zip.Archive.GetUncompressed(0), kDocument);
  EXPECT_EQ(zip.Archive.GetUncompressed(1), "stored with a descriptor");
  EXPECT_EQ(zip.Archive.GetUncompressed(2), "after");
}

TEST(ZipArchive, TheCompressionMethodDecidesHowDataIsRead) {
  // A deflated entry whose compressed size happens to equal its size is still inflated.
  const std::string content = "abcdefghij";
  const std::string data = kvtest::Deflate(content);
  LoadedZip zip(ZipBuilder()
                    .AddDeflated("same-size.xml", content)
                    .WithSizes(uint32_t(data.size()), uint32_t(data.size()))
                    .AddRaw("unknown.bin", "raw", 99, 0, 3)
                    .Bytes());
  ASSERT_EQ(data.size(), 12u);
  // Inflation gives ten bytes where twelve were recorded: short content.
  EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"CRC Error in \"same-size.xml\".");
  EXPECT_EQ(zip.Archive.GetUncompressed(1), "raw");  // unknown method, equal sizes: as recorded
}

TEST(ZipArchive, ContentShorterThanRecordedIsACrcError) {
  struct Case { const char* name; std::string bytes; };
  const std::string deflated = kvtest::Deflate("twelve bytes");
  const Case cases[] = {
      // The archive ends inside the stored data.
      {"stored, truncated", ZipBuilder().AddStored("e.xml", "0123456789").WithSizes(10000, 10000).Bytes()},
      {"stored, data descriptor, truncated",
       ZipBuilder().AddStored("e.xml", "0123").WithDataDescriptor().WithCentralSizes(4, 400).Bytes()},
      // Inflation ends early; the CRC fields are zero, as the CRC of an empty result is.
      {"deflated, ends early, zero CRCs",
       ZipBuilder().AddDeflated("e.xml", "twelve bytes").WithSizes(uint32_t(deflated.size()), 100).WithCrc(0).Bytes()},
      {"deflated, 4 GiB recorded",
       ZipBuilder().AddDeflated("e.xml", "twelve bytes").WithSizes(uint32_t(deflated.size()), 0xFFFFFFFF).Bytes()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedZip zip(c.bytes);
    ASSERT_EQ(zip.Archive.Count(), 1);
    EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"CRC Error in \"e.xml\".");
  }
}

TEST(ZipArchive, RecordedSizeDecidesWhatInflatedDataIsAccepted) {
  // Large enough for several deflate blocks and a long back-reference window.
  std::string large;
  for (int i = 0; large.size() < 300000; ++i) large += "paragraph " + std::to_string(i * 7919 % 100003) + " text; ";
  const std::string deflated = kvtest::Deflate(large);
  // The same data flushed but never finished: all of it inflates, the stream does not end.
  std::string unfinished(large.size() + 1024, '\0');
  {
    z_stream zs{};
    ASSERT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    zs.next_in = reinterpret_cast<Bytef*>(large.data());
    zs.avail_in = uInt(large.size());
    zs.next_out = reinterpret_cast<Bytef*>(unfinished.data());
    zs.avail_out = uInt(unfinished.size());
    ASSERT_EQ(deflate(&zs, Z_SYNC_FLUSH), Z_OK);
    unfinished.resize(zs.total_out);
    deflateEnd(&zs);
  }
  struct Case { const char* name; std::string data; uint32_t size; std::u16string error; };
  const Case cases[] = {
      {"sizes as recorded", deflated, uint32_t(large.size()), u""},
      {"stream not finished, every byte there", unfinished, uint32_t(large.size()), u""},
      {"more data than recorded", deflated, uint32_t(large.size() - 1), u"Zip entry \"e.xml\" is too large."},
      {"less data than recorded", deflated, uint32_t(large.size() + 1), u"CRC Error in \"e.xml\"."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedZip zip(ZipBuilder()
                      .AddDeflated("e.xml", large)
                      .WithData(c.data)
                      .WithSizes(uint32_t(c.data.size()), c.size)
                      .Bytes());
    if (c.error.empty())
      EXPECT_EQ(zip.Archive.GetUncompressed(0), large);
    else
      EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), c.error);
  }
}

TEST(ZipArchive, ContentAboveTheCeilingIsRefused) {
  const std::string content(100000, 'z');
  LoadedZip zip(ZipBuilder()
                    .AddDeflated("word/document.xml", content)
                    .AddStored("stored.bin", content)
                    .AddDeflated("small.xml", "fits")
                    .Bytes());
  zip.Archive.SetMaxEntrySize(99999);
  EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(0); }), u"Zip entry \"word/document.xml\" is too large.");
  EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(1); }), u"Zip entry \"stored.bin\" is too large.");
  EXPECT_EQ(zip.Archive.GetUncompressed(2), "fits");
  zip.Archive.SetMaxEntrySize(100000);
  EXPECT_EQ(zip.Archive.GetUncompressed(0), content);
}

TEST(ZipArchive, EmptyEntriesAndPositionsOutsideTheList) {
  LoadedZip zip(ZipBuilder().AddStored("empty", "").AddDeflated("empty-deflated", "").Bytes());
  EXPECT_EQ(zip.Archive.GetUncompressed(0), "");
  EXPECT_EQ(zip.Archive.GetUncompressed(1), "");
  for (int i : {-1, 2}) EXPECT_EQ(MessageOf([&] { zip.Archive.GetUncompressed(i); }), u"Index out of range.");
}

TEST(ZipArchive, DamagedDirectoryEntriesArePassedOver) {
  LoadedZip zip(ZipBuilder()
                    .AddStored("first", "1")
                    .AddStored("bad-central", "2")
                    .WithCorruptCentralSignature()
                    .AddStored("bad-local", "3")
                    .WithCorruptLocalSignature()
                    .AddStored("far-local", "4")
                    .WithLocalHeaderOffset(0x7FFFFFF0)
                    .AddStored("last", "5")
                    .Bytes());
  // The damaged central entry is skipped four bytes at a time (no resynchronisation),
  // and each skip uses up one of the five counted entries.
  EXPECT_EQ(Names(zip.Archive), (std::vector<std::string>{"first"}));

  // Without the damaged central entry, entries with unreadable local headers stay
  // without name and data.
  LoadedZip second(ZipBuilder()
                       .AddStored("bad-local", "3")
                       .WithCorruptLocalSignature()
                       .AddStored("far-local", "4")
                       .WithLocalHeaderOffset(0x7FFFFFF0)
                       .AddStored("last", "5")
                       .Bytes());
  EXPECT_EQ(Names(second.Archive), (std::vector<std::string>{"", "", "last"}));
  EXPECT_EQ(second.Archive.Files()->Items(1)->CentralFileName(), "far-local");
  EXPECT_EQ(second.Archive.GetIndexByFileName(u"far-local"), -1);
  EXPECT_EQ(MessageOf([&] { second.Archive.GetUncompressed(1); }), u"CRC Error in \"\".");
  EXPECT_EQ(second.Archive.GetUncompressed(2), "5");
}

TEST(ZipArchive, RecordedSizesAndCountsSizeNothing) {
  // A count of 65,535 with one real entry; a compressed size running past the end of
  // the archive; a central directory beyond the end.
  LoadedZip counted(ZipBuilder().AddDeflated("word/document.xml", kDocument).EntryCount(0xFFFF).Bytes());
  EXPECT_EQ(counted.Archive.Count(), 1);

  LoadedZip past(ZipBuilder()
                     .AddDeflated("word/document.xml", kDocument)
                     .WithSizes(0x7FFFFFF0, uint32_t(kDocument.size()))
                     .Bytes());
  ASSERT_EQ(past.Archive.Count(), 1);
  EXPECT_LT(past.Archive.Files()->Items(0)->CompressedData().size(), 1000u);
  EXPECT_EQ(past.Archive.GetUncompressed(0), kDocument);

  LoadedZip beyond(ZipBuilder().AddStored("a", "b").CentralDirectoryOffset(0x7FFFFFF0).Bytes());
  EXPECT_EQ(beyond.Archive.Count(), 0);
}

TEST(ZipArchive, ManyCentralEntriesSharingOneLocalEntryShareItsBytes) {
  ZipBuilder builder;
  builder.AddStored("big", std::string(1 << 20, 'b'));
  for (int i = 0; i < 20000; ++i) builder.AddStored("x", "").WithLocalHeaderOffset(0);
  LoadedZip zip(builder.Bytes());
  ASSERT_EQ(zip.Archive.Count(), 20001);
  const TLocalFile* first = zip.Archive.Files()->Items(0);
  const TLocalFile* last = zip.Archive.Files()->Items(20000);
  EXPECT_EQ(last->FileName(), "big");
  EXPECT_EQ(last->CompressedData().data(), first->CompressedData().data());
  EXPECT_EQ(last->CompressedData().size(), size_t(1) << 20);
}

// Look-ups go through an index of the names, which follows every change to the
// entries and their names.
TEST(ZipArchive, LookUpFollowsChangesToTheEntries) {
  LoadedZip zip(ZipBuilder().AddStored("one", "1").AddDeflated("two", "22").Bytes());
  TLocalFiles* files = zip.Archive.Files();
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"TWO"), 1);
  files->Items(1)->SetFileName("Renamed");
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"two"), -1);
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"renamed"), 1);
  files->SetItems(0, files->Items(1));
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"one"), -1);
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"renamed"), 0);
  files->Add()->SetFileName("three");
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"three"), 2);
  files->Clear();
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"three"), -1);
  zip.Stream.Seek(0, soBeginning);
  zip.Archive.LoadFromStream(&zip.Stream);
  EXPECT_EQ(zip.Archive.GetIndexByFileName(u"one"), 0);
}

TEST(ZipArchive, AssignCopiesAnEntryAndRefusesOtherObjects) {
  LoadedZip zip(ZipBuilder().AddStored("one", "1").AddDeflated("two", "22").Bytes());
  TLocalFiles* files = zip.Archive.Files();
  files->SetItems(0, files->Items(1));
  EXPECT_EQ(files->Items(0)->FileName(), "two");
  EXPECT_EQ(files->Items(0)->CentralFileName(), "two");
  EXPECT_EQ(zip.Archive.GetUncompressed(0), "22");
  EXPECT_EQ(files->OwnerControl(), &zip.Archive);
  TZipArchive other(nullptr);
  EXPECT_THROW(files->Items(0)->Assign(&other), EConvertError);
}

TEST(ZipArchive, Crc32IsTheStandardChecksum) {
  EXPECT_EQ(ZipCRC32(""), 0u);
  EXPECT_EQ(ZipCRC32("123456789"), 0xCBF43926u);
  EXPECT_EQ(ZipCRC32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

// --- Shared files ---

TEST(ZipArchive, RealPackagesListTheirEntriesAndEveryEntryMatchesItsCrc) {
  const auto corpus = kvtest::CorpusDir();
  KVTEST_REQUIRE_DIR(corpus);
  std::ifstream manifest(corpus / "manifest.tsv");
  std::string line;
  std::getline(manifest, line);
  std::vector<std::string> header;
  {
    std::stringstream ss(line);
    for (std::string f; std::getline(ss, f, '\t');) header.push_back(f);
  }
  auto column = [&](const std::string& name) {
    return size_t(std::find(header.begin(), header.end(), name) - header.begin());
  };
  const size_t formatCol = column("format"), pathCol = column("local_path"), problemCol = column("zip_problem");
  int packages = 0, entries = 0;
  while (std::getline(manifest, line)) {
    std::vector<std::string> row;
    std::stringstream ss(line);
    for (std::string f; std::getline(ss, f, '\t');) row.push_back(f);
    row.resize(header.size());
    if (row[formatCol] != "zip") continue;
    SCOPED_TRACE(row[pathCol]);
    const std::string problem = row[problemCol];
    LoadedZip zip(kvtest::ReadFileBytes(corpus / row[pathCol]));
    ++packages;
    if (problem.rfind("zip_error=", 0) == 0) {
      // Not readable as a zip: a missing or truncated end record, or a central
      // directory that is not where the end record says. No entries, no error.
      EXPECT_EQ(zip.Archive.Count(), 0);
      continue;
    }
    ASSERT_GT(zip.Archive.Count(), 0);
    std::string badCrc;
    if (problem.rfind("zip_crc_bad=", 0) == 0) badCrc = problem.substr(12);
    for (int i = 0; i < zip.Archive.Count(); ++i) {
      const TLocalFile* file = zip.Archive.Files()->Items(i);
      SCOPED_TRACE(std::string(file->FileName()));
      EXPECT_EQ(file->FileName(), file->CentralFileName());
      if (file->FileName() == badCrc) {
        EXPECT_THROW(zip.Archive.GetUncompressed(i), EZipFileCRCError);
        continue;
      }
      const std::string content = zip.Archive.GetUncompressed(i);
      EXPECT_EQ(content.size(), file->CentralCommonFileHeader().UncompressedSize);
      EXPECT_EQ(kvtest::Crc32Of(content), file->CentralCommonFileHeader().Crc32);
      ++entries;
    }
  }
  EXPECT_GT(packages, 250);
  EXPECT_GT(entries, 2000);
}

TEST(ZipArchive, HostilePackagesGiveTheirDocumentedOutcome) {
  const auto hostile = kvtest::HostileDir();
  KVTEST_REQUIRE_DIR(hostile);
  // What word/document.xml gives: its content's first words, or the error.
  struct Case { const char* file; int count; std::u16string document; };
  const std::u16string hello = u"Hello, hostile world.";
  const Case cases[] = {
      {"base_valid.docx", 7, hello},
      {"zip_eocd_count_65535.docx", 1, hello},
      {"zip_cd_offset_past_eof.docx", 0, u"(no entry)"},
      {"zip_local_offset_past_eof.docx", 7, u"(no entry)"},
      {"zip_usize_4gib.docx", 7, u"CRC Error in \"word/document.xml\"."},
      {"zip_bomb_1gib.docx", 7, u"Zip entry \"word/document.xml\" is too large."},
      {"zip_csize_past_eof.docx", 7, hello},
      {"zip_duplicate_names.docx", 8, u"First copy."},
      {"zip_archive_comment.docx", 7, hello},
      {"zip_traversal_names.docx", 11, hello},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TZipArchive archive(nullptr);
    archive.LoadFromFile(Utf8ToWide((hostile / "files" / c.file).string()));
    EXPECT_EQ(archive.Count(), c.count);
    std::u16string outcome = u"(no entry)";
    const int index = archive.GetIndexByFileName(u"word/document.xml");
    if (index >= 0) {
      try {
        outcome = AnsiToWide(archive.GetUncompressed(index));
      } catch (const Exception& e) {
        outcome = e.Message();
      }
    }
    if (c.document == hello || c.document == u"First copy.") {
      EXPECT_NE(outcome.find(c.document), std::u16string::npos) << WideToUtf8(outcome);
    } else {
      EXPECT_EQ(outcome, c.document);
    }
    // Every other entry comes back whole.
    for (int i = 0; i < archive.Count(); ++i) {
      if (i != index && !archive.Files()->Items(i)->FileName().empty()) {
        EXPECT_NO_THROW(archive.GetUncompressed(i));
      }
    }
  }
}
