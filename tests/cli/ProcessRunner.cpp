#include "ProcessRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <stdexcept>

#include "support/SharedData.h"

extern char** environ;

namespace kvtest {

namespace {
std::atomic<unsigned> tempCounter{0};
}

TTempDir::TTempDir() {
  FPath = std::filesystem::temp_directory_path() /
          ("kvword-cli-test-" + std::to_string(getpid()) + "-" + std::to_string(tempCounter++));
  std::filesystem::remove_all(FPath);
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string TTempDir::Write(const std::string& Name, const std::string& Bytes) const {
  const std::filesystem::path path = FPath / Name;
  std::ofstream(path, std::ios::binary) << Bytes;
  return path.string();
}

TProcessResult RunKvWord(const std::vector<std::string>& Args, const std::string& Input) {
  // Files instead of pipes: nothing can fill up and block either side.
  TTempDir dir;
  const std::string in = dir.Write("stdin", Input);
  const std::string out = (dir.Path() / "stdout").string();
  const std::string err = (dir.Path() / "stderr").string();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> args{KVWORD_CLI_PATH};
  args.insert(args.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  TProcessResult result;
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.Out = ReadFileBytes(out);
  result.Err = ReadFileBytes(err);
  return result;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find('\n', start);
    if (end == std::string::npos) end = Text.size();
    lines.push_back(Text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace kvtest
