// The front door: one document read with options, failures told apart by the
// exception's type; and the ordered pool every host reads many documents with.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frontdoor/DocumentRead.h"
#include "frontdoor/OrderedPool.h"
#include "frontdoor/Output.h"
#include "support/ZipBuilder.h"

namespace kvword {
namespace {

std::string Docx(const std::string& Text) {
  return kvtest::ZipBuilder()
      .AddDeflated("word/document.xml",
                   "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                   "<w:body><w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:document>")
      .Bytes();
}

TReadSource InMemory(const std::string& Bytes) { return TReadSource::FromMemory(Bytes.data(), Bytes.size()); }

struct TempDir {
  std::filesystem::path Path = std::filesystem::temp_directory_path() /
                               ("kvword-frontdoor-" + std::to_string(::getpid()));
  TempDir() { std::filesystem::create_directories(Path); }
  ~TempDir() { std::filesystem::remove_all(Path); }
  std::string Write(const std::string& Name, const std::string& Bytes) const {
    const std::filesystem::path file = Path / Name;
    std::ofstream(file, std::ios::binary) << Bytes;
    return file.string();
  }
};

TEST(FrontDoor, ReadsFilesAndBytesAlike) {
  TempDir dir;
  const std::string docx = Docx("hello");
  for (const TReadSource& source : {InMemory(docx), TReadSource::FromPath(dir.Write("a.docx", docx))}) {
    const TReadResult ok = ReadDocument(source, TReadOptions{});
    ASSERT_FALSE(ok.Failed()) << ToUtf8(ok.Message);
    EXPECT_EQ(ok.Reader, rkDocx);
    EXPECT_FALSE(ok.DocVersion.has_value());
    EXPECT_EQ(ok.Text, std::vector<std::u16string>{u"hello"});
  }
}

// The encodings that could not be decoded are named for bytes in memory as for a
// file, and a document read after one that had some names none.
TEST(FrontDoor, UndecodableEncodingsAreNamedForBytesAndFilesAlike) {
  TempDir dir;
  const std::string rtf = "{\\rtf1\\ansi\\ansicpg20127 caf\\'e9}";
  const std::string page = "<html><head><meta charset=\"koi8-r\"></head><body><p>\xF0\xD2</p></body></html>";
  const struct {
    std::string Name, Bytes;
    std::vector<std::string> Named;
  } cases[] = {{"a.rtf", rtf, {"cp20127"}}, {"a.htm", page, {"koi8-r"}}, {"b.docx", Docx("plain"), {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const TReadSource& source : {InMemory(c.Bytes), TReadSource::FromPath(dir.Write(c.Name, c.Bytes))}) {
      const TReadResult read = ReadDocument(source, TReadOptions{});
      ASSERT_FALSE(read.Failed()) << ToUtf8(read.Message);
      EXPECT_EQ(read.UndecodableEncodings, c.Named);
    }
  }
}

// Each kind of failure comes from the exception's type; the message stays the
// library's, and the reason is what the tool prints after the file's name.
TEST(FrontDoor, FailuresAreToldApartByKind) {
  TempDir dir;
  ::mkfifo((dir.Path / "fifo").c_str(), 0600);
  const std::string plain = "plain text, not a document";
  struct TCase {
    const char* Name;
    TReadSource Source;
    TReadOptions Options;
    TReadFailure Failure;
    std::string Reason;
  };
  TReadOptions rtf;
  rtf.Reader = rmRtf;
  const std::string missing = (dir.Path / "missing.doc").string();
  const std::string notWord = dir.Write("plain.doc", plain);
  const TCase cases[] = {
      {"bytes", InMemory(plain), {}, rfNotWord, "File (bytes) is not valid MS Word document"},
      {"empty bytes", InMemory(std::string()), {}, rfNotWord, "File (bytes) is not valid MS Word document"},
      {"missing", TReadSource::FromPath(missing), {}, rfNotFound, "is not found"},
      {"directory", TReadSource::FromPath(dir.Path.string()), {}, rfIsDirectory, "is a directory"},
      {"fifo", TReadSource::FromPath((dir.Path / "fifo").string()), {}, rfNotRegularFile, "is not a regular file"},
      {"not word", TReadSource::FromPath(notWord), {}, rfNotWord, "The file is not valid MS Word document"},
      {"forced rtf", TReadSource::FromPath(notWord), rtf, rfNotWord, "The file is not valid MS Word document"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TReadResult result = ReadDocument(c.Source, c.Options);
    EXPECT_EQ(result.Failure, c.Failure);
    EXPECT_EQ(result.Reason, c.Reason);
    EXPECT_FALSE(result.Message.empty());
    EXPECT_TRUE(result.Text.empty());
  }
  const TReadResult directory = ReadDocument(TReadSource::FromPath(dir.Path.string()), {});
  EXPECT_EQ(ToUtf8(directory.Message), "File " + dir.Path.string() + " is a directory.");
  EXPECT_EQ(ToUtf8(ReadDocument(TReadSource::FromPath(missing), {}).Message), "File " + missing + " is not found.");
}

// HTML is declared UTF-8 whoever reads it, and the writer puts side texts inside it.
TEST(FrontDoor, HtmlIsDeclaredUtf8) {
  const std::string docx = Docx("caf\xC3\xA9");
  TReadOptions options;
  options.Format = tfHTML;
  const TReadResult html = ReadDocument(InMemory(docx), options);
  ASSERT_FALSE(html.Failed());
  TOutputOptions output;
  output.Format = tfHTML;
  const std::string text = FormatText(output, html);
  EXPECT_NE(text.find("charset=utf-8"), std::string::npos) << text;
  EXPECT_EQ(text.find("1252"), std::string::npos) << text;
  EXPECT_NE(text.find("caf\xC3\xA9"), std::string::npos) << text;
}

using TPool = TOrderedPool<std::string, std::string>;

// Workers that take random times still hand results over in input order, and no
// more items than the window are ever taken but not yet emitted; both ways of
// feeding the pool (the tool's source, the Python module's submissions).
TEST(OrderedPool, ResultsComeInInputOrderWithinTheWindow) {
  for (unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    const size_t window = jobs * 2;
    std::atomic<size_t> taken{0}, emitted{0}, maxAhead{0};
    auto makeWorker = [&]() -> TPool::TWorker {
      auto random = std::make_shared<std::mt19937>(jobs);
      return [&, random](const std::string& item) {
        const size_t ahead = ++taken - emitted;
        size_t seen = maxAhead;
        while (ahead > seen && !maxAhead.compare_exchange_weak(seen, ahead)) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds((*random)() % 300));
        return "r" + item;
      };
    };
    {
      TPool pool(jobs, window, makeWorker, [] { return std::string(); });
      int next = 0;
      std::vector<std::string> order;
      const size_t count = pool.Run(
          [&](std::string& item) {
            if (next == 200) return false;
            item = std::to_string(next++);
            return true;
          },
          [&](size_t index, std::string& item, std::string& result) {
            EXPECT_EQ(item, std::to_string(index));
            EXPECT_EQ(result, "r" + item);
            order.push_back(item);
            ++emitted;
          },
          nullptr);
      EXPECT_EQ(count, 200u);
      EXPECT_EQ(order.size(), 200u);
      // The emitted count moves on just after the window does: one more may be seen.
      EXPECT_LE(maxAhead.load(), window + 1);
    }
    {
      taken = emitted = maxAhead = 0;
      TPool pool(jobs, window, makeWorker, [] { return std::string(); });
      size_t submitted = 0, took = 0;
      while (took < 100) {
        while (submitted < 100 && pool.HasRoom()) pool.Submit(std::to_string(submitted++));
        EXPECT_LE(pool.Pending(), window);
        EXPECT_EQ(pool.TakeNext(nullptr), "r" + std::to_string(took++));
        ++emitted;
      }
    }
  }
}

TEST(OrderedPool, AnEmptySourceEmitsNothing) {
  TPool pool(3, 6, [] { return [](const std::string&) { return std::string(); }; }, [] { return std::string(); });
  size_t emitted = 0;
  EXPECT_EQ(pool.Run([](std::string&) { return false; },
                     [&](size_t, std::string&, std::string&) { ++emitted; }, [] {}),
            0u);
  EXPECT_EQ(emitted, 0u);
}

// A pool dropped with documents queued and being read finishes the ones started,
// drops the rest and returns.
TEST(OrderedPool, DroppedWithWorkPendingStopsCleanly) {
  const std::string doc = Docx(std::string(20000, 'z'));
  using TReadPool = TOrderedPool<TReadSource, TReadResult>;
  for (int round = 0; round < 5; ++round) {
    TReadPool pool(
        3, 12, [] { return [](const TReadSource& s) { return ReadDocument(s, TReadOptions{}); }; },
        [] { return TReadResult{}; });
    for (int i = 0; i < 12; ++i) pool.Submit(InMemory(doc));
    if (round % 2) {
      EXPECT_FALSE(pool.TakeNext(nullptr).Failed());
    }
  }
}

}  // namespace
}  // namespace kvword
