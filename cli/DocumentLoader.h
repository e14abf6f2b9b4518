// TDocumentLoader: one worker's pair of reader components, configured from the
// command line, loading one document at a time and giving what is to be printed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "cli/Output.h"
#include "msword/doc/WordDocument.h"
#include "msword/docx/WordXDocument.h"
#include "msword/rtf/RtfDocument.h"

namespace kvword {

// What one document gives: the bytes for standard output and, when it failed, the
// library's message for standard error.
struct TDocumentResult {
  std::string Output;
  // In text mode, the loaded document itself: its text is encoded as it is
  // written (WriteText), so that it is never held twice.
  std::unique_ptr<msword::TMSCustomWordDocument> Document;
  // In RTF and HTML, the framing the reader gave its lists.
  std::shared_ptr<TFraming> Framing;
  bool Failed = false;
  std::string Message;  // why it failed (FailureReason), UTF-8 or the name's own bytes
  // The encodings the document named that could not be decoded (its text in them
  // was read as Windows-1252 or UTF-8 and may be wrong).
  std::vector<std::string> Undecodable;
};

// The warning the tool prints after "kvword: FILE: " for a document whose text
// holds bytes in encodings it could not decode.
std::string UndecodableWarning(const std::vector<std::string>& Encodings);

// The reason a load failed, as the tool prints it after "kvword: FILE: ": the
// library's Message with the file's name, which the line already shows, replaced
// ("File a.doc is damaged" gives "The file is damaged"). FileName is the name as
// the library was given it. Bytes of the name that are not UTF-8 come back as
// they were (WideToPath).
std::string FailureReason(std::u16string_view Message, std::u16string_view FileName);

// Why Path cannot be read as a document before any reader tries it: "is not
// found", "is a directory", "is not a regular file" (a FIFO or a device, which
// could block), or the system's reason; nothing when it is a regular file.
std::optional<std::string> PathProblem(const std::string& Path);

// An HTML header's character set declared as UTF-8, which the tool writes.
void DeclareUtf8(std::u16string& Header);

class TDocumentLoader {
 public:
  explicit TDocumentLoader(const TKvWordOptions& Options);
  ~TDocumentLoader();
  TDocumentLoader(const TDocumentLoader&) = delete;
  TDocumentLoader& operator=(const TDocumentLoader&) = delete;

  // Loads File (as given on the command line; "-" is standard input, read whole
  // first): in JSON mode gives its JSON line,
  // in text mode the loaded document, whose text (without its "==> FILE <=="
  // heading) WriteText prints. A failed document gives its JSON error line, or
  // nothing. Never throws.
  TDocumentResult Load(const std::string& File);

 private:
  void Configure(msword::TMSCustomWordDocument& Document, const std::shared_ptr<TFraming>& Framing) const;
  // A reader component of that kind, configured from the options; in RTF and HTML
  // it records its framing in Framing.
  std::unique_ptr<msword::TMSCustomWordDocument> NewReader(
      TReaderKind Kind, const std::shared_ptr<TFraming>& Framing) const;

  const TKvWordOptions& FOptions;
};

}  // namespace kvword
