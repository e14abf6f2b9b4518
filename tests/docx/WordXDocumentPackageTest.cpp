// The package loader of the ".docx" reader: files, parts, relationships, document
// properties and packages inside compound files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "support/CompoundFileBuilder.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

using namespace msword;
using kvtest::CompoundFileBuilder;
using kvtest::ZipBuilder;
using testing::ElementsAre;

namespace {

std::string Document(const std::string& Body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
         "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
         Body + "</w:body></w:document>";
}

std::string Paragraph(const std::string& Text) { return "<w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p>"; }

std::string Part(const char* Root, const std::string& Text) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><") + Root + " xmlns:w=\"x\">" + Paragraph(Text) +
         "</" + Root + ">";
}

std::string Relationships(const std::vector<std::pair<std::string, std::string>>& IdTargets) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (const auto& [id, target] : IdTargets)
    xml += "<Relationship Id=\"" + id +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"" +
           target + "\"/>";
  return xml + "</Relationships>";
}

const char* const CoreXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\" xmlns:dcterms=\"t\">"
    "<dc:title>Smith &amp; Co</dc:title><dc:subject>Subject</dc:subject><dc:creator>Ann Author</dc:creator>"
    "<cp:keywords>k1 k2</cp:keywords><dc:description>Comments</dc:description>"
    "<cp:lastModifiedBy>Bob</cp:lastModifiedBy><cp:revision></cp:revision><cp:category>Cat</cp:category>"
    "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2021-05-04T03:02:01Z</dcterms:created>"
    "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2022-12-06T10:20:30Z</dcterms:modified></cp:coreProperties>";
const char* const AppXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<Properties xmlns=\"p\"><Template>Normal.dotm</Template><TotalTime>12</TotalTime><Pages>x</Pages>"
    "<Words>345</Words><Characters>1967</Characters><Application>Microsoft Office Word</Application>"
    "<Lines>16</Lines><Paragraphs>4</Paragraphs><Manager>Boss</Manager><Company>Firm</Company>"
    "<CharactersWithSpaces>2308</CharactersWithSpaces></Properties>";

void Load(TMSWordXDocument& Doc, const std::string& Bytes) {
  TMemoryStream stream(Bytes);
  Doc.LoadFromStream(&stream);
}

std::u16string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return u"(no exception)";
}

// A file in the temporary folder, removed with the object.
struct TempFile {
  explicit TempFile(const std::string& Bytes, const char* Name) {
    Path = std::filesystem::temp_directory_path() /
           (std::string("kvword-docx-") + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + Name);
    std::ofstream(Path, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
  }
  ~TempFile() { std::filesystem::remove(Path); }
  std::u16string Name() const { return Utf8ToWide(Path.string()); }
  std::filesystem::path Path;
};

}  // namespace

TEST(WordXDocumentPackage, PartsGoToTheirListsAndHeadersFollowTheRelationships) {
  const std::string body = Paragraph("Body.") +
                           "<w:p><w:pPr><w:sectPr><w:headerReference r:id=\"rId7\"/><w:footerReference r:id=\"rId8\"/>"
                           "</w:sectPr></w:pPr></w:p><w:sectPr><w:headerReference r:id=\"RID7\"/></w:sectPr>";
  const std::string zip = ZipBuilder()
                              .AddDeflated("word/document.xml", Document(body))
                              .AddDeflated("word/_rels/document.xml.rels",
                                           Relationships({{"rId7", "header1.xml"}, {"rId8", "/word/footer1.xml"}}))
                              .AddDeflated("word/header1.xml", Part("w:hdr", "Head."))
                              .AddStored("word/footer1.xml", Part("w:ftr", "Foot."))
                              .AddDeflated("word/footnotes.xml", Part("w:footnotes", "Note."))
                              .AddDeflated("word/endnotes.xml", Part("w:endnotes", "End."))
                              .Bytes();
  TMSWordXDocument doc(nullptr);
  Load(doc, zip);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Body.", u""));
  // A header shared by two sections is read for each; ids compare ignoring case.
  EXPECT_THAT(doc.HeaderText()->Lines(), ElementsAre(u"Head.", u"Head."));
  // A target that starts with "/" names the entry from the package's root.
  EXPECT_THAT(doc.FooterText()->Lines(), ElementsAre(u"Foot."));
  EXPECT_THAT(doc.FootNoteText()->Lines(), ElementsAre(u"Note."));
  EXPECT_THAT(doc.EndNoteText()->Lines(), ElementsAre(u"End."));
  EXPECT_EQ(doc.AnnotationText()->Count() + doc.TextBoxText()->Count() + doc.MacroText()->Count(), 0);
}

