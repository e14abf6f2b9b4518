#include "msword/base/WideStrings.h"

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {
const std::u16string kEmpty;
}

int TWideStrings::Add(const std::u16string& S) {
  FWideStringList.push_back(S);
  return int(FWideStringList.size()) - 1;
}

int TWideStrings::Add(std::u16string&& S) {
  FWideStringList.push_back(std::move(S));
  return int(FWideStringList.size()) - 1;
}

void TWideStrings::Insert(int Index, const std::u16string& S) {
  if (Index < 0 || Index > Count()) throw Exception(std::u16string(strWideStringsIndexOutOfBounds));
  FWideStringList.insert(FWideStringList.begin() + Index, S);
}

const std::u16string& TWideStrings::Get(int Index) const {
  if (Index < 0 || Index >= Count()) return kEmpty;
  return FWideStringList[size_t(Index)];
}

int TWideStrings::IndexOf(std::u16string_view S) const {
  for (size_t i = 0; i < FWideStringList.size(); ++i)
    if (FWideStringList[i] == S) return int(i);
  return -1;
}

int TWideStrings::IndexOfIgnoreCase(std::u16string_view S) const {
  for (size_t i = 0; i < FWideStringList.size(); ++i)
    if (WideCompareText(S, FWideStringList[i]) == 0) return int(i);
  return -1;
}

int TWideStrings::WideCompareText(std::u16string_view S1, std::u16string_view S2) {
  return LocaleCompareTextIgnoreCase(S1, S2);
}

std::u16string TWideStrings::GetText() const { return GetTextStr(); }

std::u16string TWideStrings::GetTextStr() const {
  size_t total = 0;
  for (const std::u16string& s : FWideStringList) total += s.size() + 2;
  std::u16string result(total, u'\0');
  char16_t* out = result.data();
  for (const std::u16string& s : FWideStringList) {
    out = std::copy(s.begin(), s.end(), out);
    *out++ = u'\r';
    *out++ = u'\n';
  }
  return result;
}

void TWideStrings::SaveToStream(TStream* Stream) const {
  if (FSaveUnicode) {
    const std::u16string text = GetTextStr();
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(char(0xFF));
    bytes.push_back(char(0xFE));
    for (char16_t c : text) {
      bytes.push_back(char(c & 0xFF));
      bytes.push_back(char(c >> 8));
    }
    Stream->WriteBuffer(bytes.data(), int64_t(bytes.size()));
  } else {
    const std::string bytes = WideToAnsi(GetText());
    if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), int64_t(bytes.size()));
  }
}

void TWideStrings::SaveToFile(const std::u16string& FileName) const {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

}  // namespace msword
