// Text benchmarks:
//   BM_WideStringsJoin          joining a list of lines with GetText (bytes of UTF-16 produced per second)
//   BM_StringToWideStringEx/cp  decoding 8-bit text in a Windows code page (input bytes per second),
//                               single-byte pages 0 (ANSI), 1251, 1253 and double-byte pages 932, 936
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "msword/base/CodePages.h"
#include "msword/base/WideStrings.h"

using namespace msword;

static void BM_WideStringsJoin(benchmark::State& state) {
  TWideStrings list;
  std::mt19937 rng(42);
  size_t units = 0;
  for (int i = 0; i < 100000; ++i) {
    std::u16string line(20 + rng() % 200, u'a' + char16_t(i % 26));
    units += line.size() + 2;
    list.Add(std::move(line));
  }
  for (auto _ : state) benchmark::DoNotOptimize(list.GetText());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(units * 2));
}
BENCHMARK(BM_WideStringsJoin);

static void BM_StringToWideStringEx(benchmark::State& state) {
  const auto page = uint16_t(state.range(0));
  std::mt19937 rng(7);
  std::string bytes;
  const size_t size = 8 << 20;
  bytes.reserve(size);
  const bool isDouble = page == 932 || page == 936;
  while (bytes.size() < size) {
    if (isDouble && rng() % 2) {  // a common two-byte character of the page
      bytes.append(page == 932 ? "\x93\xFA" : "\xD6\xD0");
    } else {
      bytes.push_back(char(0x20 + rng() % 0x5F));
      if (!isDouble && rng() % 3 == 0) bytes.push_back(char(0xC0 + rng() % 0x3F));
    }
  }
  StringToWideStringEx("x", page);  // the page's table is built outside the timing
  for (auto _ : state) benchmark::DoNotOptimize(StringToWideStringEx(bytes, page));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_StringToWideStringEx)->Arg(0)->Arg(1251)->Arg(1253)->Arg(932)->Arg(936);
