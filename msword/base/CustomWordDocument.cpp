#include "msword/base/CustomWordDocument.h"

#include <string.h>

#include "msword/base/MarkedText.h"

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

void TMSCustomWordDocument::AddMarkedStory(std::u16string& Story, TWideStrings* List, bool Framed) {
  if (!Framed && Story.empty()) return;
  std::u16string out;
  AppendMarkedText(out, Story, TextFormating());
  std::u16string().swap(Story);
  AddText(std::move(out), List);
  if (Framed) FrameMainText(List);
}

void TMSCustomWordDocument::FrameMainText(TWideStrings* List) {
  std::u16string start = GetTextStart();
  std::u16string finish = GetTextFinish();
  if (View() != vwShown || TextFormating() != tfPlainText) {
    List->Insert(0, std::move(start));
    List->Add(std::move(finish));
    return;
  }
  // A reader that keeps paragraphs in one entry ends it with the last one's line
  // end, which the list's own line end already gives.
  while (List->Count() > 0 && List->Get(List->Count() - 1).empty()) List->DeleteLast();
  if (List->Count() > 0 && List->Last().ends_with(u"\r\n")) List->Last().resize(List->Last().size() - 2);
  while (List->Count() > 0 && List->Get(List->Count() - 1).empty()) List->DeleteLast();
  if (!start.empty()) List->Insert(0, std::move(start));
  if (!finish.empty()) List->Add(std::move(finish));
}

}  // namespace msword
