// What kvword prints, run as a process: RTF and HTML that hold everything asked
// for, dates as UTC moments, the progress line kept out of the text, limits that
// keep characters whole, write errors, and the language default.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileBuilder.h"
#include "support/FormattedDocBuilder.h"
#include "support/SharedData.h"
#include "support/ZipBuilder.h"

extern char** environ;

namespace kvtest {
namespace {

using nlohmann::json;

std::string Sample(const std::string& Name) {
  return ReadFileBytes(std::string(KVWORD_SAMPLES_DIR) + "/" + Name);
}

std::string Docx(const std::string& BodyXml, const std::string& CoreXml = "") {
  ZipBuilder zip;
  zip.AddDeflated("word/document.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                  "<w:document xmlns:w=\"w\"><w:body>" + BodyXml + "</w:body></w:document>");
  if (!CoreXml.empty()) zip.AddDeflated("docProps/core.xml", CoreXml);
  return zip.Bytes();
}

std::string Paragraph(const std::string& Text) {
  return "<w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p>";
}

TEST(KvWordOutput, RtfIsAsciiWithEverythingInsideTheDocument) {
  TTempDir dir;
  for (const std::string name : {"sample.doc", "sample.docx"}) {
    SCOPED_TRACE(name);
    const std::string file = dir.Write(name, Sample(name));
    const TProcessResult run = RunKvWord({"--format=rtf", "--all", "--summary", file});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(std::all_of(run.Out.begin(), run.Out.end(), [](char c) { return c > 0; }));
    EXPECT_THAT(run.Out, testing::StartsWith("{\\rtf1\\ansi\\ansicpg1252\\uc1"));
    EXPECT_THAT(run.Out, testing::HasSubstr("caf\\u233?"));  // "café" in the sample
    EXPECT_THAT(run.Out, testing::HasSubstr("\\par --- summary ---\\par \r\n"));
    EXPECT_THAT(run.Out, testing::HasSubstr("Title: kvword sample\\par \r\n"));
    EXPECT_THAT(run.Out, testing::EndsWith("}\r\n"));
    // One document: its only closing brace at the top level is the last one.
    int depth = 0, closedAtTop = 0;
    for (size_t i = 0; i < run.Out.size(); ++i) {
      if (run.Out[i] == '\\') ++i;
      else if (run.Out[i] == '{') ++depth;
      else if (run.Out[i] == '}' && --depth == 0) ++closedAtTop;
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(closedAtTop, 1);
  }
}

TEST(KvWordOutput, HtmlDeclaresUtf8AndHoldsSideTextsBeforeItsEnd) {
  TTempDir dir;
  const std::string file = dir.Write("sample.docx", Sample("sample.docx"));
  const TProcessResult run = RunKvWord({"--format=html", "--all", "--summary", "--lf", file});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_THAT(run.Out, testing::HasSubstr("charset=utf-8\">"));
  EXPECT_THAT(run.Out, testing::Not(testing::HasSubstr("windows-1252")));
  EXPECT_THAT(run.Out, testing::HasSubstr("caf\xC3\xA9"));
  EXPECT_THAT(run.Out, testing::HasSubstr("<p>Title: kvword sample</p>\n\n</body>\n</html>\n"));
  EXPECT_EQ(run.Out.find("<html>"), run.Out.rfind("<html>"));  // side texts unframed

  // Summary values are escaped like text.
  const std::string core =
      "<cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\">"
      "<dc:title>Fish &amp; &lt;Chips&gt;</dc:title></cp:coreProperties>";
  const std::string fish = dir.Write("fish.docx", Docx(Paragraph("x"), core));
  const TProcessResult escaped = RunKvWord({"--format=html", "--summary", fish});
  EXPECT_THAT(escaped.Out, testing::HasSubstr("<p>Title: Fish &amp; &lt;Chips&gt;</p>"));

  const json line = json::parse(RunKvWord({"--format=html", "--json", file}).Out);
  EXPECT_THAT(line["text"].get<std::string>(), testing::HasSubstr("charset=utf-8"));
}

TEST(KvWordOutput, MarkdownHasTheDocumentsShapeAndItsSideTextsUnderHeadings) {
  TTempDir dir;
  const std::string styles =
      "<w:styles xmlns:w=\"w\"><w:style w:type=\"paragraph\" w:styleId=\"H\"><w:name w:val=\"heading 1\"/>"
      "</w:style></w:styles>";
  ZipBuilder zip;
  zip.AddDeflated("word/document.xml",
                  "<w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body>"
                  "<w:p><w:pPr><w:pStyle w:val=\"H\"/></w:pPr><w:r><w:t>Fish # Chips</w:t></w:r></w:p>"
                  "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Fried </w:t></w:r>"
                  "<w:r><w:t>1. daily</w:t></w:r></w:p>"
                  "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rH\"/></w:sectPr></w:body></w:document>");
  zip.AddDeflated("word/styles.xml", styles);
  zip.AddDeflated("word/header1.xml", "<w:hdr xmlns:w=\"w\"><w:p><w:r><w:t>Menu</w:t></w:r></w:p></w:hdr>");
  zip.AddDeflated("word/_rels/document.xml.rels",
                  "<Relationships xmlns=\"x\"><Relationship Id=\"rS\" Type=\"http://x/styles\" Target=\"styles.xml\"/>"
                  "<Relationship Id=\"rH\" Type=\"http://x/header\" Target=\"header1.xml\"/></Relationships>");
  zip.AddDeflated("docProps/core.xml",
                  "<cp:coreProperties xmlns:cp=\"c\" xmlns:dc=\"d\"><dc:title>Say \"hi\"</dc:title></cp:coreProperties>");
  const std::string file = dir.Write("menu.docx", zip.Bytes());
  const TProcessResult run = RunKvWord({"--format=markdown", "--all", "--front-matter", "--lf", file});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out,
            "---\ntitle: \"Say \\\"hi\\\"\"\n---\n\n# Fish # Chips\n\n**Fried** 1. daily\n\n## Headers\n\nMenu\n");
  // CR LF by default, the summary as a list.
  const TProcessResult crlf = RunKvWord({"--format=markdown", "--summary", file});
  EXPECT_THAT(crlf.Out, testing::StartsWith("# Fish # Chips\r\n\r\n"));
  EXPECT_THAT(crlf.Out, testing::HasSubstr("\r\n## Summary\r\n\r\n- Title: Say \"hi\"\r\n"));
  const std::string doc = dir.Write("sample.doc", Sample("sample.doc"));
  const TProcessResult plain = RunKvWord({"--format=markdown", "--lf", doc});
  ASSERT_EQ(plain.ExitCode, 0) << plain.Err;
  EXPECT_THAT(plain.Out, testing::HasSubstr("caf\xC3\xA9"));
  EXPECT_EQ(plain.Out.find("\n\n\n"), std::string::npos);
  // A .doc describes its own shape: headings, tables and notes come through.
  const TProcessResult shapes =
      RunKvWord({"--format=markdown", "--lf", (kvtest::TestDataDir() / "markdown" / "shapes.doc").string()});
  ASSERT_EQ(shapes.ExitCode, 0) << shapes.Err;
  EXPECT_THAT(shapes.Out, testing::StartsWith("# The shapes of a document\n\n"));
  EXPECT_THAT(shapes.Out, testing::HasSubstr("\n| alpha | 1 | first |\n"));
  EXPECT_THAT(shapes.Out, testing::HasSubstr("\n[^1]: The first note.\n"));
  EXPECT_EQ(RunKvWord({"--format=markdown", "--view=stored", file}).ExitCode, 2);
}

// The same file gives the same dates on every machine: a .docx date with an offset
// is converted, one without is taken as UTC; .doc dates come back from local time.
TEST(KvWordOutput, SummaryDatesAreUtcOnEveryMachine) {
  TTempDir dir;
  const std::string core =
      "<cp:coreProperties xmlns:cp=\"c\" xmlns:dcterms=\"t\">"
      "<dcterms:created>2022-12-06T12:20:30+02:00</dcterms:created>"
      "<dcterms:modified>2022-12-07T08:00:00</dcterms:modified></cp:coreProperties>";
  const std::string docx = dir.Write("dated.docx", Docx(Paragraph("x"), core));
  for (const std::string zone : {"UTC", "Asia/Tokyo", "America/New_York"}) {
    SCOPED_TRACE(zone);
    setenv("TZ", zone.c_str(), 1);
    const TProcessResult run = RunKvWord({"--json", "--no-text", docx});
    const TProcessResult text = RunKvWord({"--summary", "--no-text", "--lf", docx});
    unsetenv("TZ");
    const json summary = json::parse(run.Out)["summary"];
    EXPECT_EQ(summary["Created"], "2022-12-06T10:20:30Z");
    EXPECT_EQ(summary["LastSaved"], "2022-12-07T08:00:00Z");
    EXPECT_THAT(text.Out, testing::HasSubstr("\nCreated: 2022-12-06T10:20:30Z\n"));
  }
}

// Runs kvword with standard error on a pseudo-terminal, and standard output on
// that same terminal or in a file; gives what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& Args, bool OutputToTerminal,
                          const std::string& OutputFile) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "no terminal";
  const std::string slave = ptsname(master);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (OutputToTerminal)
    posix_spawn_file_actions_addopen(&actions, 1, slave.c_str(), O_RDWR | O_NOCTTY, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 1, OutputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  posix_spawn_file_actions_addopen(&actions, 2, slave.c_str(), O_RDWR | O_NOCTTY, 0);
  std::vector<std::string> args{KVWORD_CLI_PATH};
  args.insert(args.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  std::string seen;
  if (spawned == 0) {
    char buffer[4096];
    // Read while the child runs, so that a full terminal never blocks it; the
    // terminal reports an error once the child has closed its side.
    for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;) seen.append(buffer, size_t(got));
    int status = 0;
    waitpid(pid, &status, 0);
  }
  close(master);
  return seen;
}

TEST(KvWordOutput, ProgressLineNeverLandsInTextOnTheSameTerminal) {
  TTempDir dir;
  std::vector<std::string> args{"-j", "1"};
  for (int i = 0; i < 3; ++i)
    args.push_back(dir.Write("s" + std::to_string(i) + ".docx", Sample("sample.docx")));
  const std::string file = (dir.Path() / "out.txt").string();
  const std::string toFile = RunOnTerminal(args, false, file);
  EXPECT_THAT(toFile, testing::HasSubstr("3/3 files"));  // the progress line is drawn
  const std::string shared = RunOnTerminal(args, true, file);
  EXPECT_THAT(shared, testing::HasSubstr("kvword sample document"));
  EXPECT_THAT(shared, testing::Not(testing::HasSubstr("files/s")));
}

TEST(KvWordOutput, MaxLengthKeepsCharactersWhole) {
  TTempDir dir;
  // "ab" and then a character of two code units: a limit of 3 falls inside it.
  const std::string file = dir.Write("emoji.docx", Docx(Paragraph("ab\xF0\x9F\x98\x80")));
  const TProcessResult run = RunKvWord({"--max-length=3", "--json", file});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(json::parse(run.Out)["text"], "ab\r\n");
  EXPECT_EQ(json::parse(RunKvWord({"--max-length=4", "--json", file}).Out)["text"],
            "ab\xF0\x9F\x98\x80\r\n");
}

// Text in an encoding the tool cannot decode is read as before, but not as
// success alone: standard error names the encoding, and so does the JSON line;
// where the bytes are plain ASCII, or the encoding is known, nothing is said.
// Worker processes (--timeout) pass the warning on.
TEST(KvWordOutput, UndecodableEncodingsAreNamed) {
  ZipBuilder chunked;
  chunked.AddDeflated("word/document.xml",
                      "<w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body><w:altChunk r:id=\"c\"/></w:body></w:document>");
  chunked.AddDeflated("word/_rels/document.xml.rels",
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"c\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                      "relationships/aFChunk\" Target=\"c.htm\"/></Relationships>");
  chunked.AddDeflated("word/c.htm", "<html><head><meta charset=\"koi8-r\"></head><body><p>\xF0\xD2\xC9</p></body></html>");
  const struct {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Named;
  } cases[] = {
      {"cp20127.rtf", "{\\rtf1\\ansi\\ansicpg20127 caf\\'e9}", {"cp20127"}},
      {"pc.rtf", "{\\rtf1\\pc caf\\'82}", {"cp437"}},
      {"ascii.rtf", "{\\rtf1\\ansi\\ansicpg20127 cafe}", {}},
      {"cyrillic.rtf", "{\\rtf1\\ansi\\ansicpg1251 \\'e0}", {}},
      {"koi8.htm", "<html><head><meta charset=\"koi8-r\"></head><body><p>\xF0\xD2\xC9</p></body></html>", {"koi8-r"}},
      {"known.htm", "<html><head><meta charset=\"windows-1251\"></head><body><p>\xE0</p></body></html>", {}},
      {"chunk.docx", chunked.Bytes(), {"koi8-r"}},
  };
  TTempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = dir.Write(c.Name, c.Bytes);
    const TProcessResult text = RunKvWord({file});
    EXPECT_EQ(text.ExitCode, 0) << text.Err;
    const TProcessResult line = RunKvWord({"--json", file});
    ASSERT_EQ(line.ExitCode, 0) << line.Err;
    const json object = json::parse(line.Out);
    if (c.Named.empty()) {
      EXPECT_EQ(text.Err, "");
      EXPECT_FALSE(object.contains("undecodableEncodings"));
    } else {
      EXPECT_EQ(text.Err, "kvword: " + file + ": cannot decode " + c.Named[0] + "; the text in it may be wrong\n");
      EXPECT_EQ(object["undecodableEncodings"], json(c.Named));
    }
    // Read in a worker process (--timeout), the warning comes back with the text.
    const TProcessResult timed = RunKvWord({"--timeout=30", file});
    EXPECT_EQ(timed.Err, text.Err);
    EXPECT_EQ(timed.Out, text.Out);
  }
}

