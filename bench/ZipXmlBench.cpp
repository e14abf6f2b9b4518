// Zip and XML benchmarks, on a generated word/document.xml-like part (about 32 MB of
// paragraphs, runs, properties, bookmarks and tables; some text outside ASCII):
//   BM_XmlParseBody        the XML engine with handlers like the body conversion's
//                          (most elements refused, text taken from w:t, each paragraph
//                          freed when it closes); XML bytes per second
//   BM_ZlibInflate         zlib's raw inflate of the same part deflated, into a buffer
//                          of the right size; XML bytes (output) per second
//   BM_LibdeflateInflate   libdeflate's whole-buffer inflate of the same data, as the
//                          reader inflates sound entries
//   BM_ZipExtract          TZipArchive::GetUncompressed of the entry (inflate + CRC)
//   BM_ZipExtractAndParse  extraction and the parse above, one after the other
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "msword/KvWXML.h"
#include "msword/KvWZipFile.h"
#include "msword/base/LittleEndian.h"
#include "BenchText.h"
#include "msword/base/Streams.h"

using namespace msword;

namespace {

std::string GenerateDocument(size_t TargetSize) {
  std::mt19937 rng(7);
  const std::vector<std::string> words = kvbench::MakeVocabulary(rng);
  auto sentence = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
      if (i) s += ' ';
      s += words[rng() % words.size()];
    }
    return s;
  };
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\" "
      "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" mc:Ignorable=\"w14 wp14\"><w:body>";
  auto run = [&](bool bold) {
    std::string r = "<w:r w:rsidRPr=\"00A1B2C3\"><w:rPr><w:rFonts w:ascii=\"Calibri\" w:hAnsi=\"Calibri\" "
                    "w:cs=\"Arial\"/>";
    if (bold) r += "<w:b/><w:bCs/>";
    r += "<w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/><w:lang w:val=\"en-GB\"/></w:rPr><w:t xml:space=\"preserve\">" +
         sentence(3 + int(rng() % 12)) + " </w:t></w:r>";
    return r;
  };
  auto paragraph = [&]() {
    std::string p = "<w:p w:rsidR=\"00C4D5E6\" w:rsidRDefault=\"00C4D5E6\" w:rsidP=\"00F7A8B9\"><w:pPr>"
                    "<w:pStyle w:val=\"BodyText\"/><w:spacing w:before=\"120\" w:after=\"120\" w:line=\"276\" "
                    "w:lineRule=\"auto\"/><w:jc w:val=\"both\"/><w:rPr><w:lang w:val=\"en-GB\"/></w:rPr></w:pPr>";
    if (rng() % 4 == 0) p += "<w:bookmarkStart w:id=\"" + std::to_string(rng() % 1000) + "\" w:name=\"_Toc1\"/>";
    const int runs = 1 + int(rng() % 5);
    for (int i = 0; i < runs; ++i) {
      p += run(rng() % 3 == 0);
      if (rng() % 6 == 0) p += "<w:proofErr w:type=\"spellStart\"/>";
      if (rng() % 8 == 0) p += "<w:r><w:tab/></w:r>";
    }
    p += "</w:p>\r\n";
    return p;
  };
  while (xml.size() < TargetSize) {
    if (rng() % 20 == 0) {
      xml += "<w:tbl><w:tblPr><w:tblStyle w:val=\"TableGrid\"/><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr>"
             "<w:tblGrid><w:gridCol w:w=\"4508\"/><w:gridCol w:w=\"4508\"/></w:tblGrid>";
      for (int r = 0; r < 3; ++r) {
        xml += "<w:tr w:rsidR=\"00AB12CD\">";
        for (int c = 0; c < 2; ++c)
          xml += "<w:tc><w:tcPr><w:tcW w:w=\"4508\" w:type=\"dxa\"/></w:tcPr>" + paragraph() + "</w:tc>";
        xml += "</w:tr>";
      }
      xml += "</w:tbl>";
    } else {
      xml += paragraph();
    }
  }
  xml += "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>";
  return xml;
}

const std::string& Document() {
  static const std::string xml = GenerateDocument(32u << 20);
  return xml;
}

