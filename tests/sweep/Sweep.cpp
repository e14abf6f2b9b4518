// The robustness sweep: every crafted hostile file and every real document under
// 2 MB, each as it stands, truncated at evenly spread offsets and with single
// bytes flipped at random (fixed seed), is loaded from memory through the reader
// that the command-line tool would choose. Every load must end with a result or
// with the library's own exception (msword::Exception) within its time bound and
// below its memory bound; any other exception, a crash, a sanitizer report or a
// leak fails the sweep.
//
// Each file runs in a child process of its own, so that a crash or a hang is caught
// and reported with the file and the variant. The child stops itself with a CPU-time
// watchdog at the per-load bound; the parent reads the child's peak resident set
// from wait4, kills a child that outgrows a hard memory cap or runs past the
// per-file time bound, and writes a report (TSV).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "msword/base/Exceptions.h"
#include "msword/MSWord.h"
#include "msword/ReaderChoice.h"
#include "msword/base/Streams.h"

#if defined(__SANITIZE_ADDRESS__)
#define KVWORD_SWEEP_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVWORD_SWEEP_ASAN 1
#endif
#endif
#ifdef KVWORD_SWEEP_ASAN
#include <sanitizer/lsan_interface.h>

// A child loads a whole file's variants: AddressSanitizer's quarantine of freed
// blocks (256 MB by default) would otherwise count in its peak resident set as if
// one load had used it.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
#endif

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// Builds whose loads run several times slower than a release build: the
// sanitizers, or no optimisation at all.
#if defined(KVWORD_SWEEP_ASAN) || !defined(NDEBUG)
constexpr bool SLOW_BUILD = true;
#else
constexpr bool SLOW_BUILD = false;
#endif

struct TOptions {
  int Truncations = 64;
  int Flips = 64;
  int Jobs = 1;
  double TimeLimit = SLOW_BUILD ? 10 : 2;  // seconds of CPU time per load
  uint64_t MemoryLimitMB = 512;            // peak resident set per file
  uint64_t MaxFileSize = 2u << 20;         // corpus files at or above this are left out
  uint64_t Seed = 20221206;
  std::string Report;
  std::vector<fs::path> Inputs;  // files or folders; default: the shared folders
};

// The files whose expected outcome grants more than the default bounds: the zip
// bomb inflates to the per-entry ceiling before it is refused, the 50 MiB text node
// is the result itself, the 100,000-deep trees take longer to walk.
struct TFileBound {
  const char* Name;
  double Seconds, SlowSeconds;
  uint64_t MemoryMB;
};
constexpr TFileBound FILE_BOUNDS[] = {
    {"zip_bomb_1gib.docx", 10, 60, 768},
    {"xml_text_node_50mb.docx", 10, 60, 1024},
    {"xml_nested_100k.docx", 5, 25, 512},
    {"xml_nested_unclosed_100k.docx", 5, 25, 512},
};

// The passwords the corpus's protected files open with (their projects give them),
// so that their variants reach the decryption and the reading of what it gives;
// every other file is loaded with a password too, which a plain file ignores.
struct TFilePassword {
  const char* Prefix;
  const char16_t* Password;
};
constexpr TFilePassword FILE_PASSWORDS[] = {
    {"d0222-", u"tika"},       {"d0015-", u"password1"}, {"d0019-", u"password1"}, {"x0545-", u"Password1234_"},
    {"x0346-", u"docPassword"}, {"x0354-", u"password"},  {"x0190-", u"pass"}};

std::u16string PasswordFor(const std::string& Name) {
  for (const TFilePassword& p : FILE_PASSWORDS)
    if (Name.rfind(p.Prefix, 0) == 0) return p.Password;
  return u"kvword-sweep";
}

struct TFile {
  fs::path Path;
  double TimeLimit = 0;
  uint64_t MemoryLimitMB = 0;
};

// One variant of a file: 0 is the file itself, 1..Truncations the file cut at
// evenly spread lengths (0 included, the full length not), then the flips, each
// one byte XORed with a non-zero mask at a random position.
struct TVariant {
  std::string Description;
  std::string Bytes;
};

