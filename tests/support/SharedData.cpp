#include "support/SharedData.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kvtest {

std::filesystem::path SharedDir() {
  if (const char* env = std::getenv("KVWORD_SHARED_DIR"); env && *env) return env;
  return KVWORD_SHARED_DIR;
}

namespace {
std::filesystem::path IfExists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_directory(p, ec) ? p : std::filesystem::path();
}
}  // namespace

std::filesystem::path CorpusDir() { return IfExists(SharedDir() / "corpus"); }
std::filesystem::path HostileDir() { return IfExists(SharedDir() / "hostile"); }
std::filesystem::path TestDataDir() { return KVWORD_TEST_DATA_DIR; }

std::string ReadFileBytes(const std::filesystem::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace kvtest
