#include "msword/base/CustomWordDocument.h"

#include <string.h>

namespace msword {

TMSCustomWordDocument::TMSCustomWordDocument(TComponent* AOwner)
    : TMSWBaseDocument(AOwner),
      VBAProjectItems(std::make_unique<TVBAProjectItems>()),
      FMacroText(std::make_unique<TWideStrings>()),
      FFootNoteText(std::make_unique<TWideStrings>()),
      FHeaderText(std::make_unique<TWideStrings>()),
      FFooterText(std::make_unique<TWideStrings>()),
      FAnnotationText(std::make_unique<TWideStrings>()),
      FEndNoteText(std::make_unique<TWideStrings>()),
      FTextBoxText(std::make_unique<TWideStrings>()),
      FSummaryInformation(std::make_unique<TKvWordSummaryInformation>()) {}

TMSCustomWordDocument::~TMSCustomWordDocument() {
  explicit_bzero(FPassword.data(), FPassword.size() * sizeof(char16_t));
  FMacroText.reset();
  FFootNoteText.reset();
  FHeaderText.reset();
  FFooterText.reset();
  FAnnotationText.reset();
  FEndNoteText.reset();
  FTextBoxText.reset();
  FSummaryInformation.reset();
  ClearVBAProjectItems();
  VBAProjectItems.reset();
}

void TMSCustomWordDocument::ClearInternalLists() {
  TMSWBaseDocument::ClearInternalLists();
  for (TWideStrings* list : {FMacroText.get(), FFootNoteText.get(), FHeaderText.get(),
                             FFooterText.get(), FAnnotationText.get(), FEndNoteText.get(),
                             FTextBoxText.get()})
    if (list) list->Clear();
}

void TMSCustomWordDocument::ClearVBAProjectItems() {
  if (VBAProjectItems) VBAProjectItems->Clear();
}

void TMSCustomWordDocument::SetSummaryInformation(const TKvWordSummaryInformation* Value) {
  FSummaryInformation->Assign(Value);
}

}  // namespace msword
