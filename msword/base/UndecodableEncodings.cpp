#include "msword/base/UndecodableEncodings.h"

#include <algorithm>

namespace msword {

namespace {
thread_local TUndecodableEncodings* tInnermost = nullptr;
}  // namespace

TUndecodableEncodings::TUndecodableEncodings() : FOuter(tInnermost) { tInnermost = this; }

TUndecodableEncodings::~TUndecodableEncodings() {
  tInnermost = FOuter;
  // What an inner load met is the outer document's too.
  if (FOuter)
    for (const std::string& e : FEncodings) FOuter->Add(e);
}

void TUndecodableEncodings::Add(std::string_view Encoding) {
  if (Encoding.empty() || FEncodings.size() >= MaxEncodings) return;
  std::string e(Encoding.substr(0, 64));
  for (char& c : e)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  if (std::find(FEncodings.begin(), FEncodings.end(), e) == FEncodings.end()) FEncodings.push_back(std::move(e));
}

void NoteUndecodableEncoding(std::string_view Encoding) {
  if (tInnermost) tInnermost->Add(Encoding);
}

void NoteUndecodableCodePage(unsigned CodePage) { NoteUndecodableEncoding("cp" + std::to_string(CodePage)); }

bool HasNonAsciiByte(std::string_view S) {
  return std::any_of(S.begin(), S.end(), [](char c) { return uint8_t(c) >= 0x80; });
}

}  // namespace msword
