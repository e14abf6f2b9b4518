// Locations of the real documents and crafted hostile files that live beside the
// repository. Tests that need them skip when they are absent.
#pragma once

#include <filesystem>
#include <string>

namespace kvtest {

// The shared folder: $KVWORD_SHARED_DIR, else ../shared beside the source tree.
std::filesystem::path SharedDir();
// SharedDir()/corpus and SharedDir()/hostile; empty paths when absent.
std::filesystem::path CorpusDir();
std::filesystem::path HostileDir();
// The project's own small sample documents.
std::filesystem::path TestDataDir();
// The bytes of a file (empty when it cannot be read).
std::string ReadFileBytes(const std::filesystem::path& Path);

}  // namespace kvtest

#define KVTEST_REQUIRE_DIR(dir)                                        \
  do {                                                                 \
    if ((dir).empty()) GTEST_SKIP() << "shared test files are absent"; \
  } while (0)
