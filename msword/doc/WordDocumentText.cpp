// Reading the characters of a Word document: the main text piece by piece (or as one
// 8-bit run in the oldest files) and the side stories by character position.
#include <algorithm>
#include <bit>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Streams.h"
#include "msword/base/SymbolFonts.h"
#include "msword/doc/WordDocument.h"

namespace msword {

namespace {

[[noreturn]] void RaisePieceOutOfRange() { throw Exception(std::u16string(strPieceOutOfRange)); }

// Raises EReadError, before anything is allocated for it, when the stream does not
// hold Count bytes at Offset.
void CheckRun(TStream& Stream, uint64_t Offset, uint64_t Count) {
  const int64_t size = Stream.Size();
  if (Offset > uint64_t(size) || Count > uint64_t(size) - Offset) throw EReadError();
}

// Reads Count bytes at Offset into Bytes (reusing its storage); a run that the stream
// does not hold raises EReadError before anything is allocated for it.
void ReadRun(TStream& Stream, uint64_t Offset, uint64_t Count, std::string& Bytes) {
  CheckRun(Stream, Offset, Count);
  Stream.Seek(int64_t(Offset), soBeginning);
  Bytes.resize(size_t(Count));
  Stream.ReadBuffer(Bytes.data(), int64_t(Count));
}

// Appends the Chars UTF-16LE characters at Offset of the stream to Text, read
// straight into it; a run that the stream does not hold raises EReadError before
// anything is allocated for it.
void AppendUtf16Run(TStream& Stream, uint64_t Offset, uint64_t Chars, std::u16string& Text) {
  CheckRun(Stream, Offset, Chars * 2);
  const size_t at = Text.size();
  Text.resize(at + size_t(Chars));
  Stream.Seek(int64_t(Offset), soBeginning);
  Stream.ReadBuffer(Text.data() + at, int64_t(Chars * 2));
  if constexpr (std::endian::native == std::endian::big)
    for (size_t k = at; k < Text.size(); ++k) Text[k] = char16_t(Text[k] << 8 | Text[k] >> 8);
}

constexpr char16_t chFieldBegin = 19, chFieldSeparator = 20, chFieldEnd = 21;

// The character a SYMBOL field without a result stands for: its instruction is
// "SYMBOL code [\\f font] [\\u] [\\a | \\h | \\s size]" (the code decimal or 0x hex).
// False for any other field and for a code that cannot be read.
bool SymbolFieldText(std::u16string_view Instruction, uint16_t CodePage, std::u16string& Shown) {
  std::vector<std::u16string> words;
  for (size_t i = 0; i < Instruction.size();) {
    while (i < Instruction.size() && Instruction[i] == u' ') ++i;
    if (i >= Instruction.size()) break;
    std::u16string word;
    if (Instruction[i] == u'"') {
      const size_t end = Instruction.find(u'"', i + 1);
      word = Instruction.substr(i + 1, (end == std::u16string_view::npos ? Instruction.size() : end) - i - 1);
      i = end == std::u16string_view::npos ? Instruction.size() : end + 1;
    } else {
      while (i < Instruction.size() && Instruction[i] != u' ') word += Instruction[i++];
    }
    words.push_back(std::move(word));
  }
  if (words.size() < 2 || words[0] != u"SYMBOL") return false;
  uint32_t code = 0;
  const std::u16string& number = words[1];
  const bool hex = number.size() > 2 && number[0] == u'0' && (number[1] == u'x' || number[1] == u'X');
  if (number.empty() || number.size() > 8) return false;
  for (size_t i = hex ? 2 : 0; i < number.size(); ++i) {
    const char16_t c = number[i];
    const int digit = c >= u'0' && c <= u'9' ? c - u'0'
                      : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                      : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                      : -1;
    if (digit < 0) return false;
    code = code * (hex ? 16 : 10) + uint32_t(digit);
  }
  std::u16string font;
  bool unicode = false;
  for (size_t i = 2; i < words.size(); ++i) {
    if ((words[i] == u"\\f" || words[i] == u"\\F") && i + 1 < words.size()) font = words[++i];
    else if (words[i] == u"\\u" || words[i] == u"\\U") unicode = true;
  }
  if (code == 0 || code > 0xFFFF) return false;
  if (IsSymbolFont(font) && (code <= 0xFF || (code >= 0xF020 && code <= 0xF0FF)))
    Shown = SymbolFontText(font, char16_t(code));
  else if (unicode || code > 0xFF)
    Shown = std::u16string(1, char16_t(code));
  else
    Shown = StringToWideStringEx(std::string(1, char(code)), CodePage);
  return !Shown.empty();
}

}  // namespace

// Word for Windows 2 ends its paragraphs with CR LF, where the CR alone is the
// paragraph mark; and its SYMBOL fields (bullets, mostly) keep no result, so that
// only their instruction says what they show.
std::u16string TMSWordDocument::ShownWord2Text(std::u16string Text, uint16_t CodePage) {
  std::u16string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c == u'\n' && i > 0 && Text[i - 1] == u'\r') continue;
    if (c == chFieldBegin) {
      // A field that holds no other field and no result, ending within its paragraph.
      size_t end = i + 1;
      while (end < Text.size() && end - i < 256 && Text[end] != chFieldEnd && Text[end] != chFieldBegin &&
             Text[end] != chFieldSeparator && Text[end] != u'\r')
        ++end;
      std::u16string shown;
      if (end < Text.size() && Text[end] == chFieldEnd &&
          SymbolFieldText(std::u16string_view(Text).substr(i + 1, end - i - 1), CodePage, shown)) {
        out += shown;
        i = end;
        continue;
      }
    }
    out += c;
  }
  return out;
}

