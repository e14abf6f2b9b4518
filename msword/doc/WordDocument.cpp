#include "msword/doc/WordDocument.h"

#include "msword/base/Exceptions.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Streams.h"

namespace msword {

TMSWordDocument::TMSWordDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

TMSWordDocument::~TMSWordDocument() { ClearCLX(CLX); }

bool TMSWordDocument::IsPasswordProtected() { return FIBIsEncrypted(FIB); }

void TMSWordDocument::ReadFIB(TStream* Stream) { DecodeFIB(*Stream, FIB, &FDocVersion); }

void TMSWordDocument::ReadCLX(TStream* TableStream) { DecodeCLX(TableStream, FIB, CLX); }

void TMSWordDocument::ReadDocStreams(TStream* Stream, TStream* TableStream) {
  ReadFIB(Stream);
  if (IsPasswordProtected()) throw Exception(std::u16string(strEFileIsPasswordProtected));
  if (!ParseItems().Contains(wpiText)) return;
  // Word 97 and later keep the piece table in the table stream whatever the flag
  // says (the flag only names which of the two streams it is); older files only
  // use one when the flag asks for it.
  ReadCLX(FDocVersion >= 8 || IsUseTableStream() ? TableStream : nullptr);
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
