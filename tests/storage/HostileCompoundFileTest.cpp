// The crafted compound files of the shared hostile set, at the level of the
// compound-file layer: what opens, what each stream gives, which damage is named.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/storage/CompoundFile.h"
#include "msword/storage/StorageError.h"
#include "storage/StorageWalk.h"
#include "support/SharedData.h"

using namespace msword;
using namespace msword::storage;

namespace {

// "name size=read" per element, storages in brackets, nested storages after their
// parent's elements; a control character in front of a name shows as '#'. A stream
// that raises shows "name size: N read, then message"; a file that does not open,
// its message.
std::string Describe(const std::string& bytes) {
  std::shared_ptr<TCompoundFile> file;
  try {
    file = TCompoundFile::OpenMemory(bytes);
  } catch (const EStorageError& e) {
    return e.what();
  }
  std::string out;
  std::vector<std::pair<std::unique_ptr<TStorage>, std::string>> pending;
  pending.emplace_back(file->Root(), "");
  while (!pending.empty()) {
    auto [storage, prefix] = std::move(pending.back());
    pending.pop_back();
    auto elements = storage->EnumElements();
    TStatStg element;
    while (elements->Next(element)) {
      std::u16string name = element.Name;
      if (!name.empty() && name[0] < 0x20) name[0] = u'#';
      const std::string path = prefix + WideToUtf8(name);
      if (!out.empty()) out += " ";
      if (element.Type == STGTY_STORAGE) {
        out += "[" + path + "]";
        if (auto child = storage->OpenStorage(element.Name))
          pending.emplace_back(std::move(child), path + "/");
        continue;
      }
      auto stream = storage->OpenStream(element.Name);
      out += path + " " + std::to_string(element.Size);
      uint64_t total = 0;
      try {
        char buffer[4096];
        while (size_t n = stream->Read(buffer, sizeof buffer)) total += n;
        out += "=" + std::to_string(total);
      } catch (const EStorageError& e) {
        out += ": " + std::to_string(total) + " read, then " + e.what();
      }
    }
  }
  return out;
}

const char kBase[] =
    "1Table 21=21 WordDocument 4096=4096 #SummaryInformation 172=172 #DocumentSummaryInformation 120=120";

}  // namespace

TEST(HostileCompoundFiles, EachEndsAsASoundReaderMust) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  struct Case {
    const char* file;
    std::string outcome;
  };
  const std::string damaged = "Compound file is damaged: ";
  const Case cases[] = {
      {"base_valid.doc", kBase},
      {"base_valid_v4_4096.doc", kBase},
      {"cfb_v3_size_high_dword.doc", kBase},
      {"cfb_dir_sibling_cycle.doc", kBase},  // each element once
      {"cfb_ministream_cutoff_field.doc", kBase},
      {"cfb_ministream_boundary.doc",
       "1Table 4095=4095 WordDocument 4096=4096 #SummaryInformation 172=172 #DocumentSummaryInformation "
       "120=120"},
      {"cfb_ministream_boundary_swapped.doc",
       "1Table 4096=4096 WordDocument 4095=4095 #SummaryInformation 172=172 #DocumentSummaryInformation "
       "120=120"},
      {"vba_baseline.doc",
       "1Table 21=21 [Macros] WordDocument 4096=4096 #SummaryInformation 172=172 #DocumentSummaryInformation "
       "120=120 [Macros/VBA] Macros/PROJECT 84=84 Macros/VBA/Module1 129=129 Macros/VBA/_VBA_PROJECT "
       "411=411"},
      // Macros/VBA's child link leads back to Macros, which already has its place.
      {"cfb_dir_child_cycle.doc",
       "1Table 21=21 [Macros] WordDocument 4096=4096 #SummaryInformation 172=172 #DocumentSummaryInformation "
       "120=120 [Macros/VBA] Macros/PROJECT 84=84"},
      // The loop is found, not cut off by the size: the repeated first sector is never
      // read as the stream's third.
      {"cfb_fat_loop_stream.doc", "1Table 21=21 WordDocument 4096: 1024 read, then " + damaged +
                                      "the chain of stream \"WordDocument\" loops #SummaryInformation "
                                      "172=172 #DocumentSummaryInformation 120=120"},
      {"cfb_fat_chain_past_eof.doc",
       "1Table 21=21 WordDocument 4096: 1024 read, then " + damaged +
           "the chain of stream \"WordDocument\" leaves the allocation table #SummaryInformation 172=172 "
           "#DocumentSummaryInformation 120=120"},
      {"cfb_stream_start_past_eof.doc",
       "1Table 21=21 WordDocument 4096: 0 read, then " + damaged +
           "the chain of stream \"WordDocument\" leaves the allocation table #SummaryInformation 172=172 "
           "#DocumentSummaryInformation 120=120"},
      {"cfb_stream_size_huge.doc",
       "1Table 21=21 WordDocument 2147483632: 4096 read, then " + damaged +
           "the chain of stream \"WordDocument\" is shorter than its size #SummaryInformation 172=172 "
           "#DocumentSummaryInformation 120=120"},
      {"cfb_ministream_truncated.doc",
       "1Table 21=21 WordDocument 4096=4096 #SummaryInformation 172: 0 read, then " + damaged +
           "stream \"\x05SummaryInformation\" lies beyond the end of the mini stream "
           "#DocumentSummaryInformation 120: 0 read, then " +
           damaged + "stream \"\x05" + "DocumentSummaryInformation\" lies beyond the end of the mini stream"},
      {"cfb_fat_loop_directory.doc", damaged + "the chain of the directory loops"},
      {"cfb_difat_loop.doc", damaged + "the FAT claims more sectors than the file holds"},
      {"cfb_sector_shift_7.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_sector_shift_16.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_sector_shift_40.doc", damaged + "a version 3 file must have 512-byte sectors"},
      {"cfb_mini_sector_shift_31.doc", damaged + "the mini sector size must be 64 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string bytes = kvtest::ReadFileBytes(kvtest::HostileDir() / "files" / c.file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(Describe(bytes), c.outcome);
  }
}

TEST(HostileCompoundFiles, LongDegenerateDirectoryEnumeratesInOrder) {
  KVTEST_REQUIRE_DIR(kvtest::HostileDir());
  auto file = TCompoundFile::OpenMemory(
      kvtest::ReadFileBytes(kvtest::HostileDir() / "files" / "cfb_dir_long_chain.doc"));
  const auto walked = kvtest::WalkCompoundFile(*file);
  ASSERT_EQ(walked.size(), 8004u);
  EXPECT_EQ(walked[0].Path, u"1Table");
  EXPECT_EQ(walked[1].Path, u"S00000");
  EXPECT_EQ(walked[8000].Path, u"S07999");
  EXPECT_EQ(walked[8001].Path, u"WordDocument");
  EXPECT_EQ(walked[8001].Data.size(), 4096u);
}