void TMSWordDocument::ReadSimpleText(TStream* Stream) {
  TStream& stream = *Stream;
  PAPX_pn_previous = 0;
  wvCHPX_pn_previous = 0;
  const uint16_t codePage = DocLangToCodePage();
  const uint64_t size = uint64_t(std::max<int64_t>(stream.Size(), 0));
  // How many characters the pieces claim (never more than the stream has bytes),
  // so that the text and the room AddText converts it in are allocated once.
  auto pieceChars = [&](uint32_t start, uint64_t n, uint64_t b) -> uint64_t {
    // The fallback piece knows no length of its own: reading stops before a read
    // that would start beyond fcMac.
    if (!CLX.Fallback) return n;
    return start > FIB.fcMac ? 0 : std::min<uint64_t>(n, (FIB.fcMac - start) / b + 1);
  };
  uint64_t claimed = 0;
  for (uint32_t i = 0; i < CLX.noPCD; ++i) {
    uint32_t start = 0, end = 0;
    const int32_t width = GetPieceBoundsFC(start, end, i);
    if (width < 0) break;
    claimed += pieceChars(start, uint32_t(CLX.Pos[i + 1] - CLX.Pos[i]), width == 1 ? 1 : 2);
  }
  claimed = std::min(claimed, size);
  std::u16string text;
  text.reserve(size_t(claimed + AddTextRoom(size_t(claimed))));
  std::string bytes;
  uint64_t total = 0;  // bytes taken from the stream over all pieces
  for (uint32_t i = 0; i < CLX.noPCD; ++i) {
    if (IsCancelExtract) break;
    uint32_t start = 0, end = 0;
    const int32_t width = GetPieceBoundsFC(start, end, i);
    if (width < 0) break;
    const uint64_t b = width == 1 ? 1 : 2;
    const uint64_t n = uint32_t(CLX.Pos[i + 1] - CLX.Pos[i]);
    if (start > size || start + n > size) RaisePieceOutOfRange();
    const uint64_t chars = pieceChars(start, n, b);
    // Pieces of a sound table never share bytes: more than the stream holds in all
    // means a damaged table, not text to be read twice.
    total += chars * b;
    if (start + chars * b <= size && total > size) RaisePieceOutOfRange();
    if (b == 2 && FDocVersion >= 8) {
      AppendUtf16Run(stream, start, chars, text);
      continue;
    }
    ReadRun(stream, start, chars * b, bytes);
    if (FDocVersion >= 8)
      AppendAnsiToWide(text, bytes);  // Word 97 "compressed" text is always Windows-1252
    else
      text += StringToWideStringEx(bytes, codePage);
  }
  AddText(std::move(text), Text());
  Text()->Insert(0, GetTextStart());
  Text()->Add(GetTextFinish());
}

