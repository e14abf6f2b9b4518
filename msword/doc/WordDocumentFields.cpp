// Special characters and fields: how the control codes of Word text (paragraph and
// cell marks, breaks, the field marks 19, 20 and 21) become text of the chosen format.
#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "msword/base/CodePages.h"
#include "msword/doc/WordDocument.h"

namespace msword {

namespace {

constexpr char16_t chCell = 7, chLineFeed = 10, chPageBreak = 12, chParagraph = 13, chColumnBreak = 14;
constexpr char16_t chFieldBegin = 19, chFieldSeparator = 20, chFieldEnd = 21;

int FormatIndex(TMSTextFormating Format) { return Format == tfRTF ? 1 : Format == tfHTML ? 2 : 0; }

// Per format, the characters below 128 that stand for themselves with no report:
// everything from 32 up except what the format must escape, and the control codes
// Word gives no meaning here (4, 10, 15 to 18, 22 to 30; the column break, 14, ends a
// line in the shown view).
constexpr std::array<std::array<bool, 128>, 3> MakeSelfTable() {
  std::array<std::array<bool, 128>, 3> table{};
  for (int f = 0; f < 3; ++f) {
    for (int c = 0; c < 128; ++c) {
      bool self = c >= 32 || c == 4 || c == 10 || (c >= 15 && c <= 18) || (c >= 22 && c <= 30);
      if (f == 1 && (c == '\\' || c == '{' || c == '}')) self = false;
      if (f == 2 && (c == '&' || c == '<' || c == '>')) self = false;
      table[size_t(f)][size_t(c)] = self;
    }
  }
  return table;
}
constexpr auto kSelf = MakeSelfTable();

// The end of the run of characters from I on that certainly stand for themselves in
// Format: eight at a time, none a control code or one the format escapes. What is
// left to decide goes character by character.
size_t SkipPlainRun(const char16_t* Text, size_t I, size_t Length, int Format) {
#if defined(__SSE2__)
  const __m128i controls = _mm_set1_epi16(31), zero = _mm_setzero_si128();
  const char16_t* escaped = Format == 1 ? u"\\{}" : u"&<>";
  const __m128i e0 = _mm_set1_epi16(short(escaped[0])), e1 = _mm_set1_epi16(short(escaped[1])),
                e2 = _mm_set1_epi16(short(escaped[2]));
  while (I + 8 <= Length) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text + I));
    __m128i special = _mm_cmpeq_epi16(_mm_subs_epu16(v, controls), zero);  // v <= 31
    if (Format != 0)
      special = _mm_or_si128(special, _mm_or_si128(_mm_cmpeq_epi16(v, e0),
                                                   _mm_or_si128(_mm_cmpeq_epi16(v, e1), _mm_cmpeq_epi16(v, e2))));
    if (_mm_movemask_epi8(special) != 0) break;
    I += 8;
  }
#else
  (void)Text, (void)Length, (void)Format;
#endif
  return I;
}

// A document character as the format writes it.
std::u16string_view Escaped(char16_t c, int format) {
  if (format == 1) {
    switch (c) {
      case u'\\': return u"\\\\";
      case u'{': return u"\\{";
      case u'}': return u"\\}";
      default: break;
    }
  } else if (format == 2) {
    switch (c) {
      case u'&': return u"&amp;";
      case u'<': return u"&lt;";
      case u'>': return u"&gt;";
      default: break;
    }
  }
  return {};
}

// The document's own characters back from their escaped form.
std::u16string Unescaped(std::u16string_view S, int format) {
  std::u16string result;
  result.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    if (format == 1 && S[i] == u'\\' && i + 1 < S.size() &&
        (S[i + 1] == u'\\' || S[i + 1] == u'{' || S[i + 1] == u'}')) {
      result.push_back(S[++i]);
      continue;
    }
    if (format == 2 && S[i] == u'&') {
      const std::u16string_view rest = S.substr(i);
      if (rest.starts_with(u"&amp;")) { result.push_back(u'&'); i += 4; continue; }
      if (rest.starts_with(u"&lt;")) { result.push_back(u'<'); i += 3; continue; }
      if (rest.starts_with(u"&gt;")) { result.push_back(u'>'); i += 3; continue; }
    }
    result.push_back(S[i]);
  }
  return result;
}