// A part referenced many times is converted once and its lines given for every
// reference: the lists come out as from as many parts of the same content, in the
// formats that frame each part and under a text limit.
TEST(WordXDocumentPackage, PartsReferencedAgainAreConvertedOnce) {
  const auto package = [](bool Distinct) {
    std::string refs;
    std::vector<std::pair<std::string, std::string>> rels;
    ZipBuilder zip;
    for (int i = 0; i < 20; ++i) {
      const std::string n = std::to_string(Distinct ? i : 0);
      refs += "<w:headerReference r:id=\"h" + n + "\"/><w:footerReference r:id=\"f" + n + "\"/>";
      if (!Distinct && i > 0) continue;
      // The same entry serves as header and footer, converted into each list.
      rels.push_back({"h" + n, "header" + n + ".xml"});
      rels.push_back({"f" + n, "header" + n + ".xml"});
      zip.AddDeflated("word/header" + n + ".xml", Part("w:hdr", "Head."));
    }
    zip.AddDeflated("word/document.xml", Document(Paragraph("Body.") + "<w:sectPr>" + refs + "</w:sectPr>"));
    zip.AddDeflated("word/_rels/document.xml.rels", Relationships(rels));
    return zip.Bytes();
  };
  struct Case {
    TMSTextFormating format;
    int32_t limit;
  };
  for (const Case c : {Case{tfPlainText, 0}, Case{tfHTML, 0}, Case{tfRTF, 0}, Case{tfPlainText, 40}}) {
    SCOPED_TRACE(int(c.format));
    TMSWordXDocument shared(nullptr), distinct(nullptr);
    for (TMSWordXDocument* doc : {&shared, &distinct}) {
      doc->SetTextFormating(c.format);
      doc->SetMaxTextLength(c.limit);
    }
    Load(shared, package(false));
    Load(distinct, package(true));
    // The main part, the notes (missing here, but converted), the header entry twice.
    EXPECT_EQ(shared.PartsConverted(), 5u);
    EXPECT_EQ(distinct.PartsConverted(), 43u);
    EXPECT_EQ(shared.HeaderText()->Lines(), distinct.HeaderText()->Lines());
    EXPECT_EQ(shared.FooterText()->Lines(), distinct.FooterText()->Lines());
    EXPECT_GE(shared.HeaderText()->GetText().size(), c.limit ? 0u : 20 * 5u);
  }
}

TEST(WordXDocumentPackage, SecondMainPartNameIsUsedWhenTheFirstIsMissing) {
  TMSWordXDocument doc(nullptr);
  Load(doc, ZipBuilder().AddDeflated("word/document2.xml", Document(Paragraph("Two."))).Bytes());
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Two."));
  Load(doc, ZipBuilder()
                .AddDeflated("word/document2.xml", Document(Paragraph("Two.")))
                .AddDeflated("WORD/Document.xml", Document(Paragraph("One.")))
                .Bytes());
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"One."));
}

// Some writers name the main part freely; the package's relationships name it.
TEST(WordXDocumentPackage, MainPartNamedByThePackageRelationships) {
  const std::string packageRels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"r\">"
      "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
      "core-properties\" Target=\"docProps/core.xml\"/>"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"/text/main.xml\"/></Relationships>";
  TMSWordXDocument doc(nullptr);
  Load(doc, ZipBuilder()
                .AddDeflated("_rels/.rels", packageRels)
                .AddDeflated("text/main.xml", Document(Paragraph("Main.") +
                                                       "<w:sectPr><w:headerReference r:id=\"rId9\"/></w:sectPr>"))
                .AddDeflated("text/_rels/main.xml.rels", Relationships({{"rId9", "head.xml"}}))
                .AddDeflated("text/head.xml", Part("w:hdr", "Head."))
                .Bytes());
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Main."));
  EXPECT_THAT(doc.HeaderText()->Lines(), ElementsAre(u"Head."));
}