// A limit the text stays within changes nothing, in either view and for the
// documents read paragraph by paragraph as for those read whole; one that cuts
// leaves no line end of its own behind.
TEST(KvWordOutput, MaxLengthAddsNoLines) {
  TTempDir dir;
  const std::string docx = dir.Write("three.docx", Docx(Paragraph("one") + "<w:p/>" + Paragraph("three")));
  const std::string doc = dir.Write("sample.doc", Sample("sample.doc"));
  for (const std::string& file : {docx, doc}) {
    for (const std::string view : {"--view=shown", "--view=stored"}) {
      SCOPED_TRACE(file + " " + view);
      const std::string whole = RunKvWord({view, "--lf", file}).Out;
      EXPECT_EQ(RunKvWord({view, "--lf", "--max-length=100000", file}).Out, whole);
    }
  }
  EXPECT_EQ(RunKvWord({"--lf", "--max-length=100000", docx}).Out, "one\n\nthree\n");
  EXPECT_EQ(RunKvWord({"--lf", "--max-length=6", docx}).Out, "one\n\n");
  EXPECT_EQ(RunKvWord({"--lf", "--max-length=4", docx}).Out, "one\n");
}

TEST(KvWordOutput, HelpAndVersionReportAWriteError) {
  for (const std::string option : {"--help", "--version"}) {
    SCOPED_TRACE(option);
    const std::string command = std::string(KVWORD_CLI_PATH) + " " + option + " > /dev/full 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
  }
}

