#include "msword/WordXDocument.h"

#include "msword/Exceptions.h"
#include "msword/MSWordCnst.h"

namespace msword {

TMSWordXDocument::TMSWordXDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

// The package reader is not wired yet: every input is refused for now.
void TMSWordXDocument::LoadFromStream(TStream* Stream) { TMSCustomWordDocument::LoadFromStream(Stream); }

void TMSWordXDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  throw Exception(Format(strFileIsNotWord, AFileName));
}

}  // namespace msword
