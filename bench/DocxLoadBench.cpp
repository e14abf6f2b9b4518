// The ".docx" reader on a generated package whose word/document.xml is about 32 MB
// (paragraphs with styled runs, tables, hyperlinks, content controls, text boxes,
// revisions, a header, a footer and footnotes; some text outside ASCII):
//   BM_DocxLoadPlainText  TMSWordXDocument::LoadFromStream from memory: the package
//                         read, every part inflated and converted; bytes of
//                         document.xml per second
//   BM_DocxLoadHTML       the same load with HTML output
//   BM_DocxConvertPart    LoadXMLFilePart on the already inflated document.xml: the
//                         body conversion with the XML engine, without zip and zlib
#include <benchmark/benchmark.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchText.h"
#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "support/ZipBuilder.h"

using namespace msword;

namespace {

std::string GenerateBody(size_t TargetSize) {
  std::mt19937 rng(11);
  const std::vector<std::string> words = kvbench::MakeVocabulary(rng);
  auto sentence = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += words[rng() % words.size()];
    }
    if (rng() % 10 == 0) s += " &amp; co";
    return s;
  };
  auto run = [&]() {
    std::string r = "<w:r w:rsidRPr=\"00A1B2C3\"><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\"/>";
    if (rng() % 3 == 0) r += "<w:b/><w:bCs/>";
    r += "<w:sz w:val=\"22\"/><w:lang w:val=\"en-GB\"/></w:rPr><w:t xml:space=\"preserve\">" +
         sentence(3 + int(rng() % 12)) + " </w:t></w:r>";
    return r;
  };
  std::function<std::string(bool)> paragraph = [&](bool inBox) {
    std::string p = "<w:p w:rsidR=\"00C4D5E6\" w:rsidRDefault=\"00C4D5E6\"><w:pPr><w:pStyle w:val=\"BodyText\"/>"
                    "<w:spacing w:before=\"120\" w:after=\"120\"/><w:jc w:val=\"both\"/></w:pPr>";
    const int runs = 1 + int(rng() % 5);
    for (int i = 0; i < runs; ++i) {
      p += run();
      switch (rng() % 24) {
        case 0: p += "<w:r><w:tab/></w:r>"; break;
        case 1: p += "<w:hyperlink r:id=\"rId20\" w:history=\"1\">" + run() + "</w:hyperlink>"; break;
        case 2: p += "<w:ins w:id=\"5\" w:author=\"A\">" + run() + "</w:ins>"; break;
        case 3: p += "<w:r><w:footnoteReference w:id=\"1\"/></w:r>"; break;
        case 4: p += "<w:proofErr w:type=\"spellStart\"/>"; break;
        case 5:
          if (!inBox)
            p += "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:anchor><a:graphic>"
                 "<a:graphicData><wps:wsp><wps:txbx><w:txbxContent>" + paragraph(true) +
                 "</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing>"
                 "</mc:Choice><mc:Fallback><w:pict><v:shape><v:textbox><w:txbxContent>" + paragraph(true) +
                 "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>";
          break;
        default: break;
      }
    }
    return p + "</w:p>\r\n";
  };
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
  while (xml.size() < TargetSize) {
    switch (rng() % 25) {
      case 0:
        xml += "<w:tbl><w:tblPr><w:tblStyle w:val=\"TableGrid\"/></w:tblPr><w:tblGrid><w:gridCol w:w=\"4508\"/>"
               "</w:tblGrid>";
        for (int r = 0; r < 3; ++r) {
          xml += "<w:tr>";
          for (int c = 0; c < 2; ++c) xml += "<w:tc><w:tcPr><w:tcW w:w=\"4508\"/></w:tcPr>" + paragraph(false) + "</w:tc>";
          xml += "</w:tr>";
        }
        xml += "</w:tbl>";
        break;
      case 1:
        xml += "<w:sdt><w:sdtPr><w:alias w:val=\"c\"/></w:sdtPr><w:sdtContent>" + paragraph(false) +
               "</w:sdtContent></w:sdt>";
        break;
      default:
        xml += paragraph(false);
    }
  }
  return xml + "<w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId8\"/>"
               "<w:footerReference w:type=\"default\" r:id=\"rId9\"/></w:sectPr></w:body></w:document>";
}

const std::string& Body() {
  static const std::string xml = GenerateBody(32u << 20);
  return xml;
}

const std::string& Package() {
  static const std::string zip = [] {
    const std::string part = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    return kvtest::ZipBuilder()
        .AddDeflated("word/document.xml", Body())
        .AddDeflated("word/_rels/document.xml.rels",
                     part + "<Relationships><Relationship Id=\"rId8\" Target=\"header1.xml\"/>"
                            "<Relationship Id=\"rId9\" Target=\"footer1.xml\"/></Relationships>")
        .AddDeflated("word/header1.xml", part + "<w:hdr><w:p><w:r><w:t>Header</w:t></w:r></w:p></w:hdr>")
        .AddDeflated("word/footer1.xml", part + "<w:ftr><w:p><w:r><w:t>Footer</w:t></w:r></w:p></w:ftr>")
        .AddDeflated("word/footnotes.xml",
                     part + "<w:footnotes><w:footnote w:type=\"separator\" w:id=\"-1\"><w:p/></w:footnote>"
                            "<w:footnote w:id=\"1\"><w:p><w:r><w:t>Note</w:t></w:r></w:p></w:footnote></w:footnotes>")
        .AddDeflated("docProps/core.xml", part + "<cp:coreProperties><dc:title>Bench</dc:title></cp:coreProperties>")
        .Bytes();
  }();
  return zip;
}

void Load(benchmark::State& state, TMSTextFormating Format) {
  const std::string& zip = Package();
  size_t lines = 0;
  for (auto _ : state) {
    TMSWordXDocument doc(nullptr);
    doc.SetTextFormating(Format);
    TCustomMemoryStream stream(zip.data(), zip.size());
    doc.LoadFromStream(&stream);
    lines = size_t(doc.Text()->Count());
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = double(lines);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Body().size()));
}

}  // namespace

static void BM_DocxLoadPlainText(benchmark::State& state) { Load(state, tfPlainText); }
BENCHMARK(BM_DocxLoadPlainText)->Unit(benchmark::kMillisecond);

static void BM_DocxLoadHTML(benchmark::State& state) { Load(state, tfHTML); }
BENCHMARK(BM_DocxLoadHTML)->Unit(benchmark::kMillisecond);

static void BM_DocxConvertPart(benchmark::State& state) {
  const std::string& xml = Body();
  for (auto _ : state) {
    TMSWordXDocument doc(nullptr);
    TWideStrings lines;
    TCustomMemoryStream stream(xml.data(), xml.size());
    doc.LoadXMLFilePart(&stream, &lines);
    benchmark::DoNotOptimize(lines.Count());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(BM_DocxConvertPart)->Unit(benchmark::kMillisecond);