// Leading and trailing spaces and control characters removed.
std::u16string_view Trimmed(std::u16string_view S) {
  size_t first = 0, last = S.size();
  while (first < last && S[first] <= u' ') ++first;
  while (last > first && S[last - 1] <= u' ') --last;
  return S.substr(first, last - first);
}

struct TFieldKeyword {
  std::u16string_view Keyword;
  TKvWordSysChar Value;
};
// Searched in order, so "PAGEREF" stands before "PAGE". The two switch entries are
// two backslashes and a letter.
constexpr TFieldKeyword kFieldKeywords[] = {
    {u"TIME", scTime},           {u"\\\\@", scDateTimePicture}, {u"HYPERLINK", scHyperlink},
    {u"TOC", scTOC},             {u"\\\\o", scTOC_From_Range},  {u"PAGEREF", scPage},
    {u"PAGE", scPage},           {u"NUMPAGES", scNumPages},     {u"EMBED", scEmbed},
    {u"EDITTIME", scEditTime},   {u"SPEICHERDAT", scSpeicherdat}, {u"DATEINAME", scDateIName},
    {u"ADVANCE", scFieldAttributes}, {u"SEQ TEXT_BOX", scTextField}, {u"*", scUnknown},
    {u"INCLUDEPICTURE", scIncludePicture}};
static_assert(std::size(kFieldKeywords) == 16);

}  // namespace

TKvWordSysChar GetSysCharByCode(std::u16string_view S) {
  for (const TFieldKeyword& entry : kFieldKeywords) {
    const std::u16string_view head = S.substr(0, entry.Keyword.size());
    if (head.size() != entry.Keyword.size()) continue;
    bool same = true;
    for (size_t i = 0; i < head.size() && same; ++i) same = AsciiUpper(head[i]) == entry.Keyword[i];
    if (same) return entry.Value;
  }
  return scUnknown;
}

void TMSWordDocument::ReportSysChar(TKvWordSysChar SysChar, std::u16string_view Value,
                                    std::u16string& Result) {
  if (OnConvertSysChar()) OnConvertSysChar()(this, SysChar, std::u16string(Value), Result);
}

std::u16string TMSWordDocument::ProcessSysCharacter(char16_t AChar, bool IsLast, char16_t& NextChar) {
  std::u16string result;
  AppendSysCharacter(AChar, IsLast, NextChar, result);
  return result;
}

