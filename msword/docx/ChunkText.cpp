#include "msword/docx/ChunkText.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

#include "msword/base/CodePages.h"
#include "msword/base/UndecodableEncodings.h"

namespace msword {

namespace {

std::string LowerAscii(std::string_view S) {
  std::string out(S);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return out;
}

// The code page of a charset name; 0 for UTF-8 or a name not known.
uint16_t CodePageOfCharset(std::string_view Name) {
  const std::string name = LowerAscii(Name);
  if (name.rfind("windows-", 0) == 0) {
    uint32_t cp = 0;
    for (char c : name.substr(8)) {
      if (c < '0' || c > '9' || cp > 65535) return 0;
      cp = cp * 10 + uint32_t(c - '0');
    }
    return cp <= 65535 && IsSupportedCodePage(uint16_t(cp)) ? uint16_t(cp) : 0;
  }
  if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii") return 1252;
  if (name == "shift_jis") return IsSupportedCodePage(932) ? 932 : 0;
  if (name == "gb2312" || name == "gbk") return IsSupportedCodePage(936) ? 936 : 0;
  if (name == "big5") return IsSupportedCodePage(950) ? 950 : 0;
  if (name == "koi8-r") return IsSupportedCodePage(20866) ? 20866 : 0;
  return 0;
}

// The charset a page names in its first few kilobytes ("charset=..."), or empty.
std::string MetaCharset(std::string_view Bytes) {
  const std::string head = LowerAscii(Bytes.substr(0, 4096));
  const size_t at = head.find("charset=");
  if (at == std::string::npos) return {};
  size_t p = at + 8;
  while (p < head.size() && (head[p] == '"' || head[p] == '\'' || head[p] == ' ')) ++p;
  size_t end = p;
  while (end < head.size() && (std::isalnum(uint8_t(head[end])) || head[end] == '-' || head[end] == '_')) ++end;
  return head.substr(p, end - p);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

// The character a named reference stands for; 0 when unknown.
char16_t NamedReference(std::u16string_view Name) {
  static constexpr struct {
    std::u16string_view Name;
    char16_t Char;
  } names[] = {
      {u"amp", u'&'},        {u"lt", u'<'},          {u"gt", u'>'},          {u"quot", u'"'},
      {u"apos", u'\''},      {u"nbsp", u'\u00A0'},   {u"copy", u'\u00A9'},   {u"reg", u'\u00AE'},
      {u"trade", u'\u2122'}, {u"mdash", u'\u2014'},  {u"ndash", u'\u2013'},  {u"hellip", u'\u2026'},
      {u"lsquo", u'\u2018'}, {u"rsquo", u'\u2019'},  {u"ldquo", u'\u201C'},  {u"rdquo", u'\u201D'},
      {u"bull", u'\u2022'},  {u"euro", u'\u20AC'},   {u"laquo", u'\u00AB'},  {u"raquo", u'\u00BB'},
      {u"middot", u'\u00B7'}, {u"deg", u'\u00B0'},   {u"times", u'\u00D7'},  {u"shy", u'\u00AD'},
      {u"sect", u'\u00A7'},  {u"para", u'\u00B6'},   {u"pound", u'\u00A3'},  {u"yen", u'\u00A5'},
      {u"cent", u'\u00A2'},  {u"iexcl", u'\u00A1'},  {u"iquest", u'\u00BF'}, {u"auml", u'\u00E4'},
      {u"ouml", u'\u00F6'},  {u"uuml", u'\u00FC'},   {u"Auml", u'\u00C4'},   {u"Ouml", u'\u00D6'},
      {u"Uuml", u'\u00DC'},  {u"szlig", u'\u00DF'},  {u"eacute", u'\u00E9'}, {u"egrave", u'\u00E8'},
      {u"aacute", u'\u00E1'}, {u"agrave", u'\u00E0'}, {u"ccedil", u'\u00E7'}, {u"ntilde", u'\u00F1'},
  };
  for (const auto& n : names)
    if (n.Name == Name) return n.Char;
  return 0;
}

// Decodes the reference at Text[At] ("&...;") into Out; returns the characters
// consumed, or 0 when it is no reference (the "&" then stands for itself).
size_t DecodeReference(std::u16string_view Text, size_t At, std::u16string& Out) {
  // A reference is at most 12 characters from its "&" to its ";": the ";" is looked
  // for that far and no further.
  constexpr size_t MaxReference = 12;
  const size_t semi = Text.substr(0, std::min(Text.size(), At + MaxReference + 1)).find(u';', At + 1);
  if (semi == std::u16string_view::npos || semi == At + 1) return 0;
  const std::u16string_view body = Text.substr(At + 1, semi - At - 1);
  if (body[0] == u'#') {
    uint32_t v = 0;
    const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
    const size_t from = hex ? 2 : 1;
    if (from >= body.size()) return 0;
    for (size_t i = from; i < body.size(); ++i) {
      const char16_t c = body[i];
      int d = c >= u'0' && c <= u'9' ? c - u'0' : -1;
      if (hex && d < 0) d = c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
      if (d < 0) return 0;
      v = v * (hex ? 16 : 10) + uint32_t(d);
      if (v > 0x10FFFF) return 0;
    }
    if (v == 0 || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    if (v >= 0x10000) {
      v -= 0x10000;
      Out.push_back(char16_t(0xD800 + (v >> 10)));
      Out.push_back(char16_t(0xDC00 + (v & 0x3FF)));
    } else {
      Out.push_back(char16_t(v));
    }
    return semi - At + 1;
  }
  const char16_t c = NamedReference(body);
  if (!c) return 0;
  Out.push_back(c);
  return semi - At + 1;
}

enum THtmlTagKind : uint8_t { htOther, htBlock, htBreak, htSkip, htPre };

THtmlTagKind KindOfTag(std::u16string_view Name) {
  static constexpr std::u16string_view blocks[] = {
      u"p",  u"div", u"li",  u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"tr", u"td", u"th", u"table",
      u"ul", u"ol",  u"dl",  u"dd", u"dt", u"blockquote", u"hr", u"section", u"article", u"header",
      u"footer", u"caption", u"address", u"center", u"body", u"nav", u"aside", u"figure", u"figcaption",
      u"form", u"fieldset", u"legend", u"main", u"option"};
  static constexpr std::u16string_view skipped[] = {u"head", u"script", u"style", u"template", u"title",
                                                    u"noscript", u"xml"};
  if (Name == u"br") return htBreak;
  if (Name == u"pre") return htPre;
  for (std::u16string_view b : blocks)
    if (b == Name) return htBlock;
  for (std::u16string_view s : skipped)
    if (s == Name) return htSkip;
  return htOther;
}

}  // namespace

bool ChunkLooksLikeMarkup(std::string_view Bytes) {
  size_t p = 0;
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") p = 3;
  else if (Bytes.substr(0, 2) == "\xFF\xFE" || Bytes.substr(0, 2) == "\xFE\xFF") {
    // UTF-16: the first character after blanks.
    const bool le = Bytes[0] == '\xFF';
    for (p = 2; p + 1 < Bytes.size(); p += 2) {
      const char16_t c = le ? char16_t(uint8_t(Bytes[p]) | uint8_t(Bytes[p + 1]) << 8)
                            : char16_t(uint8_t(Bytes[p]) << 8 | uint8_t(Bytes[p + 1]));
      if (!IsBlank(c)) return c == u'<';
    }
    return false;
  }
  while (p < Bytes.size() && IsBlank(char16_t(uint8_t(Bytes[p])))) ++p;
  return p < Bytes.size() && Bytes[p] == '<';
}

std::u16string DecodeChunkText(std::string_view Bytes, std::string_view Declared, bool Html) {
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToWide(Bytes.substr(3));
  if (Bytes.substr(0, 2) == "\xFF\xFE") return Utf16LEToWide(Bytes.substr(2));
  if (Bytes.substr(0, 2) == "\xFE\xFF") {
    std::string swapped(Bytes.substr(2, (Bytes.size() - 2) & ~size_t(1)));
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LEToWide(swapped);
  }
  std::string charset = Html ? MetaCharset(Bytes) : std::string();
  if (charset.empty()) charset = LowerAscii(Declared);
  if (const uint16_t cp = CodePageOfCharset(charset)) return StringToWideStringEx(Bytes, cp);
  // A character set this reader does not know is read as UTF-8, and noted.
  if (!charset.empty() && charset != "utf-8" && charset != "utf8" && HasNonAsciiByte(Bytes))
    NoteUndecodableEncoding(charset);
  return Utf8ToWide(Bytes);
}

std::vector<std::u16string> HtmlChunkLines(std::u16string_view Page) {
  std::vector<std::u16string> lines;
  std::u16string line;
  bool pendingBlank = false;
  int pre = 0;
  auto endLine = [&](bool keepEmpty) {
    if (!line.empty() || keepEmpty) lines.push_back(std::move(line));
    line.clear();
    pendingBlank = false;
  };
  size_t i = 0;
  const size_t n = Page.size();
  while (i < n) {
    const char16_t c = Page[i];
    if (c == u'<') {
      if (Page.compare(i, 4, u"<!--") == 0) {
        const size_t end = Page.find(u"-->", i + 4);
        i = end == std::u16string_view::npos ? n : end + 3;
        continue;
      }
      size_t p = i + 1;
      const bool closing = p < n && Page[p] == u'/';
      if (closing) ++p;
      const size_t nameStart = p;
      while (p < n && ((Page[p] >= u'a' && Page[p] <= u'z') || (Page[p] >= u'A' && Page[p] <= u'Z') ||
                       (Page[p] >= u'0' && Page[p] <= u'9') || Page[p] == u':' || Page[p] == u'-'))
        ++p;
      if (p == nameStart && !(p < n && (Page[p] == u'!' || Page[p] == u'?'))) {
        // A "<" that begins no tag is text.
        if (pendingBlank && !line.empty()) line.push_back(u' ');
        pendingBlank = false;
        line.push_back(u'<');
        ++i;
        continue;
      }
      std::u16string name(Page.substr(nameStart, p - nameStart));
      for (char16_t& ch : name)
        if (ch >= u'A' && ch <= u'Z') ch = char16_t(ch + 32);
      // A prefixed name (XHTML written with "h:p") counts by its local name.
      if (const size_t colon = name.rfind(u':'); colon != std::u16string::npos) name.erase(0, colon + 1);
      // The end of the tag, past quoted attribute values.
      char16_t quote = 0;
      while (p < n && (quote || Page[p] != u'>')) {
        if (quote) {
          if (Page[p] == quote) quote = 0;
        } else if (Page[p] == u'"' || Page[p] == u'\'') {
          quote = Page[p];
        }
        ++p;
      }
      const bool selfClosing = p > i && p < n && Page[p - 1] == u'/';
      i = p < n ? p + 1 : n;
      switch (KindOfTag(name)) {
        case htBreak:
          endLine(true);
          break;
        case htBlock:
          endLine(false);
          break;
        case htPre:
          endLine(false);
          if (!selfClosing) pre += closing ? (pre > 0 ? -1 : 0) : 1;
          break;
        case htSkip:
          if (!closing && !selfClosing) {
            // Everything up to the matching end tag is left out.
            const std::u16string endTag = u"</" + name;
            size_t end = i;
            for (;;) {
              end = Page.find(u"</", end);
              if (end == std::u16string_view::npos) break;
              size_t q = end + 2;
              size_t k = 0;
              while (k < name.size() && q + k < n && (Page[q + k] | 0x20) == name[k]) ++k;
              if (k == name.size()) break;
              end += 2;
            }
            if (end == std::u16string_view::npos) {
              i = n;
            } else {
              const size_t close = Page.find(u'>', end);
              i = close == std::u16string_view::npos ? n : close + 1;
            }
          }
          break;
        case htOther:
          break;
      }
      continue;
    }
    if (pre > 0) {
      if (c == u'\n') {
        endLine(true);
      } else if (c != u'\r') {
        if (c == u'&') {
          const size_t used = DecodeReference(Page, i, line);
          if (used) {
            i += used;
            continue;
          }
        }
        line.push_back(c);
      }
      ++i;
      continue;
    }
    if (IsBlank(c)) {
      pendingBlank = true;
      ++i;
      continue;
    }
    if (pendingBlank && !line.empty()) line.push_back(u' ');
    pendingBlank = false;
    if (c == u'&') {
      const size_t used = DecodeReference(Page, i, line);
      if (used) {
        i += used;
        continue;
      }
    }
    line.push_back(c);
    ++i;
  }
  endLine(false);
  return lines;
}

std::vector<std::u16string> PlainChunkLines(std::u16string_view Text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != u'\r' && Text[i] != u'\n') continue;
    lines.emplace_back(Text.substr(start, i - start));
    if (Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < Text.size()) lines.emplace_back(Text.substr(start));
  return lines;
}

bool IsRtfChunk(std::string_view Bytes, std::u16string_view ContentType) {
  if (Bytes.starts_with("{\\rtf")) return true;
  std::u16string_view bare = ContentType.substr(0, ContentType.find(u';'));
  while (!bare.empty() && (bare.front() == u' ' || bare.front() == u'\t')) bare.remove_prefix(1);
  while (!bare.empty() && (bare.back() == u' ' || bare.back() == u'\t')) bare.remove_suffix(1);
  std::u16string folded(bare);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  return folded == u"application/rtf" || folded == u"text/rtf";
}

}  // namespace msword
