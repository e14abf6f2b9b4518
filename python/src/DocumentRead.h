// What the Python module reads: one document, from a file or from memory, with the
// module's settings, into plain C++ values that can be built into Python objects
// later (so that the reading itself runs without the interpreter's lock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "msword/ReaderChoice.h"
#include "msword/base/BaseDocument.h"
#include "msword/base/CustomWordDocument.h"

namespace kvword::python {

enum TReaderMode : uint8_t { rmAuto = 0, rmDoc = 1, rmDocx = 2 };

struct TReadOptions {
  msword::TKvWView View = msword::vwShown;
  msword::TKvWRevisions Revisions = msword::rvDefault;
  msword::TMSTextFormating Format = msword::tfPlainText;
  int32_t MaxLength = 0;
  bool HiddenText = false;
  bool Macros = false;
  bool Summary = true;
  std::optional<std::u16string> Password;
  TReaderMode Reader = rmAuto;
};

// A document to read: a file name, or bytes the caller keeps alive while it is read.
struct TReadSource {
  std::u16string FileName;
  const char* Data = nullptr;
  size_t Size = 0;
  bool InMemory = false;
};

// Why a document could not be read, as the module's exception classes tell it apart.
enum TReadError : uint8_t {
  reNone = 0,
  reNotWord,            // not a Word document
  rePasswordProtected,  // protected, and no password was given
  reWrongPassword,      // a password was given and does not open it
  reDamaged,            // damaged, or any other failure of the reader
  reNotFound,           // no such file
  reCannotOpen          // the file exists but cannot be opened (permissions, a folder)
};

// A local date-time as its fields, year 1 to 9999, whole seconds.
struct TLocalDateTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  std::optional<int32_t> UtcOffset;  // minutes east of UTC of that clock time, when known
};

struct TSummaryValue {
  const char* Name;  // the property's name: "Title", "Author", "Created", ...
  std::variant<std::string, int32_t, TLocalDateTime> Value;
};

// One document's result. Texts are UTF-8, each list entry one line of the reader's
// list; a lone UTF-16 surrogate in a document's text becomes U+FFFD, as the
// command-line tool prints it.
struct TReadResult {
  TReadError Error = reNone;
  std::u16string Message;  // the library's message, exactly as raised

  bool Docx = false;
  std::optional<int32_t> DocVersion;  // the ".doc" reader only
  std::vector<std::string> Text, FootNotes, EndNotes, Headers, Footers, Annotations, TextBoxes,
      MacroText;
  std::vector<TSummaryValue> Summary;  // the properties that are set, in the record's order
  std::vector<std::pair<std::string, std::string>> VBAModules;  // name, source
};

// Reads one document; never throws.
TReadResult ReadDocument(const TReadSource& Source, const TReadOptions& Options);

// The class of a failure from the library's message.
TReadError ClassifyMessage(const std::u16string& Message);

}  // namespace kvword::python
