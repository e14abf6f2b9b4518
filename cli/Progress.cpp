#include "cli/Progress.h"

#include <fmt/format.h>

namespace kvword {

std::string FormatProgress(size_t Done, std::optional<size_t> Total, double ElapsedSeconds) {
  const double rate = ElapsedSeconds > 0 ? double(Done) / ElapsedSeconds : 0.0;
  if (!Total) return fmt::format("kvword: {} files, {:.1f} files/s", Done, rate);
  std::string line = fmt::format("kvword: {}/{} files, {:.1f} files/s", Done, *Total, rate);
  if (rate > 0 && Done <= *Total) {
    const auto left = static_cast<unsigned long long>(double(*Total - Done) / rate + 0.5);
    if (left >= 3600)
      fmt::format_to(std::back_inserter(line), ", {}:{:02}:{:02} left", left / 3600, left / 60 % 60,
                     left % 60);
    else
      fmt::format_to(std::back_inserter(line), ", {}:{:02} left", left / 60, left % 60);
  }
  return line;
}

TProgress::TProgress(std::FILE* Stream, bool Enabled, std::optional<size_t> Total)
    : FStream(Stream),
      FEnabled(Enabled),
      FTotal(Total),
      FStart(std::chrono::steady_clock::now()),
      FLastShown(FStart) {}

void TProgress::Update(size_t Done) {
  if (!FEnabled) return;
  const auto now = std::chrono::steady_clock::now();
  // The first and the last count are always shown; in between, ten a second at most
  // (also when error messages keep removing the line).
  if (Done > 1 && now - FLastShown < std::chrono::milliseconds(100) && (!FTotal || Done < *FTotal))
    return;
  FLastShown = now;
  const double elapsed = std::chrono::duration<double>(now - FStart).count();
  // Carriage return, the line, then erase what a longer earlier line left.
  fmt::print(FStream, "\r{}\x1b[K", FormatProgress(Done, FTotal, elapsed));
  std::fflush(FStream);
  FShown = true;
}

void TProgress::Clear() {
  if (!FShown) return;
  std::fputs("\r\x1b[K", FStream);
  std::fflush(FStream);
  FShown = false;
}

}  // namespace kvword
