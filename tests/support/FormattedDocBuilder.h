// Builds the streams of a small Word 97 document with formatting for test fixtures:
// the stories' text as one UTF-16 piece, character and paragraph property pages in
// the main stream, and any further tables (style sheet, fonts, lists, notes,
// headers) in the table stream, each named in the header by its offset/length pair.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/ByteWriter.h"

namespace kvtest {

class FormattedDocBuilder {
 public:
  static constexpr uint32_t TextStart = 1024;
  // Offset/length pairs of the header by their index from byte 154 on.
  enum : size_t {
    pairStshf = 1, pairPlcffndRef = 2, pairPlcffndTxt = 3, pairPlcfandRef = 4, pairPlcfandTxt = 5,
    pairPlcfhdd = 11, pairBteChpx = 12, pairBtePapx = 13, pairSttbfffn = 15, pairDop = 31, pairClx = 33,
    pairPlcfendRef = 46, pairPlcfendTxt = 47, pairPlcftxbxTxt = 56, pairPlcfHdrtxbxTxt = 58, pairPlfLst = 73,
    pairPlfLfo = 74
  };

  // The stories in their order: main text, footnotes, headers, annotations, endnotes,
  // text boxes.
  explicit FormattedDocBuilder(std::u16string Main, std::u16string Footnotes = {}, std::u16string Headers = {},
                               std::u16string Annotations = {}, std::u16string Endnotes = {},
                               std::u16string TextBoxes = {}) {
    FCounts = {uint32_t(Main.size()), uint32_t(Footnotes.size()), uint32_t(Headers.size()), 0,
               uint32_t(Annotations.size()), uint32_t(Endnotes.size()), uint32_t(TextBoxes.size()), 0};
    FText = Main + Footnotes + Headers + Annotations + Endnotes + TextBoxes;
    FTable.PadTo(64);  // the piece table goes to the front later
  }

  // Character properties Grpprl for the positions [First, Lim).
  FormattedDocBuilder& Chars(uint32_t First, uint32_t Lim, std::string Grpprl) {
    FChars.push_back({First, Lim, 0, std::move(Grpprl)});
    return *this;
  }
  // Paragraph style Istd and properties Grpprl for the paragraphs whose marks lie in
  // [First, Lim).
  FormattedDocBuilder& Para(uint32_t First, uint32_t Lim, uint16_t Istd, std::string Grpprl = {}) {
    FParas.push_back({First, Lim, Istd, std::move(Grpprl)});
    return *this;
  }
  // Bytes placed in the table stream and named by the header's pair Pair.
  FormattedDocBuilder& TableData(size_t Pair, std::string_view Bytes) {
    FPairs.push_back({Pair, uint32_t(FTable.Size()), uint32_t(Bytes.size())});
    FTable.Raw(Bytes);
    if (FTable.Size() & 1) FTable.U8(0);
    return *this;
  }

  std::string Table() const {
    ByteWriter clx;
    clx.U8(2).U32(4 + 12).U32(0).U32(uint32_t(FText.size())).U8(0).U8(0).U32(TextStart).U16(0);
    std::string table = FTable.Bytes();
    assert(clx.Size() <= 64);
    table.replace(0, clx.Size(), clx.Bytes());
    return table;
  }

  std::string Main() const {
    ByteWriter main;
    main.PadTo(TextStart);
    main.PutU16At(0, 0xA5EC).PutU16At(2, 193).PutU16At(6, 0x0409);
    main.PutU16At(10, 0x0200);  // the piece table is in a table stream
    main.PutU32At(24, TextStart).PutU32At(28, TextStart + 2 * uint32_t(FText.size()));
    for (size_t i = 0; i < FCounts.size(); ++i) main.PutU32At(76 + 4 * i, FCounts[i]);
    main.PutU16At(152, 93);
    auto pair = [&main](size_t index, uint32_t fc, uint32_t lcb) {
      main.PutU32At(154 + 8 * index, fc).PutU32At(158 + 8 * index, lcb);
    };
    pair(pairClx, 0, 21);
    for (const auto& p : FPairs) pair(p.Index, p.Fc, p.Lcb);
    main.Utf16(FText);
    main.PadTo((main.Size() + 511) / 512 * 512);
    main.Raw(Page(Runs(FChars), false));
    main.Raw(Page(Runs(FParas), true));
    return main.Bytes();
  }

