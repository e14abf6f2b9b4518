// TMSWordDocument's VBA extraction: the project text, the project cache and the
// decompressed module sources of a "Macros" storage, framed into the macro text,
// by the VBA layer's walk over the project's storage.
#include "msword/doc/WordDocument.h"
#include "msword/storage/Storage.h"
#include "msword/vba/VBAProjectStorage.h"

namespace msword {

void TMSWordDocument::LoadVBA(storage::TStorage* Storage) {
  ReadVBAProjectStreams(*Storage, *VBAProjectItems, FVBAProject);
}

void TMSWordDocument::DecompressMacros(storage::TStorage* Storage) { ReadVBAModuleSources(*Storage, *VBAProjectItems); }

void TMSWordDocument::AddMacroText() { AddVBAMacroText(*VBAProjectItems, *FMacroText); }

}  // namespace msword