// --language is a default: it decides the code page of documents that name no
// language, and leaves a named language alone.
TEST(KvWordOutput, LanguageIsADefaultForDocumentsThatNameNone) {
  TTempDir dir;
  // A Word 6 document: its 8-bit text is decoded in the code page of its language.
  auto doc = [&](const std::string& name, uint16_t language) {
    const std::string text = "\xCF\xF0\xE8\xE2\xE5\xF2\r";  // "Привет" in Windows-1251
    ByteWriter main;
    main.U16(0xA5EC).U16(101).U16(0).U16(language).PadTo(24).U32(0x300);
    main.U32(0x300 + uint32_t(text.size())).PadTo(0x300).Raw(text).PadTo(0x400);
    return dir.Write(name, CompoundFileBuilder().AddStream(u"WordDocument", main.Bytes()).Bytes());
  };
  const std::string none = doc("none.doc", 0x0000), english = doc("english.doc", 0x0409);
  const std::string cyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
  const std::string latin = "\xC3\x8F\xC3\xB0\xC3\xA8\xC3\xA2\xC3\xA5\xC3\xB2";
  struct Case {
    std::string file;
    std::vector<std::string> options;
    std::string text;
  };
  const Case cases[] = {{none, {}, latin},
                        {none, {"--language=0x0419"}, cyrillic},
                        {english, {"--language=1049"}, latin}};
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--json", c.file});
    const TProcessResult run = RunKvWord(args);
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_THAT(json::parse(run.Out)["text"].get<std::string>(), testing::HasSubstr(c.text))
        << c.file;
  }
}

