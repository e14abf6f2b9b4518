// VBAProjectStorage: the walk over the storage that holds a VBA project (a ".doc"
// file's "Macros" storage, or the root of the compound file a macro-enabled package
// keeps as vbaProject.bin) that fills the project items, reads the module sources
// and frames them into the macro text. Both Word readers call it.
#pragma once

#include <string>

namespace msword {

class TVBAProjectItems;
class TWideStrings;
namespace storage {
class TStorage;
}

// Reads the streams of the project under Root, storages walked depth first in
// directory order, at most 15 storages below Root: "PROJECT" into ProjectText (each byte one
// character of the same code), the cache of "_VBA_PROJECT" into Items, and the
// modules the "dir" stream lists. When the cache does not name every module "dir"
// lists, the modules are those of "dir", in its order, written over the first items.
// Errors of the storage layer pass out, leaving what was read.
void ReadVBAProjectStreams(storage::TStorage& Root, TVBAProjectItems& Items, std::u16string& ProjectText);

// Decompresses the source of each item from the stream under Root its module name
// names, from the item's offset to the stream's end, into the item's body (empty
// when the stream cannot be opened). Errors of the storage layer pass out.
void ReadVBAModuleSources(storage::TStorage& Root, TVBAProjectItems& Items);

// Adds the macro framing of each item with a body, in list order: the separator
// line, "'  Macro(s) from " and the module name, the separator line again, and the
// source (each byte one character) followed by CR LF.
void AddVBAMacroText(const TVBAProjectItems& Items, TWideStrings& MacroText);

}  // namespace msword