std::string RawDeflate(const std::string& In) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, uLong(In.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(In.data()));
  zs.avail_in = uInt(In.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// A one-entry zip of the part, deflated.
const std::string& Package() {
  static const std::string zip = [] {
    const std::string& xml = Document();
    const std::string data = RawDeflate(xml);
    const std::string name = "word/document.xml";
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(xml.data()), uInt(xml.size())));
    auto header = [&](bool central) {
      std::string h(central ? 46 : 30, '\0');
      auto* p = reinterpret_cast<uint8_t*>(h.data());
      PutU32(p, central ? CENTRAL_FILE_HEADER_SIGNATURE : LOCAL_FILE_HEADER_SIGNATURE);
      uint8_t* c = p + (central ? 6 : 4);
      PutU16(c + 4, 8);
      PutU32(c + 10, crc);
      PutU32(c + 14, uint32_t(data.size()));
      PutU32(c + 18, uint32_t(xml.size()));
      PutU16(c + 22, uint16_t(name.size()));
      return h + name;
    };
    std::string zip = header(false) + data;
    const uint32_t centralStart = uint32_t(zip.size());
    zip += header(true);
    std::string end(22, '\0');
    auto* e = reinterpret_cast<uint8_t*>(end.data());
    PutU32(e, END_OF_CENTRAL_DIR_SIGNATURE);
    PutU16(e + 8, 1);
    PutU16(e + 10, 1);
    PutU32(e + 12, uint32_t(zip.size()) - centralStart);
    PutU32(e + 16, centralStart);
    return zip + end;
  }();
  return zip;
}

// Handlers in the manner of the body conversion (plain text).
struct BodyHandlers {
  std::vector<std::u16string> Lines;
  std::u16string Line;
  void Attach(TKvXMLEngine& Engine) {
    Engine.SetOnTag([this](TObject*, TKvXMLItem* Parent, const std::u16string& Name, const std::u16string& Value,
                           const std::u16string&, bool& Accept) {
      if (Name == u"w:p") {
        Line.clear();
      } else if (Name == u"w:t" || Name == u"w:delText") {
        Accept = false;
        std::u16string text = Value;
        ReplaceHTMLChars(text);
        Line += text;
      } else {
        static const std::u16string_view kAccepted[] = {
            u"w:document", u"w:body", u"w:r", u"w:rPr", u"w:pPr", u"w:tab", u"w:br", u"w:hyperlink",
            u"w:tbl", u"w:tr", u"w:tc", u"w:del", u"w:ins", u"w:smartTag", u"!--"};
        Accept = false;
        for (std::u16string_view a : kAccepted)
          if (Name == a) Accept = true;
        if (SameStrings(false, Parent->TagName(), u"?xml")) Accept = true;
      }
    });
    Engine.SetOnAfterTag([this](TObject*, TKvXMLItem*& Node, bool&) {
      const std::u16string& name = Node->TagName();
      if (name == u"w:p") {
        Lines.push_back(std::move(Line));
        Line.clear();
      } else if (name == u"w:tab") {
        Line += u'\t';
      } else if (name != u"w:br") {
        return;
      }
      delete Node;
      Node = nullptr;
    });
  }
};

size_t Parse(const std::string& Xml) {
  TKvXMLEngine engine(nullptr);
  BodyHandlers handlers;
  handlers.Attach(engine);
  TCustomMemoryStream stream(Xml.data(), Xml.size());
  engine.LoadFromStream(0, &stream);
  return handlers.Lines.size();
}

}  // namespace

static void BM_XmlParseBody(benchmark::State& state) {
  const std::string& xml = Document();
  size_t lines = 0;
  for (auto _ : state) lines = Parse(xml);
  state.counters["paragraphs"] = double(lines);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(BM_XmlParseBody)->Unit(benchmark::kMillisecond);

static void BM_ZlibInflate(benchmark::State& state) {
  const std::string& xml = Document();
  const std::string data = RawDeflate(xml);
  std::string out(xml.size(), '\0');
  for (auto _ : state) {
    z_stream zs{};
    inflateInit2(&zs, -MAX_WBITS);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

static void BM_LibdeflateInflate(benchmark::State& state) {
  const std::string& xml = Document();
  const std::string data = RawDeflate(xml);
  std::string out(xml.size(), '\0');
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    size_t produced = 0;
    libdeflate_deflate_decompress(decompressor, data.data(), data.size(), out.data(), out.size(), &produced);
    benchmark::DoNotOptimize(out.data());
  }
  libdeflate_free_decompressor(decompressor);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}
BENCHMARK(BM_LibdeflateInflate)->Unit(benchmark::kMillisecond);

static void BM_ZipExtract(benchmark::State& state) {
  const std::string& zip = Package();
  TCustomMemoryStream stream(zip.data(), zip.size());
  TZipArchive archive(nullptr);
  archive.LoadFromStream(&stream);
  for (auto _ : state) benchmark::DoNotOptimize(archive.GetUncompressed(0));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Document().size()));
}
BENCHMARK(BM_ZipExtract)->Unit(benchmark::kMillisecond);

static void BM_ZipExtractAndParse(benchmark::State& state) {
  const std::string& zip = Package();
  for (auto _ : state) {
    TCustomMemoryStream stream(zip.data(), zip.size());
    TZipArchive archive(nullptr);
    archive.LoadFromStream(&stream);
    const std::string xml = archive.GetUncompressed(archive.GetIndexByFileName(u"word/document.xml"));
    benchmark::DoNotOptimize(Parse(xml));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Document().size()));
}
BENCHMARK(BM_ZipExtractAndParse)->Unit(benchmark::kMillisecond);