// A batch must tell a foreign or broken file from an empty document: a package
// without a main part is not a Word document, and one whose directory cannot be
// read is damaged.
TEST(WordXDocumentPackage, PackagesWithoutAReadableMainPartAreRefused) {
  const std::string mainPart = Document(Paragraph("Body."));
  const std::string whole = ZipBuilder().AddDeflated("word/document.xml", mainPart).Bytes();
  struct Case {
    const char* what;
    std::string bytes;
    const char16_t* message;
  };
  const Case cases[] = {
      {"a zip archive of something else", ZipBuilder().AddStored("mimetype", "application/x").Bytes(),
       u"File package.docx is not valid MS Word document"},
      {"no archive at all", "plain bytes, no archive", u"File package.docx is not valid MS Word document"},
      {"cut before the directory", whole.substr(0, whole.size() / 2), u"File package.docx is damaged"},
      {"directory past the end", ZipBuilder().AddDeflated("word/document.xml", mainPart).CentralDirectoryOffset(0x7FFFFFF0).Bytes(),
       u"File package.docx is damaged"},
      {"local header past the end",
       ZipBuilder().AddDeflated("word/document.xml", mainPart).WithLocalHeaderOffset(0x7FFFFFF0).Bytes(),
       u"File package.docx is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFile file(c.bytes, "package.docx");
    for (const TKvWView view : {vwStored, vwShown}) {
      TMSWordXDocument doc(nullptr);
      doc.SetView(view);
      doc.SetTextFormating(tfHTML);
      const std::u16string message = MessageOf([&] { doc.LoadFromFile(file.Name()); });
      EXPECT_NE(message.find(c.message + 5), std::u16string::npos) << WideToUtf8(message);
      EXPECT_EQ(doc.Text()->Count(), 0);
      EXPECT_EQ(doc.FootNoteText()->Count(), 0);
    }
  }
  // A stream says nothing of a file's name.
  TMSWordXDocument doc(nullptr);
  EXPECT_EQ(MessageOf([&] { Load(doc, whole.substr(0, 40)); }), u"File  is damaged");
}

TEST(WordXDocumentPackage, DocumentPropertiesFillTheSummary) {
  TMSWordXDocument doc(nullptr);
  doc.SetParseItems({wpiSummaryInformation});
  Load(doc, ZipBuilder()
                .AddDeflated("word/document.xml", Document(Paragraph("Body.")))
                .AddDeflated("docProps/core.xml", CoreXml)
                .AddDeflated("docProps/app.xml", AppXml)
                .Bytes());
  EXPECT_EQ(doc.Text()->Count(), 0);
  EXPECT_EQ(doc.FootNoteText()->Count(), 0);
  const TKvWordSummaryInformation& s = *doc.SummaryInformation();
  EXPECT_EQ(s.Title(), u"Smith & Co");
  EXPECT_EQ(s.Subject(), u"Subject");
  EXPECT_EQ(s.Author(), u"Ann Author");
  EXPECT_EQ(s.Keywords(), u"k1 k2");
  EXPECT_EQ(s.Comments(), u"Comments");
  EXPECT_EQ(s.LastAuthor(), u"Bob");
  EXPECT_EQ(s.RevNumber(), u"");
  EXPECT_EQ(s.Category(), u"Cat");
  EXPECT_NEAR(s.Created(), 44320.12640046296, 1e-8);  // 4 May 2021 03:02:01
  EXPECT_NEAR(s.LastSaved(), 44901.43090277778, 1e-8);  // 6 Dec 2022 10:20:30
  EXPECT_EQ(s.Template(), u"Normal.dotm");
  EXPECT_EQ(s.EditTime(), 12);
  EXPECT_EQ(s.PageCount(), 0);
  EXPECT_EQ(s.WordCount(), 345);
  EXPECT_EQ(s.CharCount(), 1967);
  EXPECT_EQ(s.AppName(), u"Microsoft Office Word");
  EXPECT_EQ(s.LineCount(), 16);
  EXPECT_EQ(s.ParagraphCount(), 4);
  EXPECT_EQ(s.Manager(), u"Boss");
  EXPECT_EQ(s.Company(), u"Firm");
  EXPECT_EQ(s.CharCount2(), 2308);
}

TEST(WordXDocumentPackage, PropertiesOfThePreviousDocumentDoNotStay) {
  TMSWordXDocument doc(nullptr);
  Load(doc, ZipBuilder()
                .AddDeflated("word/document.xml", Document(Paragraph("Body.")))
                .AddDeflated("docProps/core.xml", CoreXml)
                .AddDeflated("docProps/app.xml", AppXml)
                .Bytes());
  ASSERT_EQ(doc.SummaryInformation()->Title(), u"Smith & Co");
  Load(doc, ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("Body."))).Bytes());
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"");
  EXPECT_EQ(doc.SummaryInformation()->Company(), u"");
  EXPECT_EQ(doc.SummaryInformation()->WordCount(), 0);
}