size_t TMSWordDocument::AppendSysCharacter(char16_t AChar, bool IsLast, char16_t& NextChar,
                                           std::u16string& Dest) {
  const int format = FormatIndex(TextFormating());
  std::u16string_view out;
  TKvWordSysChar kind = scUnknown;
  switch (AChar) {
    case 0:
      return 0;
    case chPageBreak: case chColumnBreak:
      // In the shown view a page, column or section break starts a new line, as it
      // does on the screen, unless a paragraph or another break ends the line there
      // anyway. Stored, a page break leaves no text and a column break stands for
      // itself.
      if (FShowBreaks) {
        if (!IsLast && (NextChar == chParagraph || NextChar == chCell || NextChar == 11 ||
                        NextChar == chPageBreak || NextChar == chColumnBreak))
          return 0;
        static constexpr std::u16string_view lineBreak[3] = {u"\r\n", u"\r\n\\par ", u"<br>\r\n"};
        out = lineBreak[format];
        break;
      }
      if (AChar == chPageBreak) break;
      Dest.push_back(AChar);
      return 1;
    case 1: case 2: case 3: case 5: case 6: case 8: case 31:
      break;  // anchors, note marks and breaks leave no text
    case chCell:
      if (!IsLast && NextChar == chCell) {
        // The second mark of the pair then ends the row as a line feed.
        static constexpr std::u16string_view rowEnd[3] = {u"\r", u"\r\n\\par ", u"<br>\r\n"};
        out = rowEnd[format];
        NextChar = chLineFeed;
        kind = scRowEnd;
      } else {
        out = u" ";
        kind = scColumnEnd;
      }
      break;
    case 9:
      out = u"\t";
      break;
    case 11: {
      static constexpr std::u16string_view lineBreak[3] = {u"\r\n", u"\r\n\\par ", u"<br>\r\n"};
      out = lineBreak[format];
      break;
    }
    case chParagraph: {
      static constexpr std::u16string_view paragraph[3] = {u"\r\n", u"\r\n\\par ", u"<p></p>\r\n"};
      out = paragraph[format];
      kind = scParagraphEnd;
      break;
    }
    case chFieldBegin:
      FLastFieldCode.clear();
      intFieldCodeLen = 0;
      out = u"\x13";
      kind = scFieldBegin;
      break;
    case chFieldSeparator:
      out = u"\x14";
      kind = scFieldMiddle;
      break;
    case chFieldEnd:
      return AppendFieldEnd(Dest);
    case chInsertedBegin: case chInsertedEnd: case chDeletedBegin: case chDeletedEnd:
      if (FMarkRevisions) {
        static constexpr std::u16string_view marks[3][4] = {
            {u"+", u"", u"-", u""}, {u"+", u"", u"-", u""}, {u"<u>", u"</u>", u"<s>", u"</s>"}};
        const std::u16string_view mark = marks[format][AChar - chInsertedBegin];
        Dest.append(mark);
        return mark.size();
      }
      [[fallthrough]];
    default: {
      // Every other character stands for itself, escaped where the format needs it.
      const std::u16string_view escaped = Escaped(AChar, format);
      if (escaped.empty()) {
        Dest.push_back(AChar);
        return 1;
      }
      Dest.append(escaped);
      return escaped.size();
    }
  }
  if (!OnConvertSysChar()) {
    Dest.append(out);
    return out.size();
  }
  std::u16string result(out);
  ReportSysChar(kind, std::u16string_view(&AChar, 1), result);
  Dest.append(result);
  return result.size();
}

size_t TMSWordDocument::AppendFieldEnd(std::u16string& Dest) {
  const int format = FormatIndex(TextFormating());
  std::u16string out;
  ReportSysChar(scFieldEnd, u"\x15", out);
  if (FLastFieldCode.empty()) {
    Dest.append(out);
    return out.size();
  }
  // The collected text, without its begin mark and the one space after it.
  std::u16string_view s = FLastFieldCode;
  if (!s.empty() && s[0] == chFieldBegin) s.remove_prefix(1);
  if (!s.empty() && s[0] == u' ') s.remove_prefix(1);
  // The instruction ends at the separator; a field without one ends it at its first
  // switch (" \"), and then shows nothing.
  size_t instructionEnd = s.find(chFieldSeparator);
  const bool hasSeparator = instructionEnd != std::u16string_view::npos;
  if (!hasSeparator) instructionEnd = s.find(u" \\");
  if (instructionEnd != std::u16string_view::npos) {
    std::u16string_view instruction = Trimmed(s.substr(0, instructionEnd));
    std::u16string unescaped;
    if (format != 0 && instruction.find(format == 1 ? u'\\' : u'&') != std::u16string_view::npos) {
      unescaped = Unescaped(instruction, format);
      instruction = unescaped;
    }
    TKvWordSysChar value = GetSysCharByCode(instruction);
    const bool embedFound = value == scEmbed;
    if (value == scUnknown && s.starts_with(u"EMBED")) {
      instruction = u"EMBED";
      value = scEmbed;
      out = u"<embdeded:";
      if (s.size() > 6) out.append(s.substr(5, s.size() - 6));
      out.push_back(u'>');
    }
    if (hasSeparator) {
      size_t resultStart = instructionEnd + 1;
      if (resultStart < s.size() && s[resultStart] == chFieldSeparator) ++resultStart;
      if (!embedFound && value != scEmbed) {
        if (!OnConvertSysChar()) {
          // No handler to see it: the field's result goes straight to the output.
          const std::u16string_view shown = s.substr(resultStart);
          Dest.append(shown);
          FLastFieldCode.clear();
          intFieldCodeLen = 0;
          return shown.size();
        }
        out.assign(s.substr(resultStart));
      }
    }
    ReportSysChar(value, instruction, out);
  }
  FLastFieldCode.clear();
  intFieldCodeLen = 0;
  Dest.append(out);
  return out.size();
}

