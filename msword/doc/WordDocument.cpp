#include "msword/doc/WordDocument.h"

#include <algorithm>

#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

// Word 6 and 95 keep the piece table of a fast-saved document in the main stream
// at fcClx. Answers false, leaving Clx cleared, when the table there cannot be
// read or does not describe text of the stream: positions that go backwards, or a
// piece whose bytes lie outside it.
bool ReadMainStreamCLX(TStream& Main, const TFIB& Fib, TCLX& Clx) {
  try {
    DecodeCLX(&Main, Fib, Clx);
  } catch (const EReadError&) {
    ClearCLX(Clx);
    return false;
  }
  if (Clx.Fallback) {
    ClearCLX(Clx);
    return false;
  }
  Clx.EightBit = true;
  const uint64_t size = uint64_t(std::max<int64_t>(Main.Size(), 0));
  for (uint32_t i = 0; i < Clx.noPCD; ++i) {
    if (Clx.Pos[i + 1] < Clx.Pos[i] || Clx.pcd[i].fc > size ||
        Clx.Pos[i + 1] - Clx.Pos[i] > size - Clx.pcd[i].fc) {
      ClearCLX(Clx);
      return false;
    }
  }
  return true;
}

}  // namespace

TMSWordDocument::TMSWordDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

TMSWordDocument::~TMSWordDocument() { ClearCLX(CLX); }

bool TMSWordDocument::IsPasswordProtected() { return FIBIsEncrypted(FIB); }

void TMSWordDocument::ReadFIB(TStream* Stream) { DecodeFIB(*Stream, FIB, &FDocVersion); }

void TMSWordDocument::ReadCLX(TStream* TableStream) { DecodeCLX(TableStream, FIB, CLX); }

void TMSWordDocument::ReadDocStreams(TStream* Stream, TStream* TableStream, TStream* DataStream) {
  ReadFIB(Stream);
  if (IsPasswordProtected()) throw EKvWPasswordProtected(std::u16string(strEFileIsPasswordProtected));
  if (!ParseItems().Contains(wpiText)) return;
  // Word 97 and later keep the piece table in the table stream whatever the flag
  // says (the flag only names which of the two streams it is); older files only
  // use one when the flag asks for it.
  ReadCLX(FDocVersion >= 8 || IsUseTableStream() ? TableStream : nullptr);
  // A fast-saved Word 6 or 95 document appends its edits to the stream: the text
  // from fcMin on is an earlier draft, and only the piece table in the main stream
  // puts the current text together.
  if (FDocVersion >= 5 && FDocVersion <= 7 && IsComplexDocument() && CLX.Fallback &&
      FIB.lcbClx != 0 && !ReadMainStreamCLX(*Stream, FIB, CLX))
    ReadCLX(nullptr);
  if (View() == vwShown && FDocVersion > 2) {
    ReadShownText(Stream, TableStream, DataStream);
    return;
  }
  uint16_t codePage;
  if (FDocVersion > 2 && (IsComplexDocument() || CLX.noPCD > 0)) {
    ReadSimpleText(Stream);
    codePage = DocLangToCodePage();
  } else {
    codePage = DocLangToCodePage();
    ReadOneRun(*Stream, codePage);
  }
  ReadSideTexts(Stream, codePage);
}

}  // namespace msword