TEST(WordXDocumentPackage, DamagedEntryRaisesTheZipError) {
  TMSWordXDocument doc(nullptr);
  const std::string zip = ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("x"))).WithCrc(1).Bytes();
  EXPECT_EQ(MessageOf([&] { Load(doc, zip); }), u"CRC Error in \"word/document.xml\".");
}

TEST(WordXDocumentPackage, FilesAreCheckedByContent) {
  const std::string zip = ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("File."))).Bytes();
  TempFile package(zip, "package.doc");
  TMSWordXDocument doc(nullptr);
  doc.LoadFromFile(package.Name());
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"File."));

  TempFile encrypted(CompoundFileBuilder().AddStream(u"EncryptionInfo", "x").AddStream(u"EncryptedPackage", "y").Bytes(),
                     "encrypted.docx");
  EXPECT_EQ(MessageOf([&] { doc.LoadFromFile(encrypted.Name()); }), u"Could not read the password protected file");
  // A previous document's text stays when a file is refused.
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"File."));

  TempFile wrapped(CompoundFileBuilder().AddStream(u"Package", zip).Bytes(), "wrapped.docx");
  EXPECT_EQ(MessageOf([&] { doc.LoadFromFile(wrapped.Name()); }), u"File " + wrapped.Name() + u" is not valid MS Word document");
  TempFile text("just text", "text.docx");
  EXPECT_EQ(MessageOf([&] { doc.LoadFromFile(text.Name()); }), u"File " + text.Name() + u" is not valid MS Word document");
  EXPECT_EQ(MessageOf([&] { doc.LoadFromFile(u"/nonexistent/x.docx"); }), u"File /nonexistent/x.docx is not found.");
}

TEST(WordXDocumentPackage, PackageStreamOfACompoundFileIsLoaded) {
  const std::string zip = ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("Wrapped."))).Bytes();
  TMSWordXDocument doc(nullptr);
  TMemoryStream wrapped(CompoundFileBuilder().AddStream(u"Package", zip).Bytes());
  doc.LoadFromOLEStream(&wrapped);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Wrapped."));
  // A plain package behind a "BDOC" header.
  TMemoryStream plain(std::string("BDOC") + std::string(8, '\0') + zip);
  doc.LoadFromOLEStream(&plain);
  EXPECT_THAT(doc.Text()->Lines(), ElementsAre(u"Wrapped."));
}

TEST(WordXDocumentPackage, CompoundFileWithoutPackageLeavesNoPreviousText) {
  TMSWordXDocument doc(nullptr);
  Load(doc, ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("Previous."))).Bytes());
  TMemoryStream other(CompoundFileBuilder().AddStream(u"Other", "x").Bytes());
  doc.LoadFromOLEStream(&other);
  EXPECT_EQ(doc.Text()->Count(), 0);

  Load(doc, ZipBuilder().AddDeflated("word/document.xml", Document(Paragraph("Previous."))).Bytes());
  TMemoryStream encrypted(CompoundFileBuilder().AddStream(u"EncryptedPackage", "x").Bytes());
  EXPECT_EQ(MessageOf([&] { doc.LoadFromOLEStream(&encrypted); }), u"Could not read the password protected file");
  EXPECT_EQ(doc.Text()->Count(), 0);
}

