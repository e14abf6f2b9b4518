#include "cli/DocumentLoader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "frontdoor/Output.h"

namespace kvword {

namespace {

// Standard input copied whole into an anonymous file, so that it is read exactly
// as a named file is; the name under which the library opens it. Raises when the
// copy fails.
class TStandardInputCopy {
 public:
  TStandardInputCopy() {
    FHandle = ::memfd_create("kvword-stdin", MFD_CLOEXEC);
    if (FHandle < 0) Fail();
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        Fail();
      }
      for (ssize_t done = 0; done < got;) {
        const ssize_t put = ::write(FHandle, buffer + done, size_t(got - done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) Fail();
        done += put;
      }
    }
    FName = "/proc/self/fd/" + std::to_string(FHandle);
  }
  ~TStandardInputCopy() {
    if (FHandle >= 0) ::close(FHandle);
  }
  TStandardInputCopy(const TStandardInputCopy&) = delete;
  TStandardInputCopy& operator=(const TStandardInputCopy&) = delete;
  const std::string& Name() const { return FName; }

 private:
  [[noreturn]] void Fail() {
    const std::string reason = std::strerror(errno);
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
    throw std::runtime_error("standard input: " + reason);
  }
  int FHandle = -1;
  std::string FName;
};

}  // namespace

TDocumentLoader::TDocumentLoader(const TKvWordOptions& Options)
    : FOptions(Options), FReadOptions(ReadOptionsOf(Options)), FOutputOptions(OutputOptionsOf(Options)) {}

TDocumentResult TDocumentLoader::Load(const std::string& File) const {
  TDocumentResult result;
  try {
    std::optional<TStandardInputCopy> input;
    if (File == "-") input.emplace();
    TReadResult read = ReadDocument(TReadSource::FromPath(input ? input->Name() : File), FReadOptions);
    if (!read.Failed()) {
      result.Undecodable = read.UndecodableEncodings;
      if (FOptions.Markdown)
        result.Output = FormatMarkdown(FOutputOptions, read);
      else if (FOptions.Json)
        result.Output = FormatJson(FOutputOptions, File, read);
      else
        result.Document = std::move(read);
      return result;
    }
    result.Message = std::move(read.Reason);
  } catch (const std::bad_alloc&) {
    result.Message = "Out of memory";
  } catch (const std::exception& e) {
    result.Message = e.what();
  } catch (...) {
    result.Message = "Unknown error";
  }
  result.Failed = true;
  if (FOptions.Json) result.Output = FormatJsonError(File, result.Message);
  return result;
}

std::string UndecodableWarning(const std::vector<std::string>& Encodings) {
  std::string names;
  for (const std::string& e : Encodings) names += (names.empty() ? "" : ", ") + e;
  return "cannot decode " + names + "; the text in " + (Encodings.size() == 1 ? "it" : "them") +
         " may be wrong";
}

}  // namespace kvword
