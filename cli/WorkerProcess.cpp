#include "cli/WorkerProcess.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "frontdoor/Output.h"

extern char** environ;

// AddressSanitizer reserves terabytes of address space for its shadow memory: a
// worker built with it cannot run under an address-space limit.
#if defined(__SANITIZE_ADDRESS__)
#define KVWORD_WORKER_ADDRESS_LIMIT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVWORD_WORKER_ADDRESS_LIMIT 0
#endif
#endif
#ifndef KVWORD_WORKER_ADDRESS_LIMIT
#define KVWORD_WORKER_ADDRESS_LIMIT 1
#endif

namespace kvword {

namespace {

// Messages between the tool and a worker: integers little-endian as the machine
// holds them (both ends are the same program), texts as their length and bytes.
void PutInt(std::string& Out, uint64_t Value, int Bytes) {
  for (int i = 0; i < Bytes; ++i) Out.push_back(char(Value >> (8 * i)));
}
void PutText(std::string& Out, std::string_view Text) {
  PutInt(Out, Text.size(), 8);
  Out += Text;
}

// Reads Out.size() bytes; false at the end of the stream or on an error.
bool ReadAll(int Fd, char* Out, size_t Size) {
  while (Size > 0) {
    const ssize_t got = ::read(Fd, Out, Size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    Out += got;
    Size -= size_t(got);
  }
  return true;
}

bool WriteAll(int Fd, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t put = ::send(Fd, Bytes.data(), Bytes.size(), MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    Bytes.remove_prefix(size_t(put));
  }
  return true;
}

class TMessageReader {
 public:
  explicit TMessageReader(int Fd) : FFd(Fd) {}
  bool Int(uint64_t& Value, int Bytes) {
    unsigned char buffer[8];
    if (!ReadAll(FFd, reinterpret_cast<char*>(buffer), size_t(Bytes))) return false;
    Value = 0;
    for (int i = 0; i < Bytes; ++i) Value |= uint64_t(buffer[i]) << (8 * i);
    return true;
  }
  bool Text(std::string& Value) {
    uint64_t size = 0;
    if (!Int(size, 8) || size > (uint64_t(1) << 40)) return false;
    Value.resize(size);
    return ReadAll(FFd, Value.data(), Value.size());
  }

 private:
  int FFd;
};

// The settings a worker needs: what is read, and how it is written.
std::string EncodeOptions(const TKvWordOptions& O) {
  std::string out;
  uint64_t sides = 0;
  for (const TSideTextInfo& info : SideTexts)
    if (O.Sides.Contains(info.Kind)) sides |= uint64_t(1) << info.Kind;
  for (uint64_t value :
       {uint64_t(O.Reader), uint64_t(O.ByExtension), uint64_t(O.Format), uint64_t(uint32_t(O.MaxLength)),
        uint64_t(O.NoConvert), uint64_t(O.Macros), uint64_t(O.HiddenText), uint64_t(O.NoText),
        uint64_t(O.NoSummary), uint64_t(O.Language.has_value()), uint64_t(O.Language.value_or(0)),
        uint64_t(O.View), uint64_t(O.Revisions), sides, uint64_t(O.All), uint64_t(O.Summary),
        uint64_t(O.Json), uint64_t(O.Lf), uint64_t(O.MaxSpinCount), uint64_t(O.Markdown),
        uint64_t(O.FrontMatter)})
    PutInt(out, value, 8);
  uint64_t timeout = 0;
  static_assert(sizeof timeout == sizeof O.Timeout);
  std::memcpy(&timeout, &O.Timeout, sizeof timeout);
  PutInt(out, timeout, 8);
  PutText(out, O.Password);
  return out;
}

bool DecodeOptions(TMessageReader& In, TKvWordOptions& O) {
  uint64_t v[22] = {};
  for (uint64_t& value : v)
    if (!In.Int(value, 8)) return false;
  O.Reader = TReaderMode(v[0]);
  O.ByExtension = v[1] != 0;
  O.Format = TMSTextFormating(v[2]);
  O.MaxLength = int32_t(uint32_t(v[3]));
  O.NoConvert = v[4] != 0;
  O.Macros = v[5] != 0;
  O.HiddenText = v[6] != 0;
  O.NoText = v[7] != 0;
  O.NoSummary = v[8] != 0;
  if (v[9]) O.Language = uint16_t(v[10]);
  O.View = TKvWView(v[11]);
  O.Revisions = TKvWRevisions(v[12]);
  for (const TSideTextInfo& info : SideTexts)
    if (v[13] >> info.Kind & 1) O.Sides.Include(info.Kind);
  O.All = v[14] != 0;
  O.Summary = v[15] != 0;
  O.Json = v[16] != 0;
  O.Lf = v[17] != 0;
  O.MaxSpinCount = uint32_t(v[18]);
  O.Markdown = v[19] != 0;
  O.FrontMatter = v[20] != 0;
  std::memcpy(&O.Timeout, &v[21], sizeof O.Timeout);
  return In.Text(O.Password);
}

std::string Seconds(double Value) { return fmt::format("{:g}", Value); }

}  // namespace

TWorkerProcess::TWorkerProcess(const TKvWordOptions& Options) : FOptions(Options) {}

TWorkerProcess::~TWorkerProcess() {
  // Between documents: the worker ends by itself at the end of its input.
  if (FRequests >= 0) ::close(FRequests);
  FRequests = FAnswers = -1;
  if (FPid > 0)
    while (::waitpid(FPid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool TWorkerProcess::Start(std::string& Problem) {
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
    Problem = std::string("cannot start a worker: ") + std::strerror(errno);
    return false;
  }
  // The worker talks on its descriptor 3; it keeps the tool's standard input (the
  // document "-" is read from there) and writes nothing to standard output.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, sockets[1], WorkerChannel);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char name[] = "kvword";
  char argument[] = "--internal-worker";
  char* argv[] = {name, argument, nullptr};
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(sockets[1]);
  if (error != 0) {
    ::close(sockets[0]);
    Problem = std::string("cannot start a worker: ") + std::strerror(error);
    return false;
  }
  FPid = pid;
  FRequests = FAnswers = sockets[0];
  if (!WriteAll(FRequests, EncodeOptions(FOptions))) {
    Problem = Stop();
    return false;
  }
  return true;
}

std::string TWorkerProcess::Stop() {
  if (FRequests >= 0) ::close(FRequests);
  FRequests = FAnswers = -1;
  if (FPid <= 0) return "the worker is not running";
  int status = 0;
  pid_t ended;
  while ((ended = ::waitpid(FPid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (ended == 0) {
    ::kill(FPid, SIGKILL);
    while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  FPid = -1;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    if (signal == SIGXCPU)
      return fmt::format("The file took more than {} s of CPU time to read", Seconds(FOptions.Timeout));
    return fmt::format("The reader ended abnormally on the file ({})", strsignal(signal));
  }
  return fmt::format("The reader ended abnormally on the file (exit status {})", WEXITSTATUS(status));
}

TDocumentResult TWorkerProcess::Load(const std::string& File) {
  TDocumentResult result;
  std::string problem;
  if (FPid > 0 || Start(problem)) {
    std::string request;
    PutText(request, File);
    TMessageReader answer(FAnswers);
    uint64_t failed = 0;
    uint64_t undecodable = 0;
    bool answered = WriteAll(FRequests, request) && answer.Int(failed, 1) && answer.Text(result.Message) &&
                    answer.Text(result.Output) && answer.Int(undecodable, 1);
    for (uint64_t i = 0; answered && i < undecodable; ++i)
      answered = answer.Text(result.Undecodable.emplace_back());
    if (answered) {
      result.Failed = failed != 0;
      return result;
    }
    problem = Stop();
  }
  result = TDocumentResult{};
  result.Failed = true;
  result.Message = std::move(problem);
  if (FOptions.Json) result.Output = FormatJsonError(File, result.Message);
  return result;
}

int RunWorker() {
  // The worker holds the password, if one is given, and whatever a document makes
  // of its memory: it leaves no core dump and cannot be attached to.
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  TMessageReader in(WorkerChannel);
  TKvWordOptions options;
  if (!DecodeOptions(in, options)) return 1;
  if (KVWORD_WORKER_ADDRESS_LIMIT) {
    const rlimit addressSpace{WorkerAddressSpace, WorkerAddressSpace};
    ::setrlimit(RLIMIT_AS, &addressSpace);
  }
  // The time limit: a timer on this process's CPU clock, which SIGXCPU ends it
  // at; RLIMIT_CPU, in whole seconds, stands behind it.
  timer_t timer{};
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGXCPU;
  const bool timed = options.Timeout > 0 && ::timer_create(CLOCK_PROCESS_CPUTIME_ID, &event, &timer) == 0;
  // Tests make a worker spin, or crash, on one path to see the limit and the
  // recovery work whatever the machine's speed; no document can reach these.
  const char* spinOn = std::getenv("KVWORD_TEST_SPIN_ON");
  const char* crashOn = std::getenv("KVWORD_TEST_CRASH_ON");
  const TDocumentLoader loader(options);
  const TOutputOptions output = OutputOptionsOf(options);
  for (std::string path; in.Text(path);) {
    if (timed) {
      timespec now{};
      ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
      const double limit = double(now.tv_sec) + double(now.tv_nsec) / 1e9 + options.Timeout;
      itimerspec due{};
      due.it_value.tv_sec = time_t(limit);
      due.it_value.tv_nsec = long((limit - std::floor(limit)) * 1e9);
      ::timer_settime(timer, TIMER_ABSTIME, &due, nullptr);
      const rlimit cpu{rlim_t(std::ceil(limit)) + 1, RLIM_INFINITY};
      ::setrlimit(RLIMIT_CPU, &cpu);
    }
    if (spinOn && path == spinOn) {
      volatile uint64_t spin = 0;
      for (;;) spin = spin + 1;
    }
    if (crashOn && path == crashOn) std::abort();
    TDocumentResult result = loader.Load(path);
    if (result.Document) {
      result.Output = FormatText(output, *result.Document);
      result.Document.reset();
    }
    if (timed) {
      const itimerspec off{};
      ::timer_settime(timer, 0, &off, nullptr);
    }
    std::string answer;
    PutInt(answer, result.Failed ? 1 : 0, 1);
    PutText(answer, result.Message);
    PutText(answer, result.Output);
    const size_t undecodable = std::min<size_t>(result.Undecodable.size(), 255);
    PutInt(answer, undecodable, 1);
    for (size_t i = 0; i < undecodable; ++i) PutText(answer, result.Undecodable[i]);
    if (!WriteAll(WorkerChannel, answer)) return 1;
  }
  return 0;
}

}  // namespace kvword