  // The table stream with the two bin tables appended and the main stream whose
  // header names them.
  std::pair<std::string, std::string> Streams() const {
    std::string table = Table();
    std::string main = Main();
    const uint32_t fcLim = TextStart + 2 * uint32_t(FText.size());
    const uint32_t chpPn = uint32_t((TextStart + 2 * FText.size() + 511) / 512);
    ByteWriter bins;
    bins.U32(TextStart).U32(fcLim).U32(chpPn);
    const uint32_t chpAt = uint32_t(table.size());
    table += bins.Bytes();
    ByteWriter papBins;
    papBins.U32(TextStart).U32(fcLim).U32(chpPn + 1);
    const uint32_t papAt = uint32_t(table.size());
    table += papBins.Bytes();
    ByteWriter header;
    header.Raw(main);
    header.PutU32At(154 + 8 * pairBteChpx, chpAt).PutU32At(158 + 8 * pairBteChpx, 12);
    header.PutU32At(154 + 8 * pairBtePapx, papAt).PutU32At(158 + 8 * pairBtePapx, 12);
    return {header.Bytes(), table};
  }

 private:
  struct TRun {
    uint32_t First, Lim;
    uint16_t Istd;
    std::string Grpprl;
  };
  struct TPair {
    size_t Index;
    uint32_t Fc, Lcb;
  };

  // The runs in order with the gaps between them filled by runs without properties.
  std::vector<TRun> Runs(std::vector<TRun> given) const {
    std::vector<TRun> runs;
    uint32_t cp = 0;
    const uint32_t total = uint32_t(FText.size());
    std::sort(given.begin(), given.end(), [](const TRun& a, const TRun& b) { return a.First < b.First; });
    for (TRun& run : given) {
      if (run.First > cp) runs.push_back({cp, run.First, 0, {}});
      cp = run.Lim;
      runs.push_back(std::move(run));
    }
    if (cp < total) runs.push_back({cp, total, 0, {}});
    return runs;
  }

  // One 512-byte page of character (Paragraphs false) or paragraph runs.
  static std::string Page(const std::vector<TRun>& Runs, bool Paragraphs) {
    std::string page(512, '\0');
    auto put32 = [&page](size_t at, uint32_t v) {
      for (int k = 0; k < 4; ++k) page[at + k] = char(v >> (8 * k));
    };
    const size_t n = Runs.size();
    const size_t entry = Paragraphs ? 13 : 1;
    for (size_t i = 0; i < n; ++i) put32(4 * i, TextStart + 2 * Runs[i].First);
    put32(4 * n, TextStart + 2 * (n ? Runs[n - 1].Lim : 0));
    size_t free = 511;  // properties are placed from the end of the page down
    for (size_t i = 0; i < n; ++i) {
      std::string props;
      if (Paragraphs) {
        std::string body;
        body += char(Runs[i].Istd & 0xFF);
        body += char(Runs[i].Istd >> 8);
        body += Runs[i].Grpprl;
        if (body.size() % 2 == 1) props = std::string(1, char((body.size() + 1) / 2)) + body;
        else props = std::string(1, '\0') + std::string(1, char(body.size() / 2)) + body;
      } else {
        if (Runs[i].Grpprl.empty()) continue;
        props = std::string(1, char(Runs[i].Grpprl.size())) + Runs[i].Grpprl;
      }
      free -= props.size();
      free &= ~size_t(1);
      assert(free > 4 * (n + 1) + entry * n);
      page.replace(free, props.size(), props);
      page[4 * (n + 1) + entry * i] = char(free / 2);
    }
    page[511] = char(n);
    return page;
  }

  std::u16string FText;
  std::vector<uint32_t> FCounts;
  std::vector<TRun> FChars, FParas;
  ByteWriter FTable;
  std::vector<TPair> FPairs;
};

}  // namespace kvtest
