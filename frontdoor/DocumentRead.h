// The front door every host reads documents through (the tool, the Python module
// and through it kvword.dask, the desktop program): "read this document with these
// options" gives a TReadResult, the document's texts, summary, VBA modules, reader
// and version, or the kind of failure (told by the exception's type, never by its
// text) with its message. No host needs a reader's header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontdoor/ReaderChoice.h"
#include "frontdoor/SideTexts.h"
#include "msword/MSWordCnst.h"
#include "msword/base/BaseDocument.h"
#include "msword/base/CustomWordDocument.h"
#include "msword/writers/MarkdownWriter.h"

namespace kvword {

using msword::rvAccept;
using msword::rvDefault;
using msword::rvMark;
using msword::rvReject;
using msword::tfHTML;
using msword::tfPlainText;
using msword::tfRTF;
using msword::TKvWRevisions;
using msword::TKvWView;
using msword::TMSTextFormating;
using msword::vwShown;
using msword::vwStored;

// What is read and how. The defaults are the library's own (the stored view);
// the tool and the Python module start from the shown view.
struct TReadOptions {
  TReaderMode Reader = rmAuto;
  bool ByExtension = false;  // with rmAuto: the desktop program's extension rule
  TMSTextFormating Format = tfPlainText;
  // Markdown: the readers read plain text and describe the document to a Markdown
  // writer (the shown view), whose text is TReadResult::Markdown.
  bool Markdown = false;
  // With Markdown, whether the plain text is left out of TReadResult's lists: the
  // .docx and Word XML readers, which describe every story as they read it, then
  // keep none, and cost less.
  bool MarkdownOnly = false;
  msword::TKvWMarkdownOptions MarkdownOptions;
  int32_t MaxLength = 0;  // not applied to Markdown, which is cut where it is written
  bool NoConvert = false;
  bool Macros = false;
  bool HiddenText = false;
  bool NoText = false;   // neither the main text nor the side texts
  bool Summary = true;   // read the summary information
  std::optional<uint16_t> Language;  // for ".doc" files whose language is neutral
  TKvWView View = vwStored;
  TKvWRevisions Revisions = rvDefault;
  std::string Password;  // UTF-8; empty: none
  // The most rounds of password hashing a protected document may ask for.
  uint32_t MaxSpinCount = msword::DefaultMaxSpinCount;
};

// A document to read: a file name, or bytes the caller keeps alive while it is read.
struct TReadSource {
  std::u16string FileName;  // the library's form of the name (see FromPath)
  const char* Data = nullptr;
  size_t Size = 0;
  bool InMemory = false;

  // A file named by the system's bytes (a name that is not UTF-8 keeps its bytes).
  static TReadSource FromPath(std::string_view Path);
  static TReadSource FromName(std::u16string FileName);
  static TReadSource FromMemory(const char* Data, size_t Size);
};

// Why a document could not be read.
enum TReadFailure : uint8_t {
  rfNone = 0,
  rfNotWord,            // not a document any reader reads
  rfPasswordProtected,  // protected, and no password was given
  rfWrongPassword,      // a password was given and does not open it
  rfDamaged,            // damaged, or any other failure of a reader
  rfNotFound,           // no such file
  rfCannotOpen,         // the file exists but cannot be opened (permissions)
  rfIsDirectory,        // a directory was named
  rfNotRegularFile,     // a FIFO, a device or a socket: reading it could block
  rfOverBudget,         // over the document's budget, or asks for more password hashing
                        // than allowed (a kind of damage)
  rfTimeout,            // over its time limit
  rfOutOfMemory,        // memory ran out (or its limit was reached)
  rfCrashed             // the process that read it ended abnormally
};

enum TSummaryKind : uint8_t { skText = 0, skCount, skDate };

// One summary property that is set, as the library holds it.
struct TSummaryValue {
  std::string_view Name;  // "Title", "Author", "Created", ...
  TSummaryKind Kind = skText;
  std::u16string Text;                // skText
  int32_t Count = 0;                  // skCount
  msword::TDateTime Date = 0;         // skDate: the clock time ...
  std::optional<int32_t> UtcOffset;   // ... and minutes east of UTC it stands at, if stated
};

struct TVBAModule {
  std::u16string Name, Source;
};

// The header and trailer texts a reader framed its RTF or HTML lists with (a
// reader may frame each side text as well). With them, the tool puts the side
// texts and the summary inside the one document it prints.
struct TFraming {
  std::vector<std::u16string> Headers, Trailers;
  bool IsHeader(std::u16string_view Entry) const;
  bool IsTrailer(std::u16string_view Entry) const;
};

struct TReadResult {
  TReadFailure Failure = rfNone;
  // The library's message, exactly as raised (it names the file).
  std::u16string Message;
  // The reason as the tool prints it after "kvword: FILE: " ("is not found", "The
  // file is damaged"), UTF-8 or the name's own bytes.
  std::string Reason;

  // The reader that read it (a kind without a reader of its own is read by the
  // ".doc" reader, and named so).
  TReaderKind Reader = rkDoc;
  std::optional<int32_t> DocVersion;  // the ".doc" reader only
  // The encodings the document named that could not be decoded: the text of the
  // bytes in them was read as Windows-1252 or UTF-8 and may be wrong.
  std::vector<std::string> UndecodableEncodings;
  std::vector<std::u16string> Text;   // the reader's entries; each is a line
  std::u16string Markdown;            // with TReadOptions::Markdown
  std::array<std::vector<std::u16string>, SideTextCount> Sides;  // by TSideText
  std::vector<TSummaryValue> Summary;  // the properties set, in the record's order
  std::vector<TVBAModule> VBAModules;
  TFraming Framing;  // in RTF and HTML

  bool Failed() const { return Failure != rfNone; }
  const std::vector<std::u16string>& Side(TSideText Kind) const { return Sides[Kind]; }
};

// Reads one document. Never throws.
TReadResult ReadDocument(const TReadSource& Source, const TReadOptions& Options);

// Fills the result of a reader component the caller configured and loaded (the
// texts are moved out of it). For hosts and tests that hold a component.
void CollectResult(TReadResult& Result, msword::TMSCustomWordDocument& Document,
                   const TReadOptions& Options);

// Why Path (the system's bytes) cannot be read as a document before any reader
// tries it, and the failure's kind: "is not found", "is a directory", "is not a
// regular file", or the system's reason; nothing when it is a regular file.
std::optional<std::pair<TReadFailure, std::string>> PathProblem(const std::string& Path);

// The reason a load failed, as the tool prints it: the library's Message with the
// file's name, which the tool's line already shows, replaced ("File a.doc is
// damaged" gives "The file is damaged").
std::string FailureReason(std::u16string_view Message, std::u16string_view FileName);

// An HTML header's character set declared as UTF-8, which every host writes.
void DeclareUtf8(std::u16string& Header);

// Text as the hosts give it: UTF-16 to UTF-8 (unpaired surrogates as U+FFFD), and
// UTF-8 to UTF-16.
std::string ToUtf8(std::u16string_view Text);
std::u16string FromUtf8(std::string_view Text);

// Whole seconds since the date-time type's epoch (1899-12-30): the whole part
// counts days (negative before the epoch) and the fraction, always added, the time
// of that day.
int64_t DateTimeSeconds(msword::TDateTime Value);
// The calendar date of a day counted from that epoch.
void DecodeDay(int64_t Day, int& Year, int& Month, int& DayOfMonth);

// The version of the library, "1.48".
std::string LibraryVersion();

}  // namespace kvword