TEST(WordXDocumentPackage, SampleWrittenByLibreOfficeLoads) {
  TMSWordXDocument doc(nullptr);
  // From the test data folder, an absolute path: __FILE__ is relative where the
  // compiler cache rewrites paths, and the tests run in another folder.
  doc.LoadFromFile(Utf8ToWide((std::filesystem::path(KVWORD_TEST_DATA_DIR) / ".." / ".." / "samples" / "sample.docx").string()));
  EXPECT_GT(doc.Text()->Count(), 0);
}

// The crafted hostile packages and what a sound reader does with each.
TEST(WordXDocumentPackage, HostilePackagesBehaveAsExpected) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const std::vector<std::u16string> baseText{u"Hello, hostile world.", u""};
  struct Case {
    const char* file;
    std::vector<std::u16string> text;
    const char16_t* message;  // nullptr: loads
  };
  const Case cases[] = {
      {"base_valid.docx", baseText, nullptr},
      {"zip_eocd_count_65535.docx", baseText, nullptr},
      {"zip_cd_offset_past_eof.docx", {}, u"is damaged"},
      {"zip_local_offset_past_eof.docx", {}, u"is damaged"},
      {"zip_csize_past_eof.docx", baseText, nullptr},
      {"zip_duplicate_names.docx", {u"First copy."}, nullptr},
      {"zip_archive_comment.docx", baseText, nullptr},
      {"zip_traversal_names.docx", baseText, nullptr},
      {"xml_unterminated_comment.docx", {u"Before comment."}, nullptr},
      {"xml_unterminated_cdata.docx", {u"First paragraph."}, nullptr},
      {"xml_nul_byte.docx", {u"Before NUL."}, nullptr},
      // The paragraph that the unclosed tab swallows keeps its text when it finally ends.
      {"xml_unbalanced_quote.docx", {u"Before quote.", u"Last.", u"After tab.\t"}, nullptr},
      // &#0; gives U+0000, which the reader drops like every control but tab, CR and LF.
      {"xml_numeric_refs.docx", {u"AB&#xFFFF;C&#99999999999;D&#4294967361;E"}, nullptr},
      {"xml_utf16_odd_length.docx", {u"UTF-16 text."}, nullptr},
      {"xml_rels_traversal.docx", baseText, nullptr},
      {"xml_billion_laughs.docx", {}, nullptr},
      {"xml_nested_unclosed_100k.docx", {u"Before."}, nullptr},
      {"zip_usize_4gib.docx", {}, u"CRC Error in \"word/document.xml\"."},
      {"zip_bomb_1gib.docx", {}, u"Zip entry \"word/document.xml\" is too large."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TMSWordXDocument doc(nullptr);
    const std::u16string message =
        MessageOf([&] { doc.LoadFromFile(Utf8ToWide((kvtest::HostileDir() / "files" / c.file).string())); });
    if (c.message) {
      if (std::u16string_view(c.message).starts_with(u"is ")) {
        EXPECT_NE(message.find(c.message), std::u16string::npos) << WideToUtf8(message);
      } else {
        EXPECT_EQ(message, c.message);
      }
      EXPECT_EQ(doc.Text()->Count(), 0);
      continue;
    }
    EXPECT_EQ(message, u"(no exception)");
    EXPECT_EQ(doc.Text()->Lines(), c.text);
  }
}

