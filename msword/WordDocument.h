// TMSWordDocument: the reader of binary Word documents (".doc": Word 97-2003,
// Word 6/95 in compound files, and the oldest plain Word files).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "msword/CustomWordDocument.h"

namespace msword {

// Lets the host supply the document language that decides the code page of 8-bit text.
using TMSWordGetDefaultLanguage = std::function<void(TObject* Sender, uint16_t& DocLang)>;

class TMSWordDocument : public TMSCustomWordDocument {
 public:
  explicit TMSWordDocument(TComponent* AOwner);

  void LoadFromStream(TStream* Stream) override;
  void LoadFromFile(const std::u16string& AFileName) override;

  // The format generation of the last FIB read (0, 2, 5, 6, 7 or 8); 0 before any.
  int32_t DocVersion() const { return FDocVersion; }
  void SetDocVersion(int32_t Value) { FDocVersion = Value; }
  const TMSWordGetDefaultLanguage& OnGetDefaultLanguage() const { return FOnGetDefaultLanguage; }
  void SetOnGetDefaultLanguage(TMSWordGetDefaultLanguage Value) { FOnGetDefaultLanguage = std::move(Value); }

 protected:
  const char* ClassName() const override { return "TMSWordDocument"; }

  int32_t FDocVersion = 0;
  TMSWordGetDefaultLanguage FOnGetDefaultLanguage;
};

}  // namespace msword