void TMSWordDocument::ReadOneRun(TStream& Stream, uint16_t CodePage) {
  const int64_t length = int64_t(FIB.fcMac) - int64_t(FIB.fcMin);
  if (length > 0) {
    std::string bytes;
    ReadRun(Stream, FIB.fcMin, uint64_t(length), bytes);
    std::u16string text = StringToWideStringEx(bytes, CodePage);
    if (View() == vwShown && FDocVersion <= 2) text = ShownWord2Text(std::move(text), CodePage);
    AddText(std::move(text), Text());
  }
  Text()->Insert(0, GetTextStart());
  Text()->Add(GetTextFinish());
}

std::u16string TMSWordDocument::ReadStory(TStream& Stream, uint64_t First, uint64_t Lim,
                                          uint16_t CodePage) {
  std::u16string text;
  if (Lim <= First) return text;
  std::string bytes;
  if (FDocVersion < 8 && !CLX.EightBit) {
    // Before Word 97 the stories are 8-bit text laid end to end from fcMin (unless
    // a fast save left a piece table).
    const uint64_t covered = FIB.fcMac > FIB.fcMin ? FIB.fcMac - FIB.fcMin : 0;
    Lim = std::min(Lim, covered);
    if (Lim <= First) return text;
    ReadRun(Stream, FIB.fcMin + First, Lim - First, bytes);
    return StringToWideStringEx(bytes, CodePage);
  }
  const uint64_t size = uint64_t(std::max<int64_t>(Stream.Size(), 0));
  uint64_t total = 0;
  for (uint32_t i = 0; i < CLX.noPCD; ++i) {
    const uint64_t p0 = CLX.Pos[i], p1 = CLX.Pos[i + 1];
    const uint64_t lo = std::max(First, p0), hi = std::min(Lim, p1);
    if (lo >= hi) continue;
    uint32_t start = 0, end = 0;
    const uint64_t b = GetPieceBoundsFC(start, end, i) == 1 ? 1 : 2;
    const uint64_t offset = start + (lo - p0) * b, count = (hi - lo) * b;
    total += count;
    if (offset > size || count > size - offset || total > size) RaisePieceOutOfRange();
    if (b == 2) {
      AppendUtf16Run(Stream, offset, count / 2, text);
    } else {
      ReadRun(Stream, offset, count, bytes);
      if (CLX.EightBit)
        text += StringToWideStringEx(bytes, CodePage);
      else
        AppendAnsiToWide(text, bytes);
    }
  }
  return text;
}

void TMSWordDocument::ReadSideTexts(TStream* Stream, uint16_t CodePage) {
  TStream& stream = *Stream;
  // The stories follow the main text in this order, each ccp... characters long.
  uint64_t cp = FIB.ccpText;
  auto next = [&](uint32_t count) {
    const uint64_t first = cp;
    cp += count;
    return ReadStory(stream, first, cp, CodePage);
  };
  auto add = [&](std::u16string text, TWideStrings* list) {
    if (!text.empty()) AddText(std::move(text), list);
  };
  add(next(FIB.ccpFtn), FFootNoteText.get());
  add(next(FIB.ccpHdr), FHeaderText.get());
  cp += FIB.ccpMcr;  // the macro story is not text of the document
  add(next(FIB.ccpAtn), FAnnotationText.get());
  add(next(FIB.ccpEdn), FEndNoteText.get());
  std::u16string boxes = next(FIB.ccpTxbx);
  boxes += next(FIB.ccpHdrTxbx);
  add(std::move(boxes), FTextBoxText.get());
}

}  // namespace msword