TEST(WordXDocumentPackage, HostileBaselineHeaderAndSummary) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const auto files = kvtest::HostileDir() / "files";
  TMSWordXDocument doc(nullptr);
  doc.LoadFromFile(Utf8ToWide((files / "base_valid.docx").string()));
  EXPECT_THAT(doc.HeaderText()->Lines(), ElementsAre(u"Header text."));
  const TKvWordSummaryInformation& s = *doc.SummaryInformation();
  EXPECT_EQ(s.Title(), u"Hostile baseline");
  EXPECT_EQ(s.Author(), u"Test Author");
  EXPECT_NEAR(s.Created(), 44901.43090277778, 1e-8);  // 6 Dec 2022 10:20:30
  EXPECT_EQ(s.Company(), u"Hostile Corp");
  EXPECT_EQ(s.PageCount(), 1);

  EXPECT_NE(MessageOf([&] { doc.LoadFromFile(Utf8ToWide((files / "zip_local_offset_past_eof.docx").string())); })
                .find(u"is damaged"),
            std::u16string::npos);

  doc.LoadFromFile(Utf8ToWide((files / "xml_rels_traversal.docx").string()));
  EXPECT_EQ(doc.HeaderText()->Count() + doc.FooterText()->Count(), 0);

  doc.LoadFromFile(Utf8ToWide((files / "xml_header_refs_10k.docx").string()));
  ASSERT_EQ(doc.HeaderText()->Count(), 10000);
  EXPECT_EQ(doc.HeaderText()->Get(9999), u"Header text.");
}

TEST(WordXDocumentPackage, HostileLargeParts) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  const auto files = kvtest::HostileDir() / "files";
  TMSWordXDocument doc(nullptr);
  doc.LoadFromFile(Utf8ToWide((files / "xml_nested_100k.docx").string()));
  ASSERT_EQ(doc.Text()->Count(), 100000);
  EXPECT_EQ(doc.Text()->Get(0), u"deep");
  EXPECT_EQ(doc.Text()->Get(99999), u"");

  doc.LoadFromFile(Utf8ToWide((files / "xml_text_node_50mb.docx").string()));
  ASSERT_EQ(doc.Text()->Count(), 1);
  EXPECT_EQ(doc.Text()->Get(0), std::u16string(52428800, u'A'));

  doc.LoadFromFile(Utf8ToWide((files / "xml_entity_refs_200k.docx").string()));
  ASSERT_EQ(doc.Text()->Count(), 1);
  std::u16string expected;
  for (int i = 0; i < 200000; ++i) expected += u"x&";
  EXPECT_EQ(doc.Text()->Get(0), expected);
}

TEST(WordXDocumentPackage, APackageOverItsBudgetFailsNamingTheLimit) {
  // Thirty headers of a megabyte each: 30 MiB inflated from a small file.
  std::string body = Paragraph("Body.") + "<w:sectPr>";
  std::vector<std::pair<std::string, std::string>> rels;
  ZipBuilder zip;
  const std::string big = Part("w:hdr", std::string(1 << 20, 'x'));
  for (int i = 0; i < 30; ++i) {
    const std::string id = "rId" + std::to_string(i), name = "header" + std::to_string(i) + ".xml";
    body += "<w:headerReference r:id=\"" + id + "\"/>";
    rels.push_back({id, name});
    zip.AddDeflated("word/" + name, big, 9);
  }
  zip.AddDeflated("word/document.xml", Document(body + "</w:sectPr>"));
  zip.AddDeflated("word/_rels/document.xml.rels", Relationships(rels));
  const std::string bytes = zip.Bytes();
  ASSERT_LT(bytes.size(), 100000u);

  TMSWordXDocument within(nullptr);
  Load(within, bytes);
  EXPECT_EQ(within.HeaderText()->Count(), 30);
  EXPECT_GT(within.Budget().Inflated(), 30u << 20);

  struct TCase {
    TDocumentLimits Limits;
    const char* Named;
  };
  const TCase cases[] = {{{8u << 20, 100000, 1u << 30}, "limit of 8388608 bytes inflated"},
                         {{1u << 30, 10, 1u << 30}, "limit of 10 parts and chunks loaded"},
                         {{1u << 30, 100000, 1000}, "limit of 1000 characters of text"}};
  for (const TCase& c : cases) {
    TMSWordXDocument doc(nullptr);
    doc.SetLimits(c.Limits);
    EXPECT_THAT(WideToUtf8(MessageOf([&] { Load(doc, bytes); })), testing::HasSubstr(c.Named));
    // The next load with the limits raised reads the document whole.
    doc.SetLimits({});
    Load(doc, bytes);
    EXPECT_EQ(doc.HeaderText()->Count(), 30);
  }
}
