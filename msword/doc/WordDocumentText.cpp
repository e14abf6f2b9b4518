// Reading the characters of a Word document: the main text piece by piece (or as one
// 8-bit run in the oldest files) and the side stories by character position.
#include <algorithm>
#include <bit>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Streams.h"
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

}  // namespace

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
    AddText(StringToWideStringEx(bytes, CodePage), Text());
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
