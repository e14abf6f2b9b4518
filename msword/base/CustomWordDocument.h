// TMSCustomWordDocument: what both Word readers collect besides the main text:
// six side texts, the macro text, the summary information and the VBA project.
#pragma once

#include <memory>
#include <string>

#include "msword/base/BaseDocument.h"
#include "msword/base/SummaryInformation.h"
#include "msword/base/VBAProjectItems.h"

namespace msword {

class TMSCustomWordDocument : public TMSWBaseDocument {
 public:
  explicit TMSCustomWordDocument(TComponent* AOwner);
  ~TMSCustomWordDocument() override;

  void ClearInternalLists() override;

  // The component's own lists: callers read them and never free them.
  TWideStrings* MacroText() const { return FMacroText.get(); }
  TWideStrings* FootNoteText() const { return FFootNoteText.get(); }
  TWideStrings* HeaderText() const { return FHeaderText.get(); }
  TWideStrings* FooterText() const { return FFooterText.get(); }
  TWideStrings* AnnotationText() const { return FAnnotationText.get(); }
  TWideStrings* EndNoteText() const { return FEndNoteText.get(); }
  TWideStrings* TextBoxText() const { return FTextBoxText.get(); }
  const std::u16string& VBAProject() const { return FVBAProject; }

  TKvWordSummaryInformation* SummaryInformation() const { return FSummaryInformation.get(); }
  // Copies Value's properties into the owned record; Value stays the caller's.
  void SetSummaryInformation(const TKvWordSummaryInformation* Value);

  std::unique_ptr<TVBAProjectItems> VBAProjectItems;

 protected:
  const char* ClassName() const override { return "TMSCustomWordDocument"; }
  void ClearVBAProjectItems();

  std::unique_ptr<TWideStrings> FMacroText;
  std::unique_ptr<TWideStrings> FFootNoteText;
  std::unique_ptr<TWideStrings> FHeaderText;
  std::unique_ptr<TWideStrings> FFooterText;
  std::unique_ptr<TWideStrings> FAnnotationText;
  std::unique_ptr<TWideStrings> FEndNoteText;
  std::unique_ptr<TWideStrings> FTextBoxText;
  std::unique_ptr<TKvWordSummaryInformation> FSummaryInformation;
  std::u16string FVBAProject;
};

}  // namespace msword
