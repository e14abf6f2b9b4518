// TProgress: the line on a terminal's standard error that shows how far a run of
// many documents has come, rewritten in place a few times a second.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace kvword {

// "kvword: 120/500 files, 35.2 files/s, 0:11 left"; without a total,
// "kvword: 120 files, 35.2 files/s".
std::string FormatProgress(size_t Done, std::optional<size_t> Total, double ElapsedSeconds);

class TProgress {
 public:
  // Writes to Stream only when Enabled.
  TProgress(std::FILE* Stream, bool Enabled, std::optional<size_t> Total);
  // Shows Done documents finished; at most every tenth of a second.
  void Update(size_t Done);
  // Removes the line (before another message goes to the stream, and at the end).
  void Clear();

 private:
  std::FILE* FStream;
  bool FEnabled;
  std::optional<size_t> FTotal;
  bool FShown = false;
  std::chrono::steady_clock::time_point FStart, FLastShown;
};

}  // namespace kvword
