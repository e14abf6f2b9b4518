#include "msword/WordDocument.h"

#include "msword/Exceptions.h"
#include "msword/MSWordCnst.h"

namespace msword {

TMSWordDocument::TMSWordDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

// The binary reader is not wired yet: every input is refused for now.
void TMSWordDocument::LoadFromStream(TStream* Stream) {
  TMSCustomWordDocument::LoadFromStream(Stream);
  throw Exception(Format(strFileIsNotWord, u""));
}

void TMSWordDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  ClearInternalLists();
  throw Exception(Format(strFileIsNotWord, AFileName));
}

}  // namespace msword
