// TDocumentLoader: one worker's pair of reader components, configured from the
// command line, loading one document at a time and giving what is to be printed.
#pragma once

#include <memory>
#include <string>

#include "cli/Options.h"
#include "msword/doc/WordDocument.h"
#include "msword/docx/WordXDocument.h"

namespace kvword {

// What one document gives: the bytes for standard output and, when it failed, the
// library's message for standard error.
struct TDocumentResult {
  std::string Output;
  // In text mode, the loaded document itself: its text is encoded as it is
  // written (WriteText), so that it is never held twice.
  std::unique_ptr<msword::TMSCustomWordDocument> Document;
  bool Failed = false;
  std::string Message;  // UTF-8, exactly as the library raised it
};

class TDocumentLoader {
 public:
  explicit TDocumentLoader(const TKvWordOptions& Options);
  ~TDocumentLoader();
  TDocumentLoader(const TDocumentLoader&) = delete;
  TDocumentLoader& operator=(const TDocumentLoader&) = delete;

  // Loads File (as given on the command line): in JSON mode gives its JSON line,
  // in text mode the loaded document, whose text (without its "==> FILE <=="
  // heading) WriteText prints. A failed document gives its JSON error line, or
  // nothing. Never throws.
  TDocumentResult Load(const std::string& File);

 private:
  void Configure(msword::TMSCustomWordDocument& Document) const;
  // A reader component of that kind, configured from the options.
  std::unique_ptr<msword::TMSCustomWordDocument> NewReader(TReaderKind Kind) const;

  const TKvWordOptions& FOptions;
};

}  // namespace kvword
