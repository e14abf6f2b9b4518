// Binary Word text benchmarks:
//   BM_AddText/format     converting a generated 32 MB main text (UTF-16 words with
//                         paragraph marks, table cells and rows, PAGE and HYPERLINK
//                         fields, tabs) through TMSWordDocument::AddText in plain
//                         text (0), RTF (1) and HTML (2); input bytes per second
//   BM_ReadDocStreams     reading the same text from a main document stream through
//                         a piece table of 4096 alternating 16-bit and 8-bit pieces,
//                         then converting it, in the stored view (0) and the shown
//                         view (1, no property runs: the emission alone);
//                         main-stream bytes per second, and characters of text
//                         per second ("chars")
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "msword/base/LittleEndian.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"

using namespace msword;

namespace {

// About Units code units of document text.
std::u16string MakeMainText(size_t Units) {
  std::mt19937 rng(7);
  std::u16string text;
  text.reserve(Units + 256);
  const std::u16string words[] = {u"the", u"piece", u"table", u"Stra\u00DFe", u"\u0416\u0438\u0432",
                                  u"document", u"of", u"and", u"\u4E2D\u6587", u"field"};
  size_t sinceParagraph = 0;
  while (text.size() < Units) {
    const unsigned pick = rng() % 1000;
    if (pick < 10) {
      text += u"\u0013 PAGE \u0014" + std::u16string(1, char16_t(u'1' + rng() % 9)) + u"\u0015";
    } else if (pick < 13) {
      text += u"\u0013 HYPERLINK \"http://example.com/a\" \u0014example\u0015";
    } else if (pick < 25) {
      text += u"cell\u0007";
      if (pick < 16) text += u"\u0007";
    } else if (pick < 30) {
      text += u'\t';
    } else {
      text += words[rng() % std::size(words)];
      text += u' ';
    }
    if (++sinceParagraph > 12 + rng() % 30) {
      text += u'\r';
      sinceParagraph = 0;
    }
  }
  return text;
}

const std::u16string& MainText() {
  static const std::u16string text = MakeMainText(16 * 1024 * 1024);
  return text;
}

}  // namespace

static void BM_AddText(benchmark::State& state) {
  const std::u16string& text = MainText();
  TMSWordDocument doc(nullptr);
  doc.SetTextFormating(TMSTextFormating(state.range(0)));
  for (auto _ : state) {
    TWideStrings list;
    doc.AddText(text, &list);
    benchmark::DoNotOptimize(list.Lines().data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_AddText)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

static void BM_ReadDocStreams(benchmark::State& state) {
  const std::u16string& text = MainText();
  constexpr uint32_t kPieces = 4096;
  const uint32_t perPiece = uint32_t(text.size() / kPieces);
  // Header, then each piece's text: even pieces as UTF-16, odd ones as 8-bit where
  // their characters allow it.
  std::string main(1024, '\0');
  PutU16(reinterpret_cast<uint8_t*>(main.data()), 0xA5EC);
  PutU16(reinterpret_cast<uint8_t*>(main.data()) + 2, 193);
  std::string table;
  table.push_back(2);
  table.resize(5 + 4 * (kPieces + 1) + 8 * kPieces);
  auto* t = reinterpret_cast<uint8_t*>(table.data());
  PutU32(t + 1, 4 + 12 * kPieces);
  for (uint32_t i = 0; i < kPieces; ++i) {
    const std::u16string_view piece = std::u16string_view(text).substr(size_t(i) * perPiece, perPiece);
    bool narrow = i % 2 == 1;
    for (char16_t c : piece) narrow = narrow && c < 0x80;
    PutU32(t + 5 + 4 * i, i * perPiece);
    uint8_t* pcd = t + 5 + 4 * (kPieces + 1) + 8 * i;
    if (narrow) {
      PutU32(pcd + 2, 0x40000000u | uint32_t(main.size() * 2));
      for (char16_t c : piece) main.push_back(char(c));
    } else {
      PutU32(pcd + 2, uint32_t(main.size()));
      for (char16_t c : piece) {
        main.push_back(char(c));
        main.push_back(char(c >> 8));
      }
    }
  }
  PutU32(t + 5 + 4 * kPieces, kPieces * perPiece);
  auto* m = reinterpret_cast<uint8_t*>(main.data());
  PutU32(m + 24, 1024);
  PutU32(m + 28, uint32_t(main.size()));
  PutU32(m + 76, kPieces * perPiece);
  PutU32(m + 422, uint32_t(table.size()));
  for (auto _ : state) {
    state.PauseTiming();
    TMemoryStream mainStream(main), tableStream(table);
    TMSWordDocument doc(nullptr);
    doc.SetView(state.range(0) == 1 ? vwShown : vwStored);
    state.ResumeTiming();
    doc.ReadDocStreams(&mainStream, &tableStream);
    benchmark::DoNotOptimize(doc.Text()->Lines().data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(main.size()));
  state.counters["chars"] =
      benchmark::Counter(double(kPieces) * perPiece * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadDocStreams)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
