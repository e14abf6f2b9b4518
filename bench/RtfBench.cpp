// RTF reader benchmark:
//   BM_LoadRtf   reading a generated RTF document of about 16 MB (a font and colour
//                table, paragraphs of words with bold and italic groups, \'xx and
//                \uN escapes for the text outside ASCII, PAGE fields, tabs and a
//                footnote now and then) through TMSRtfDocument::LoadFromBytes; RTF
//                bytes per second, and the characters of text read per second
//                ("chars"), to set beside BM_ReadDocStreams
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "msword/rtf/RtfDocument.h"

using namespace msword;

namespace {

std::string MakeRtf(size_t Bytes) {
  std::mt19937 rng(11);
  std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
      "{\\f1\\fswiss\\fcharset204 Arial;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}"
      "{\\info{\\title Benchmark}{\\author kvword}}\\pard\\plain\\f0\\fs24 ";
  const char* words[] = {"the", "piece", "table", "Stra\\'dfe", "\\u1046?\\u1080?\\u1074?",
                         "document", "of", "and", "\\u20013?\\u25991?", "field"};
  size_t sinceParagraph = 0;
  while (rtf.size() < Bytes) {
    const unsigned pick = rng() % 1000;
    if (pick < 10) {
      rtf += "{\\field{\\*\\fldinst PAGE }{\\fldrslt 1}}";
    } else if (pick < 14) {
      rtf += "{\\b bold words} ";
    } else if (pick < 18) {
      rtf += "{\\i\\cf2 italic} ";
    } else if (pick < 20) {
      rtf += "\\tab ";
    } else if (pick < 21) {
      rtf += "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} A note of a few words.}";
    } else {
      rtf += words[rng() % std::size(words)];
      rtf += ' ';
    }
    if (++sinceParagraph > 12 + rng() % 30) {
      rtf += "\\par\n";
      sinceParagraph = 0;
    }
  }
  rtf += "\\par}";
  return rtf;
}

}  // namespace

static void BM_LoadRtf(benchmark::State& state) {
  static const std::string rtf = MakeRtf(16 * 1024 * 1024);
  size_t characters = 0;
  for (auto _ : state) {
    TMSRtfDocument doc(nullptr);
    doc.LoadFromBytes(rtf);
    characters = 0;
    for (const std::u16string& line : doc.Text()->Lines()) characters += line.size();
    benchmark::DoNotOptimize(characters);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
  state.counters["chars"] =
      benchmark::Counter(double(characters) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadRtf)->Unit(benchmark::kMillisecond);
