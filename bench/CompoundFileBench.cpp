// Compound-file benchmarks, over one file of about 48 MB built in memory (300
// streams of 128 KiB in regular sectors, 6,000 streams of 1 to 4,095 bytes in the
// mini stream, half of them in a nested storage), all figures in bytes per second:
//   BM_CompoundFileReadStreams   enumerating, opening and reading every stream of
//                                the file opened once from memory (stream bytes)
//   BM_CompoundFileOpenAndRead   the same, with the file's bytes copied and opened
//                                from memory in every iteration (stream bytes)
//   BM_CompoundFileFromDisk      opening the file from disk and reading every
//                                stream (stream bytes)
//   BM_PlainFileRead             reading the same file's bytes with plain read(2)
//                                calls of 64 KiB (file bytes): the yardstick
//   BM_PlainFileReadWhole        reading the same file with read(2) into a fresh
//                                buffer of its size, as opening from disk must (file bytes)
//   BM_PlainMemoryCopy           copying the same bytes from memory in 64 KiB
//                                pieces (file bytes)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/storage/CompoundFile.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;
using namespace msword::storage;

namespace {

constexpr size_t kChunk = 64 * 1024;

struct BenchFile {
  std::string bytes;
  uint64_t streamBytes = 0;
  std::filesystem::path path;
};

const BenchFile& File() {
  static const BenchFile file = [] {
    BenchFile f;
    kvtest::CompoundFileBuilder builder(3);
    std::mt19937 rng(7);
    auto data = [&](size_t size) {
      std::string s(size, '\0');
      for (char& c : s) c = char(rng());
      f.streamBytes += size;
      return s;
    };
    for (int i = 0; i < 300; ++i) builder.AddStream(u"Big" + Utf8ToWide(std::to_string(i)), data(128 * 1024));
    for (int i = 0; i < 6000; ++i)
      builder.AddStream((i % 2 ? u"Nested/Small" : u"Small") + Utf8ToWide(std::to_string(i)),
                        data(1 + rng() % 4095));
    f.bytes = builder.Bytes();
    f.path = std::filesystem::temp_directory_path() / ("kvword-bench-" + std::to_string(::getpid()) + ".cfb");
    std::ofstream(f.path, std::ios::binary) << f.bytes;
    return f;
  }();
  return file;
}

// Reads every stream of every storage; answers the bytes read.
uint64_t ReadEverything(const TCompoundFile& file, std::vector<char>& buffer) {
  uint64_t total = 0;
  std::vector<std::unique_ptr<TStorage>> pending;
  pending.push_back(file.Root());
  while (!pending.empty()) {
    auto storage = std::move(pending.back());
    pending.pop_back();
    auto elements = storage->EnumElements();
    TStatStg element;
    while (elements->Next(element)) {
      if (element.Type == STGTY_STORAGE) {
        pending.push_back(storage->OpenStorage(element.Name));
        continue;
      }
      auto stream = storage->OpenStream(element.Name);
      while (size_t n = stream->Read(buffer.data(), buffer.size())) total += n;
    }
  }
  return total;
}

void Check(benchmark::State& state, uint64_t got) {
  if (got != File().streamBytes) state.SkipWithError("not every stream byte was read");
}

}  // namespace

static void BM_CompoundFileReadStreams(benchmark::State& state) {
  auto file = TCompoundFile::OpenMemory(File().bytes);
  std::vector<char> buffer(kChunk);
  for (auto _ : state) Check(state, ReadEverything(*file, buffer));
  state.SetBytesProcessed(int64_t(state.iterations() * File().streamBytes));
}
BENCHMARK(BM_CompoundFileReadStreams)->Unit(benchmark::kMillisecond);

static void BM_CompoundFileOpenAndRead(benchmark::State& state) {
  std::vector<char> buffer(kChunk);
  for (auto _ : state) Check(state, ReadEverything(*TCompoundFile::OpenMemory(File().bytes), buffer));
  state.SetBytesProcessed(int64_t(state.iterations() * File().streamBytes));
}
BENCHMARK(BM_CompoundFileOpenAndRead)->Unit(benchmark::kMillisecond);

static void BM_CompoundFileFromDisk(benchmark::State& state) {
  std::vector<char> buffer(kChunk);
  const std::u16string name = Utf8ToWide(File().path.string());
  for (auto _ : state) Check(state, ReadEverything(*TCompoundFile::OpenFile(name), buffer));
  state.SetBytesProcessed(int64_t(state.iterations() * File().streamBytes));
}
BENCHMARK(BM_CompoundFileFromDisk)->Unit(benchmark::kMillisecond);

static void BM_PlainFileRead(benchmark::State& state) {
  std::vector<char> buffer(kChunk);
  for (auto _ : state) {
    const int fd = ::open(File().path.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t total = 0;
    while (true) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n <= 0) break;
      total += uint64_t(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * File().bytes.size()));
}
BENCHMARK(BM_PlainFileRead)->Unit(benchmark::kMillisecond);

static void BM_PlainFileReadWhole(benchmark::State& state) {
  for (auto _ : state) {
    const int fd = ::open(File().path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string bytes(File().bytes.size(), '\0');
    size_t total = 0;
    while (total < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + total, bytes.size() - total);
      if (n <= 0) break;
      total += size_t(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * File().bytes.size()));
}
BENCHMARK(BM_PlainFileReadWhole)->Unit(benchmark::kMillisecond);

static void BM_PlainMemoryCopy(benchmark::State& state) {
  std::vector<char> buffer(kChunk);
  const std::string& bytes = File().bytes;
  for (auto _ : state) {
    for (size_t at = 0; at < bytes.size(); at += kChunk) {
      std::memcpy(buffer.data(), bytes.data() + at, std::min(kChunk, bytes.size() - at));
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}
BENCHMARK(BM_PlainMemoryCopy)->Unit(benchmark::kMillisecond);
