// What the Python module reads: one document, from a file or from memory, with the
// module's settings, into plain C++ values that can be built into Python objects
// later (so that the reading itself runs without the interpreter's lock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "msword/ReaderChoice.h"
#include "msword/base/BaseDocument.h"
#include "msword/base/CustomWordDocument.h"

namespace kvword::python {

// rmAuto: by content, as the library chooses; else the reader of kind Mode - 1.
enum TReaderMode : uint8_t { rmAuto = 0, rmDoc, rmDocx, rmRtf, rmHtml, rmWordXml };

// "doc", "docx", "rtf", "html" or "wordxml", as the command-line tool names them.
const char* ReaderName(msword::TReaderKind Kind);

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

// A summary date: its clock time (year 1 to 9999, whole seconds) and where that
// clock stands against UTC, in minutes east (unset: the date states none, and its
// clock time is taken as UTC, as the command-line tool takes it).
struct TSummaryDate {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  std::optional<int32_t> UtcOffset;
};

// The date's fields, or nothing when Value is 0 (not set) or its clock time or its
// UTC moment falls outside the years 1 to 9999.
std::optional<TSummaryDate> SummaryDate(msword::TDateTime Value, std::optional<int32_t> UtcOffset);

enum TSummaryKind : uint8_t { skText = 0, skCount, skDate };

struct TSummaryValue {
  const char* Name = "";  // the property's name: "Title", "Author", "Created", ...
  TSummaryKind Kind = skText;
  std::string Text;  // skText
  int32_t Count = 0;  // skCount
  TSummaryDate Date;  // skDate
};

// One document's result. Texts are UTF-8, each list entry one line of the reader's
// list; a lone UTF-16 surrogate in a document's text becomes U+FFFD, as the
// command-line tool prints it.
struct TReadResult {
  TReadError Error = reNone;
  std::u16string Message;  // the library's message, exactly as raised

  // The reader that read it (a kind without a reader of its own is read by the
  // ".doc" reader, and named so).
  msword::TReaderKind Reader = msword::rkDoc;
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
