// TMSRtfDocument: the reader of RTF files, which Word opens as documents and which
// are often saved under a ".doc" name. It fills the same text, side lists and
// summary as the Word readers and frames its text as the .doc reader does.
#pragma once

#include <string>
#include <string_view>

#include "msword/base/CustomWordDocument.h"

namespace msword {

class TStream;

class TMSRtfDocument : public TMSCustomWordDocument {
 public:
  explicit TMSRtfDocument(TComponent* AOwner);
  ~TMSRtfDocument() override;

  // Refuses a file that does not start with "{\rtf" ("File %s is not valid MS Word
  // document"), then reads it.
  void LoadFromFile(const std::u16string& AFileName) override;
  // Reads the RTF document from the stream's position to its end.
  void LoadFromStream(TStream* Stream) override;
  // Reads the RTF document in Bytes (nothing checks that it starts as RTF should).
  void LoadFromBytes(std::string_view Bytes);
  // The shown view's main text and its notes are described to the document sink
  // as they are read (with the other stories after them, from their lists).
  bool DescribesDocument() const override { return true; }

 protected:
  const char* ClassName() const override { return "TMSRtfDocument"; }
};

}  // namespace msword