TVariant MakeVariant(const std::string& Bytes, int Index, const TOptions& Options,
                     const std::string& Name) {
  TVariant v;
  if (Index == 0) {
    v.Description = "original";
    v.Bytes = Bytes;
  } else if (Index <= Options.Truncations) {
    const size_t length = size_t(uint64_t(Bytes.size()) * uint64_t(Index - 1) / uint64_t(Options.Truncations));
    v.Description = "truncated at " + std::to_string(length);
    v.Bytes = Bytes.substr(0, length);
  } else {
    const int flip = Index - Options.Truncations - 1;
    // A seed per file and flip, so that each variant can be rebuilt on its own.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : Name) h = (h ^ c) * 1099511628211ull;
    std::mt19937_64 random(Options.Seed ^ h ^ (uint64_t(flip) * 0x9E3779B97F4A7C15ull));
    v.Bytes = Bytes;
    if (Bytes.empty()) {
      v.Description = "flip in empty file";
      return v;
    }
    const size_t at = size_t(random() % Bytes.size());
    const unsigned mask = unsigned(random() % 255) + 1;
    v.Bytes[at] = char(uint8_t(v.Bytes[at]) ^ mask);
    char text[64];
    std::snprintf(text, sizeof(text), "byte %zu xor 0x%02X", at, mask);
    v.Description = text;
  }
  return v;
}

int VariantCount(const TOptions& Options) { return 1 + Options.Truncations + Options.Flips; }

void WriteLine(int fd, const std::string& line) {
  std::string s = line.substr(0, 400) + "\n";
  const char* p = s.data();
  size_t left = s.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n <= 0) return;
    p += n;
    left -= size_t(n);
  }
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Arms (or, with 0, disarms) the CPU-time watchdog: SIGXCPU-like termination by
// the default action of SIGPROF.
void ArmWatchdog(double Seconds) {
  itimerval timer{};
  timer.it_value.tv_sec = time_t(Seconds);
  timer.it_value.tv_usec = suseconds_t((Seconds - double(timer.it_value.tv_sec)) * 1e6);
  setitimer(ITIMER_PROF, &timer, nullptr);
}