void TMSWordDocument::FinishFieldCode(std::u16string& Dest) {
  std::u16string_view rest = FLastFieldCode;
  if (!rest.empty()) rest.remove_prefix(1);
  Dest.push_back(u'\u2013');
  Dest.append(rest);
  FLastFieldCode.clear();
  intFieldCodeLen = 0;
}

void TMSWordDocument::AddText(std::u16string Value, TWideStrings* List) {
  if (!ConvertSysCharacters()) {
    Budget().ChargeOutput(Value.size());
    List->Add(std::move(Value));
    return;
  }
  const int format = FormatIndex(TextFormating());
  const std::array<bool, 128>& self = kSelf[size_t(format)];
  const bool marking = FMarkRevisions;
  auto standsForItself = [&self, marking](char16_t c) {
    return c < 128 ? self[c] : !(marking && c >= chInsertedBegin && c <= chDeletedEnd);
  };
  // The output is written into the text's own buffer, ahead of what is still to be
  // read: the text is moved behind a gap that the output fills, and when an
  // expansion (a paragraph mark becoming CR LF, say) would reach the unread text,
  // the gap grows. A whole document's text is thus never held twice.
  const size_t length = Value.size();
  std::u16string buffer = std::move(Value);
  size_t base = AddTextRoom(length);  // where the text's first character now lies
  buffer.resize(length + base);       // in place when the caller reserved the room
  std::memmove(buffer.data() + base, buffer.data(), length * sizeof(char16_t));
  size_t written = 0;
  // Appends Piece to the output; Unread is the index of the first character of the
  // text not yet taken.
  auto put = [&](const std::u16string& Piece, size_t Unread) {
    if (written + Piece.size() > base + Unread) {
      const size_t extra = std::max(written + Piece.size() - (base + Unread), buffer.size() / 2);
      buffer.resize(buffer.size() + extra);
      std::memmove(buffer.data() + base + Unread + extra, buffer.data() + base + Unread,
                   (length - Unread) * sizeof(char16_t));
      base += extra;
    }
    std::copy(Piece.begin(), Piece.end(), buffer.data() + written);
    written += Piece.size();
  };
  std::u16string piece;  // the output of one special character
  size_t i = 0;
  while (i < length) {
    char16_t* text = buffer.data() + base;
    // Runs of characters that convert to themselves are copied at once.
    if (FLastFieldCode.empty()) {
      const size_t runStart = i;
      if (!marking) i = SkipPlainRun(text, i, length, format);
      while (i < length && standsForItself(text[i])) ++i;
      std::memmove(buffer.data() + written, text + runStart, (i - runStart) * sizeof(char16_t));
      written += i - runStart;
    } else {
      while (i < length && intFieldCodeLen <= 200 && standsForItself(text[i])) {
        FLastFieldCode.push_back(text[i++]);
        ++intFieldCodeLen;
      }
    }
    if (i == length) break;
    const char16_t c = text[i];
    const bool isLast = i + 1 == length;
    char16_t next = isLast ? 0 : text[i + 1];
    piece.clear();
    // Fields do not nest: a begin mark ends the field that is open.
    if (intFieldCodeLen > 0 && c == chFieldBegin) AppendFieldEnd(piece);
    // A field that has collected more than 200 outputs is taken for damaged text.
    if (intFieldCodeLen > 200) FinishFieldCode(piece);
    if (c == chFieldEnd) {
      AppendFieldEnd(piece);
    } else if (c == chFieldBegin || !FLastFieldCode.empty()) {
      if (AppendSysCharacter(c, isLast, next, FLastFieldCode) > 0) ++intFieldCodeLen;
    } else {
      AppendSysCharacter(c, isLast, next, piece);
    }
    put(piece, i + 1);
    // A cell mark may change the character after it.
    if (!isLast) buffer[base + i + 1] = next;
    ++i;
  }
  piece.clear();
  if (intFieldCodeLen > 0) FinishFieldCode(piece);
  put(piece, length);
  buffer.resize(written);
  TMSWBaseDocument::AddText(std::move(buffer), List);
}

}  // namespace msword
