#include "msword/base/Charsets.h"

#include "msword/base/CodePages.h"

namespace msword {

namespace {

std::string Folded(std::string_view S) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!S.empty() && blank(S.front())) S.remove_prefix(1);
  while (!S.empty() && blank(S.back())) S.remove_suffix(1);
  std::string out(S);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return out;
}

}  // namespace

uint16_t CharsetCodePage(std::string_view Charset) {
  const std::string c = Folded(Charset);
  if (c == "utf-8" || c == "utf8") return 65001;
  if (c == "utf-16" || c == "utf-16le" || c == "unicode") return 1200;
  if (c == "utf-16be" || c == "unicodefffe") return 1201;
  if (c == "iso-8859-1" || c == "latin1" || c == "us-ascii" || c == "ascii" || c == "iso8859-1") return 1252;
  if (c == "iso-8859-9") return 1254;
  if (c == "shift_jis" || c == "shift-jis" || c == "x-sjis" || c == "sjis" || c == "ms_kanji") return 932;
  if (c == "gb2312" || c == "gbk" || c == "x-gbk" || c == "cp936") return 936;
  if (c == "big5" || c == "big5-hkscs") return 950;
  if (c == "euc-kr" || c == "ks_c_5601-1987" || c == "ks_c_5601") return 949;
  if (c == "tis-620" || c == "windows-874") return 874;
  if (c == "koi8-r") return IsSupportedCodePage(20866) ? 20866 : 0;
  if (c.rfind("windows-", 0) == 0 || c.rfind("cp", 0) == 0) {
    const std::string_view digits = std::string_view(c).substr(c[0] == 'w' ? 8 : 2);
    if (digits.size() == 4 && digits.find_first_not_of("0123456789") == std::string_view::npos) {
      const int cp = (digits[0] - '0') * 1000 + (digits[1] - '0') * 100 + (digits[2] - '0') * 10 + (digits[3] - '0');
      if (cp >= 1250 && cp <= 1258) return uint16_t(cp);
    }
  }
  return 0;
}

std::u16string DecodeCharset(std::string_view Bytes, uint16_t CodePage) {
  switch (CodePage) {
    case 65001:
      return Utf8ToWide(Bytes);
    case 1200:
      return Utf16LEToWide(Bytes);
    case 1201: {
      std::string swapped(Bytes.substr(0, Bytes.size() & ~size_t(1)));
      for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
      return Utf16LEToWide(swapped);
    }
    case 0:
    case 1252:
      return AnsiToWide(Bytes);
    default:
      return IsSupportedCodePage(CodePage) ? StringToWideStringEx(Bytes, CodePage) : AnsiToWide(Bytes);
  }
}

uint16_t FontCharsetCodePage(uint8_t Charset) {
  switch (Charset) {
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

}  // namespace msword