// The child: loads every variant of one file, reporting on fd as it goes:
//   S <variant>                    a load starts
//   D <variant> <outcome> <cpu> <wall>   it ended: L loaded, E library error
//   F <variant> <text>             it ended with anything else
//   K <text>                       leaks found after the last load
[[noreturn]] void RunChild(const TFile& File, const TOptions& Options, int fd) {
  signal(SIGPROF, SIG_DFL);
  std::string bytes;
  {
    std::ifstream in(File.Path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::string name = File.Path.filename().string();
  for (int i = 0; i < VariantCount(Options); ++i) {
    const TVariant variant = MakeVariant(bytes, i, Options, name);
    WriteLine(fd, "S " + std::to_string(i));
    const double cpu0 = CpuSeconds();
    const Clock::time_point wall0 = Clock::now();
    ArmWatchdog(File.TimeLimit);
    char outcome = 'L';
    std::string failure;
    try {
      // Each variant is read in both views; a library error in either counts.
      for (const msword::TKvWView view : {msword::vwStored, msword::vwShown}) {
        try {
          msword::TCustomMemoryStream stream(variant.Bytes.data(), variant.Bytes.size());
          std::unique_ptr<msword::TMSCustomWordDocument> doc =
              msword::NewReader(msword::ChooseReaderByContent(&stream));
          doc->SetParseItems({msword::wpiText, msword::wpiVBA, msword::wpiSummaryInformation});
          doc->SetView(view);
          doc->SetPassword(PasswordFor(name));
          // An encrypted package is a compound file: the .docx reader opens one
          // through its OLE-stream entry.
          static const char COMPOUND_FILE[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
          if (dynamic_cast<msword::TMSWordXDocument*>(doc.get()) &&
              variant.Bytes.compare(0, 8, COMPOUND_FILE) == 0)
            doc->LoadFromOLEStream(&stream);
          else
            doc->LoadFromStream(&stream);
        } catch (const msword::Exception&) {
          outcome = 'E';
        }
      }
    } catch (const std::exception& e) {
      failure = std::string("exception ") + typeid(e).name() + ": " + e.what();
    } catch (...) {
      failure = "unknown exception";
    }
    ArmWatchdog(0);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    if (!failure.empty()) {
      WriteLine(fd, "F " + std::to_string(i) + " " + failure);
    } else {
      char line[96];
      std::snprintf(line, sizeof(line), "D %d %c %.6f %.6f", i, outcome, cpu, wall);
      WriteLine(fd, line);
    }
  }
#ifdef KVWORD_SWEEP_ASAN
  if (__lsan_do_recoverable_leak_check() != 0) WriteLine(fd, "K memory leaked (see the report above)");
#endif
  ::close(fd);
  _exit(0);
}

struct TFileResult {
  int Loaded = 0, Errors = 0, Ended = 0;
  double SlowestSeconds = 0;
  int SlowestVariant = -1;
  uint64_t PeakKB = 0;
  std::vector<std::string> Failures;
};

struct TRunning {
  pid_t Pid = -1;
  int Fd = -1;
  size_t FileIndex = 0;
  int Current = -1;  // the variant being loaded, -1 between loads
  std::string Buffer;
  Clock::time_point Start;
  bool Killed = false;
  std::string KillReason;
  TFileResult Result;
};

std::string VariantName(const std::vector<TFile>& Files, size_t FileIndex, int Variant,
                        const TOptions& Options) {
  if (Variant < 0) return "(between loads)";
  std::string bytes;
  {
    std::ifstream in(Files[FileIndex].Path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return "variant " + std::to_string(Variant) + " (" +
         MakeVariant(bytes, Variant, Options, Files[FileIndex].Path.filename().string()).Description + ")";
}

void ParseLine(TRunning& R, const std::string& line, const std::vector<TFile>& Files,
               const TOptions& Options) {
  if (line.size() < 2) return;
  const char kind = line[0];
  const std::string rest = line.substr(2);
  if (kind == 'S') {
    R.Current = std::atoi(rest.c_str());
  } else if (kind == 'D') {
    int variant = 0;
    char outcome = 0;
    double cpu = 0, wall = 0;
    if (std::sscanf(rest.c_str(), "%d %c %lf %lf", &variant, &outcome, &cpu, &wall) != 4) return;
    ++R.Result.Ended;
    (outcome == 'L' ? R.Result.Loaded : R.Result.Errors)++;
    if (cpu > R.Result.SlowestSeconds) {
      R.Result.SlowestSeconds = cpu;
      R.Result.SlowestVariant = variant;
    }
    if (cpu > Files[R.FileIndex].TimeLimit)
      R.Result.Failures.push_back(VariantName(Files, R.FileIndex, variant, Options) + ": took " +
                                  std::to_string(cpu) + " s");
    R.Current = -1;
  } else if (kind == 'F') {
    ++R.Result.Ended;
    const int variant = std::atoi(rest.c_str());
    R.Result.Failures.push_back(VariantName(Files, R.FileIndex, variant, Options) + ": " +
                                rest.substr(rest.find(' ') + 1));
    R.Current = -1;
  } else if (kind == 'K') {
    R.Result.Failures.push_back(rest);
  }
}

uint64_t ResidentKB(pid_t Pid) {
  char path[64];
  std::snprintf(path, sizeof(path), "/proc/%d/statm", int(Pid));
  FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  unsigned long long size = 0, resident = 0;
  const int got = std::fscanf(f, "%llu %llu", &size, &resident);
  std::fclose(f);
  return got == 2 ? resident * uint64_t(sysconf(_SC_PAGESIZE)) / 1024 : 0;
}

bool ParseArgs(int argc, char** argv, TOptions& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--truncations" && (v = value())) o.Truncations = std::max(0, std::atoi(v));
    else if (a == "--flips" && (v = value())) o.Flips = std::max(0, std::atoi(v));
    else if (a == "--jobs" && (v = value())) o.Jobs = std::max(1, std::atoi(v));
    else if (a == "--time-limit" && (v = value())) o.TimeLimit = std::atof(v);
    else if (a == "--memory-limit-mb" && (v = value())) o.MemoryLimitMB = std::strtoull(v, nullptr, 10);
    else if (a == "--max-file-size" && (v = value())) o.MaxFileSize = std::strtoull(v, nullptr, 10);
    else if (a == "--seed" && (v = value())) o.Seed = std::strtoull(v, nullptr, 10);
    else if (a == "--report" && (v = value())) o.Report = v;
    else if (!a.empty() && a[0] != '-') o.Inputs.emplace_back(a);
    else {
      std::fprintf(stderr,
                   "usage: sweep [--truncations N] [--flips N] [--jobs N] [--time-limit SECONDS]\n"
                   "             [--memory-limit-mb MB] [--max-file-size BYTES] [--seed N]\n"
                   "             [--report FILE.tsv] [FILE-OR-FOLDER...]\n");
      return false;
    }
  }
  return true;
}

void AddFiles(const fs::path& Input, bool Hostile, const TOptions& Options, std::vector<TFile>& Files) {
  std::vector<fs::path> found;
  std::error_code ec;
  if (fs::is_directory(Input, ec)) {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(Input, ec))
      if (e.is_regular_file()) found.push_back(e.path());
  } else if (fs::is_regular_file(Input, ec)) {
    found.push_back(Input);
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& p : found) {
    if (!Hostile && fs::file_size(p, ec) >= Options.MaxFileSize) continue;
    TFile f{p, Options.TimeLimit, Options.MemoryLimitMB};
    for (const TFileBound& b : FILE_BOUNDS)
      if (p.filename() == b.Name) {
        f.TimeLimit = std::max(f.TimeLimit, SLOW_BUILD ? b.SlowSeconds : b.Seconds);
        f.MemoryLimitMB = std::max(f.MemoryLimitMB, b.MemoryMB);
      }
    Files.push_back(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseArgs(argc, argv, options)) return 2;
  std::vector<TFile> files;
  if (options.Inputs.empty()) {
    const char* env = std::getenv("KVWORD_SHARED_DIR");
    const fs::path shared = env && *env ? fs::path(env) : fs::path(KVWORD_SHARED_DIR);
    if (!fs::is_directory(shared / "hostile" / "files") && !fs::is_directory(shared / "corpus" / "files")) {
      std::printf("sweep: %s is absent: nothing to sweep\n", shared.string().c_str());
      return 0;
    }
    AddFiles(shared / "hostile" / "files", true, options, files);
    AddFiles(shared / "corpus" / "files", false, options, files);
    // The project's own small documents in the other formats Word opens.
    if (fs::is_directory(KVWORD_TEST_DATA_DIR)) AddFiles(KVWORD_TEST_DATA_DIR, false, options, files);
  } else {
    for (const fs::path& p : options.Inputs) AddFiles(p, true, options, files);
  }
  if (options.Report.empty()) options.Report = KVWORD_SWEEP_REPORT;

  const Clock::time_point sweepStart = Clock::now();
  std::vector<TFileResult> results(files.size());
  std::vector<TRunning> running;
  size_t next = 0;
  while (next < files.size() || !running.empty()) {
    while (next < files.size() && int(running.size()) < options.Jobs) {
      int fds[2];
      if (pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("pipe");
        return 2;
      }
      std::fflush(nullptr);
      const pid_t pid = fork();
      if (pid < 0) {
        std::perror("fork");
        return 2;
      }
      if (pid == 0) {
        ::close(fds[0]);
        for (const TRunning& r : running) ::close(r.Fd);
        RunChild(files[next], options, fds[1]);
      }
      ::close(fds[1]);
      TRunning r;
      r.Pid = pid;
      r.Fd = fds[0];
      r.FileIndex = next++;
      r.Start = Clock::now();
      running.push_back(std::move(r));
    }

    std::vector<pollfd> polls;
    for (const TRunning& r : running) polls.push_back({r.Fd, POLLIN, 0});
    poll(polls.data(), polls.size(), 200);
    for (size_t i = 0; i < running.size();) {
      TRunning& r = running[i];
      const TFile& file = files[r.FileIndex];
      bool ended = false;
      if (polls[i].revents != 0) {
        char chunk[4096];
        const ssize_t n = ::read(r.Fd, chunk, sizeof(chunk));
        if (n <= 0) {
          ended = true;
        } else {
          r.Buffer.append(chunk, size_t(n));
          size_t nl;
          while ((nl = r.Buffer.find('\n')) != std::string::npos) {
            ParseLine(r, r.Buffer.substr(0, nl), files, options);
            r.Buffer.erase(0, nl + 1);
          }
        }
      }
      // Guards against a runaway child: a hard memory cap well above the bound (the
      // bound itself is judged from the peak afterwards), and a wall-clock bound for
      // the whole file that a CPU-time watchdog cannot see (a child that sleeps).
      if (!ended && !r.Killed) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - r.Start).count();
        const double fileBound = file.TimeLimit * 2 * VariantCount(options) + 30;
        const uint64_t rssKB = ResidentKB(r.Pid);
        if (rssKB > 2 * file.MemoryLimitMB * 1024) {
          r.KillReason = "resident set reached " + std::to_string(rssKB / 1024) + " MB";
        } else if (elapsed > fileBound) {
          r.KillReason = "still running after " + std::to_string(int(elapsed)) + " s";
        }
        if (!r.KillReason.empty()) {
          kill(r.Pid, SIGKILL);
          r.Killed = true;
        }
      }
      if (!ended) {
        ++i;
        continue;
      }
      int status = 0;
      rusage usage{};
      wait4(r.Pid, &status, 0, &usage);
      ::close(r.Fd);
      TFileResult& result = r.Result;
      result.PeakKB = uint64_t(usage.ru_maxrss);
      const std::string where = VariantName(files, r.FileIndex, r.Current, options);
      if (r.Killed) {
        result.Failures.push_back(where + ": killed, " + r.KillReason);
      } else if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        result.Failures.push_back(where + ": " +
                                  (sig == SIGPROF ? "exceeded " + std::to_string(file.TimeLimit) + " s"
                                                  : std::string("ended by signal ") + strsignal(sig)));
      } else if (WEXITSTATUS(status) != 0) {
        result.Failures.push_back(where + ": exited with status " + std::to_string(WEXITSTATUS(status)));
      } else if (result.Ended != VariantCount(options)) {
        result.Failures.push_back("only " + std::to_string(result.Ended) + " variants reported");
      }
      if (result.PeakKB > file.MemoryLimitMB * 1024)
        result.Failures.push_back("peak resident set " + std::to_string(result.PeakKB / 1024) +
                                  " MB over the bound of " + std::to_string(file.MemoryLimitMB) + " MB");
      for (const std::string& f : result.Failures)
        std::printf("FAIL %s: %s\n", file.Path.string().c_str(), f.c_str());
      std::fflush(stdout);
      results[r.FileIndex] = std::move(result);
      running.erase(running.begin() + std::ptrdiff_t(i));
      polls.erase(polls.begin() + std::ptrdiff_t(i));
    }
  }
  const double total = std::chrono::duration<double>(Clock::now() - sweepStart).count();

  std::ofstream report(options.Report);
  report << "file\tvariants\tloaded\tlibrary_errors\tfailures\tslowest_s\tslowest_variant\tpeak_rss_mb\n";
  int variants = 0, loaded = 0, errors = 0, failures = 0;
  double slowest = 0;
  std::string slowestWhere, peakWhere;
  uint64_t peakKB = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const TFileResult& r = results[i];
    variants += VariantCount(options);
    loaded += r.Loaded;
    errors += r.Errors;
    failures += int(r.Failures.size());
    if (r.SlowestSeconds > slowest) {
      slowest = r.SlowestSeconds;
      slowestWhere = files[i].Path.filename().string() + " " + VariantName(files, i, r.SlowestVariant, options);
    }
    if (r.PeakKB > peakKB) {
      peakKB = r.PeakKB;
      peakWhere = files[i].Path.filename().string();
    }
    char line[128];
    std::snprintf(line, sizeof(line), "\t%d\t%d\t%d\t%zu\t%.3f\t%d\t%.1f\n", VariantCount(options), r.Loaded,
                  r.Errors, r.Failures.size(), r.SlowestSeconds, r.SlowestVariant, double(r.PeakKB) / 1024);
    report << files[i].Path.string() << line;
  }
  std::printf(
      "sweep: %zu files, %d variants (%d truncations, %d flips each): %d loaded, %d library errors, "
      "%d failures\n"
      "sweep: slowest load %.3f s CPU (%s); peak resident set %.1f MB (%s); %.1f s in all with %d job(s)\n"
      "sweep: report %s\n",
      files.size(), variants, options.Truncations, options.Flips, loaded, errors, failures, slowest,
      slowestWhere.c_str(), double(peakKB) / 1024, peakWhere.c_str(), total, options.Jobs,
      options.Report.c_str());
  return failures == 0 ? 0 : 1;
}
