// TMSWordXDocument: the reader of Office Open XML word-processing packages (".docx").
#pragma once

#include <string>

#include "msword/CustomWordDocument.h"

namespace msword {

class TMSWordXDocument : public TMSCustomWordDocument {
 public:
  explicit TMSWordXDocument(TComponent* AOwner);

  void LoadFromStream(TStream* Stream) override;
  void LoadFromFile(const std::u16string& AFileName) override;

 protected:
  const char* ClassName() const override { return "TMSWordXDocument"; }
};

}  // namespace msword
