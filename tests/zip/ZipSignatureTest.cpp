#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "msword/base/CodePages.h"
#include "msword/zip/ZipSignature.h"

using namespace msword;

TEST(ZipSignature, OnlyALocalFileHeaderAtTheStartCounts) {
  struct Case {
    std::string bytes;
    bool zip;
  };
  const Case cases[] = {
      {std::string("PK\x03\x04", 4) + "rest of an archive", true},
      {std::string("PK\x03\x04", 4), true},
      {std::string("PK\x03", 3), false},
      {"", false},
      {std::string("PK\x05\x06", 4) + std::string(18, '\0'), false},  // an empty archive's end record
      {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), false}};
  const auto path = std::filesystem::temp_directory_path() / ("kvword-zipsig-" + std::to_string(::getpid()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    std::ofstream(path, std::ios::binary) << c.bytes;
    EXPECT_EQ(FileIsZipArchive(Utf8ToWide(path.string())), c.zip);
  }
  std::filesystem::remove(path);
  EXPECT_FALSE(FileIsZipArchive(Utf8ToWide(path.string())));  // gone
  EXPECT_FALSE(FileIsZipArchive(Utf8ToWide(std::filesystem::temp_directory_path().string())));
  EXPECT_FALSE(FileIsZipArchive(u""));
}
