// TMSCustomWordDocument: what both Word readers collect besides the main text:
// six side texts, the macro text, the summary information and the VBA project.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "msword/MSWordCnst.h"
#include "msword/base/BaseDocument.h"
#include "msword/base/SummaryInformation.h"
#include "msword/base/VBAProjectItems.h"

namespace msword {

class TKvWDocumentSink;  // msword/model/DocumentSink.h

// How a reader reads. vwStored: the text as the file stores it, read as the readers
// always have (the default). vwShown: what Word displays: list labels and note marks,
// tracked changes resolved, hidden text dropped, side stories only in their lists.
enum TKvWView : uint8_t { vwStored = 0, vwShown = 1 };

// What becomes of tracked changes. rvDefault: the view's own way (stored: as the
// reader always did; shown: accepted). rvMark: "+" before each inserted run and "-"
// before each deleted run in plain text and RTF, <u> and <s> in HTML.
enum TKvWRevisions : uint8_t { rvDefault = 0, rvAccept, rvReject, rvMark };

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

  TKvWView View() const { return FView; }
  void SetView(TKvWView Value) { FView = Value; }
  TKvWRevisions Revisions() const { return FRevisions; }
  void SetRevisions(TKvWRevisions Value) { FRevisions = Value; }
  // The way tracked changes are read in this load: rvDefault resolved through View
  // (stored: rvDefault stays, meaning the reader's own stored behaviour; shown: rvAccept).
  TKvWRevisions EffectiveRevisions() const {
    if (FRevisions != rvDefault) return FRevisions;
    return FView == vwShown ? rvAccept : rvDefault;
  }
  // The password of a protected document (empty: none given). Never shown in a
  // message.
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& Value) { FPassword = Value; }
  // The most rounds of password hashing (an Agile spin count) a protected document
  // may ask for; more refuses it before hashing. Up to MaxSpinCount (ten million),
  // above which the encryption is taken as damaged.
  uint32_t MaxSpinCount() const { return FMaxSpinCount; }
  void SetMaxSpinCount(uint32_t Value) { FMaxSpinCount = Value; }

  // Where a reader that describes documents sends the events of its shown view
  // (nullptr: nowhere, and nothing is spent on them). The sink stays the caller's
  // and must outlive the load. The stored view sends none.
  TKvWDocumentSink* DocumentSink() const { return FDocumentSink; }
  void SetDocumentSink(TKvWDocumentSink* Value) { FDocumentSink = Value; }
  // Whether this reader sends events to a document sink; a caller describes the
  // lists of one that does not itself.
  virtual bool DescribesDocument() const { return false; }

  std::unique_ptr<TVBAProjectItems> VBAProjectItems;

 protected:
  const char* ClassName() const override { return "TMSCustomWordDocument"; }
  void ClearVBAProjectItems();
  // The name messages give the document being read: the file LoadFromFile was
  // given while it runs, FileName otherwise.
  const std::u16string& MessageFileName() const { return FLoadingFile.empty() ? FileName() : FLoadingFile; }
  // Adds a story a text reader wrote as marked text (base/MarkedText) to List in
  // this document's output format, freeing the story as it goes. The main text
  // (Framed) is framed by the format's header and trailer even when empty; an empty
  // side story adds nothing.
  void AddMarkedStory(std::u16string& Story, TWideStrings* List, bool Framed);
  // Frames the main text in List with the output format's header and trailer. The
  // shown view's plain text has no empty framing lines: no header or trailer entry
  // is added, and nothing follows the last paragraph's line (its mark
  // ends its line: no empty entry, no line end of its own at the end of an entry). The stored view keeps both as they are.
  void FrameMainText(TWideStrings* List);
  // Names the file LoadFromFile reads for as long as the guard lives.
  class TLoadingFile {
   public:
    TLoadingFile(TMSCustomWordDocument& ADocument, const std::u16string& AFileName) : FDocument(ADocument) {
      FDocument.FLoadingFile = AFileName;
    }
    ~TLoadingFile() { FDocument.FLoadingFile.clear(); }
    TLoadingFile(const TLoadingFile&) = delete;
    TLoadingFile& operator=(const TLoadingFile&) = delete;

   private:
    TMSCustomWordDocument& FDocument;
  };

  std::unique_ptr<TWideStrings> FMacroText;
  std::unique_ptr<TWideStrings> FFootNoteText;
  std::unique_ptr<TWideStrings> FHeaderText;
  std::unique_ptr<TWideStrings> FFooterText;
  std::unique_ptr<TWideStrings> FAnnotationText;
  std::unique_ptr<TWideStrings> FEndNoteText;
  std::unique_ptr<TWideStrings> FTextBoxText;
  std::unique_ptr<TKvWordSummaryInformation> FSummaryInformation;
  std::u16string FVBAProject;
  TKvWView FView = vwStored;
  TKvWRevisions FRevisions = rvDefault;
  std::u16string FPassword;
  uint32_t FMaxSpinCount = DefaultMaxSpinCount;
  std::u16string FLoadingFile;
  TKvWDocumentSink* FDocumentSink = nullptr;
};

}  // namespace msword
