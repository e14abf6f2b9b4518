// TDocumentLoader: reads one document at a time through the front door, as the
// command line asks, and gives what is to be printed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "frontdoor/DocumentRead.h"

namespace kvword {

// What one document gives: the bytes for standard output and, when it failed, the
// reason for standard error.
struct TDocumentResult {
  std::string Output;
  // In text mode, what was read: its text is encoded as it is written
  // (WriteText), so that it is never held twice.
  std::optional<TReadResult> Document;
  bool Failed = false;
  std::string Message;  // why it failed (TReadResult::Reason), UTF-8 or the name's own bytes
  // The encodings the document named that could not be decoded (its text in them
  // was read as Windows-1252 or UTF-8 and may be wrong).
  std::vector<std::string> Undecodable;
};

// The warning the tool prints after "kvword: FILE: " for a document whose text
// holds bytes in encodings it could not decode.
std::string UndecodableWarning(const std::vector<std::string>& Encodings);

class TDocumentLoader {
 public:
  explicit TDocumentLoader(const TKvWordOptions& Options);

  // Loads File (as given on the command line; "-" is standard input, read whole
  // first): in JSON mode gives its JSON line, in text mode what was read, whose
  // text (without its "==> FILE <==" heading) WriteText prints. A failed document
  // gives its JSON error line, or nothing. Never throws.
  TDocumentResult Load(const std::string& File) const;

 private:
  const TKvWordOptions& FOptions;
  const TReadOptions FReadOptions;
  const TOutputOptions FOutputOptions;
};

}  // namespace kvword
