// Runs the built kvword as a child process with a given standard input and
// collects its exit status, standard output and standard error.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

struct TProcessResult {
  int ExitCode = -1;  // -1 when the process did not exit normally
  std::string Out;
  std::string Err;
};

// Runs the tool with Args (argv[0] is added) and Input on standard input.
TProcessResult RunKvWord(const std::vector<std::string>& Args, const std::string& Input = "");

// A fresh empty directory that is removed with the object.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }
  // Writes Bytes to Name inside the directory and gives the full path.
  std::string Write(const std::string& Name, const std::string& Bytes) const;

 private:
  std::filesystem::path FPath;
};

// The lines of Text, split at LF (a last line without LF counts too).
std::vector<std::string> SplitLines(const std::string& Text);

}  // namespace kvtest
