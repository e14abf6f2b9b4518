#include "msword/model/DocumentSink.h"

namespace msword {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }

// Letters and digits of the scripts list labels are written in (Latin, Greek,
// Cyrillic, Hebrew, Arabic, Thai, kana, CJK, Hangul); everything else in a label
// is a symbol such as a bullet, a dash or an arrow.
bool IsLabelLetterOrDigit(char16_t c) {
  if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  return (c >= 0x00C0 && c <= 0x024F && c != 0x00D7 && c != 0x00F7) || (c >= 0x0370 && c <= 0x04FF) ||
         (c >= 0x05D0 && c <= 0x05EA) || (c >= 0x0620 && c <= 0x06FF) || (c >= 0x0E00 && c <= 0x0E7F) ||
         (c >= 0x3040 && c <= 0x30FF) || c == 0x3007 || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF5A);
}

}  // namespace

TKvWListLabelKind ClassifyListLabel(std::u16string_view Label) {
  while (!Label.empty() && IsBlank(Label.front())) Label.remove_prefix(1);
  while (!Label.empty() && IsBlank(Label.back())) Label.remove_suffix(1);
  TKvWListLabelKind result;
  if (Label.empty()) return result;
  size_t digits = 0;
  while (digits < Label.size() && Label[digits] >= u'0' && Label[digits] <= u'9') ++digits;
  const std::u16string_view rest = Label.substr(digits);
  // Nine digits at most: a longer number is no list item's in Markdown either. A
  // number with leading zeros ("01", "007") is kept as text: a list marker would
  // drop them.
  const bool padded = digits > 1 && Label[0] == u'0';
  if (digits > 0 && digits <= 9 && !padded && (rest.empty() || rest == u"." || rest == u")")) {
    result.Kind = lkNumber;
    for (size_t i = 0; i < digits; ++i) result.Number = result.Number * 10 + (Label[i] - u'0');
    result.Delimiter = rest.empty() ? u'.' : rest[0];
    return result;
  }
  // Word's second-level bullet is the letter "o" in Courier New.
  if (Label == u"o") {
    result.Kind = lkBullet;
    return result;
  }
  for (char16_t c : Label)
    if (IsLabelLetterOrDigit(c)) {
      result.Kind = lkOther;
      return result;
    }
  result.Kind = lkBullet;
  return result;
}

int32_t HeadingLevelOfStyleName(std::u16string_view Name) {
  constexpr std::u16string_view Prefix = u"heading ";
  if (Name.size() != Prefix.size() + 1) return 0;
  for (size_t i = 0; i < Prefix.size(); ++i) {
    char16_t c = Name[i];
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    if (c != Prefix[i]) return 0;
  }
  const char16_t digit = Name.back();
  return digit >= u'1' && digit <= u'9' ? digit - u'0' : 0;
}

}  // namespace msword
