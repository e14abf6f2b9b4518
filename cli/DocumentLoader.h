// TDocumentLoader: one worker's pair of reader components, configured from the
// command line, loading one document at a time and giving what is to be printed.
#pragma once

#include <memory>
#include <string>

#include "cli/Options.h"
#include "msword/WordDocument.h"
#include "msword/WordXDocument.h"

namespace kvword {

// What one document gives: the bytes for standard output and, when it failed, the
// library's message for standard error.
struct TDocumentResult {
  std::string Output;
  bool Failed = false;
  std::string Message;  // UTF-8, exactly as the library raised it
};

class TDocumentLoader {
 public:
  explicit TDocumentLoader(const TKvWordOptions& Options);
  ~TDocumentLoader();
  TDocumentLoader(const TDocumentLoader&) = delete;
  TDocumentLoader& operator=(const TDocumentLoader&) = delete;

  // Loads File (as given on the command line) and formats it: the JSON line, or the
  // text without its "==> FILE <==" heading. A failed document gives its JSON error
  // line, or no text. Never throws.
  TDocumentResult Load(const std::string& File);

 private:
  void Configure(msword::TMSCustomWordDocument& Document) const;
  msword::TMSCustomWordDocument& Reader(TReaderKind Kind);

  const TKvWordOptions& FOptions;
  std::unique_ptr<msword::TMSWordDocument> FWordDocument;
  std::unique_ptr<msword::TMSWordXDocument> FWordXDocument;
};

}  // namespace kvword
