// The encodings a document names that the library cannot decode. A reader that
// meets such an encoding reads the bytes concerned as Windows-1252 (what it always
// did) and notes the encoding, so that a host can say the text may be wrong instead
// of presenting it as read. Notes go to the innermost collector alive on the
// calling thread: a document collects for its whole load, chunks imported by it
// included.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace msword {

class TUndecodableEncodings {
 public:
  TUndecodableEncodings();
  ~TUndecodableEncodings();
  TUndecodableEncodings(const TUndecodableEncodings&) = delete;
  TUndecodableEncodings& operator=(const TUndecodableEncodings&) = delete;

  // Each encoding once, in the order met ("cp437" for a code page, else the
  // name the document gave, in lower case); at most MaxEncodings of them.
  const std::vector<std::string>& Encodings() const { return FEncodings; }
  void Add(std::string_view Encoding);

  static constexpr size_t MaxEncodings = 16;

 private:
  std::vector<std::string> FEncodings;
  TUndecodableEncodings* FOuter;
};

// Notes that Encoding could not be decoded; nothing when no collector is alive.
void NoteUndecodableEncoding(std::string_view Encoding);
void NoteUndecodableCodePage(unsigned CodePage);
// True when S holds a byte that a fallback to Windows-1252 may have read wrongly.
bool HasNonAsciiByte(std::string_view S);

}  // namespace msword