// A .doc file made of the streams FormattedDocBuilder gives.
std::string DocFile(const FormattedDocBuilder& Builder) {
  const auto [main, table] = Builder.Streams();
  return CompoundFileBuilder().AddStream(u"WordDocument", main).AddStream(u"1Table", table).Bytes();
}

std::string Sprm8(uint16_t Opcode, uint8_t Value) { return ByteWriter().U16(Opcode).U8(Value).Bytes(); }

TEST(KvWordOutput, TheShownViewIsTheDefaultAndTheStoredViewAnOption) {
  // A list of one decimal level; three list paragraphs.
  ByteWriter lst, lfo;
  lst.U16(1).U32(77).U32(0);
  for (int i = 0; i < 9; ++i) lst.U16(0x0FFF);
  lst.U8(0).U8(0);
  for (int i = 0; i < 9; ++i)
    lst.U32(1).U8(0).U8(0).Fill(9).U8(0).U32(0).U32(0).U8(0).U8(0).U8(0).U8(0).U16(2).U16(uint16_t(i)).U16(u'.');
  lfo.U32(1).U32(77).U32(0).U32(0).U8(0).U8(0).U8(0).U8(0);
  FormattedDocBuilder list(u"A\rB\rC\r");
  list.Para(0, 6, 0, ByteWriter().U16(0x460B).U16(1).Bytes())
      .TableData(FormattedDocBuilder::pairPlfLst, lst.Bytes())
      .TableData(FormattedDocBuilder::pairPlfLfo, lfo.Bytes());
  // A numbered footnote.
  const std::u16string noteMain = u"See\x02 it.\r";
  FormattedDocBuilder note(noteMain, u"\x02 The note.\r\r");
  note.TableData(FormattedDocBuilder::pairPlcffndRef,
                 ByteWriter().U32(3).U32(uint32_t(noteMain.size())).U16(1).Bytes())
      .TableData(FormattedDocBuilder::pairPlcffndTxt, ByteWriter().U32(0).U32(12).U32(13).Bytes());
  // Hidden text, and a deletion and an insertion tracked.
  FormattedDocBuilder hidden(u"Seen hidden seen\r");
  hidden.Chars(5, 12, Sprm8(0x083C, 1));
  FormattedDocBuilder revised(u"Keep old new end\r");
  revised.Chars(5, 9, Sprm8(0x0800, 1)).Chars(9, 13, Sprm8(0x0801, 1));

  struct TCase {
    const char* Name;
    const FormattedDocBuilder& Doc;
    std::vector<std::string> Options;
    std::string Main;  // the main text (the stored view's inside its frame of empty lines)
    std::string After = {};
  };
  const std::vector<TCase> cases = {
      {"list labels", list, {}, "1.\tA\r\n2.\tB\r\n3.\tC\r\n"},
      {"stored: no labels", list, {"--view=stored"}, "A\r\nB\r\nC\r\n"},
      {"note mark, the note apart", note, {"--footnotes"}, "See[1] it.\r\n", "--- footnotes ---\r\n[1] The note.\r\n"},
      {"stored: the note in the main text", note, {"--view=stored"}, "See it.\r\n The note.\r\n\r\n"},
      {"hidden text left out", hidden, {}, "Seen seen\r\n"},
      {"hidden text asked for", hidden, {"--hidden-text"}, "Seen hidden seen\r\n"},
      {"changes accepted", revised, {}, "Keep new end\r\n"},
      {"changes rejected", revised, {"--revisions=reject"}, "Keep old end\r\n"},
      {"changes marked", revised, {"--revisions=mark"}, "Keep -old +new end\r\n"},
  };
  TTempDir dir;
  for (const TCase& c : cases) {
    const std::string file = dir.Write("shown.doc", DocFile(c.Doc));
    std::vector<std::string> args = c.Options;
    args.push_back(file);
    const TProcessResult run = RunKvWord(args);
    EXPECT_EQ(run.ExitCode, 0) << c.Name << ": " << run.Err;
    // The stored view frames the main text with empty lines; the shown view does not.
    const bool stored = std::find(args.begin(), args.end(), "--view=stored") != args.end();
    EXPECT_EQ(run.Out, stored ? "\r\n" + c.Main + "\r\n\r\n" + c.After : c.Main + c.After) << c.Name;
  }
}


}  // namespace
}  // namespace kvtest
