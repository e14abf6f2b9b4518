// Feeds arbitrary bytes to the ".doc" reader's shown view with a document sink
// attached: the events go to the Markdown writer through a check that they nest
// (every end closes what was opened last, text only inside a paragraph, rows only
// in tables, cells only in rows); events that do not nest are a finding. The last
// byte chooses how tracked changes are resolved (bits 0-1) and adds hidden text
// (bit 2), so that a whole document is a seed as it stands.
#include <cstddef>
#include <cstdint>
#include <string>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"
#include "msword/model/DocumentSink.h"
#include "msword/writers/MarkdownWriter.h"

namespace {

using namespace msword;

class TNestingCheck : public TKvWDocumentSink {
 public:
  explicit TNestingCheck(TKvWDocumentSink& Next) : FNext(Next) {}
  void BeginStory(TKvWStoryKind Kind, std::u16string_view Name) override {
    Open('S');
    FNext.BeginStory(Kind, Name);
  }
  void EndStory() override {
    Close('S');
    FNext.EndStory();
  }
  void BeginNote(TKvWNoteKind Kind, std::u16string_view Id) override {
    Open('N');
    FNext.BeginNote(Kind, Id);
  }
  void EndNote() override {
    Close('N');
    FNext.EndNote();
  }
  void BeginParagraph(const TKvWParagraphInfo& Info) override {
    Open('P');
    FNext.BeginParagraph(Info);
  }
  void EndParagraph() override {
    Close('P');
    FNext.EndParagraph();
  }
  void Text(std::u16string_view Value, const TKvWRunInfo& Run) override {
    if (FStack.empty() || FStack.back() != 'P') __builtin_trap();
    FNext.Text(Value, Run);
  }
  void Break(TKvWBreakKind Kind) override {
    if (FStack.empty() || FStack.back() != 'P') __builtin_trap();
    FNext.Break(Kind);
  }
  void NoteReference(TKvWNoteKind Kind, std::u16string_view Id, std::u16string_view Mark) override {
    if (FStack.empty() || FStack.back() != 'P') __builtin_trap();
    FNext.NoteReference(Kind, Id, Mark);
  }
  void BeginTable() override {
    Open('T');
    FNext.BeginTable();
  }
  void EndTable() override {
    Close('T');
    FNext.EndTable();
  }
  void BeginRow() override {
    Open('R');
    FNext.BeginRow();
  }
  void EndRow() override {
    Close('R');
    FNext.EndRow();
  }
  void BeginCell(const TKvWCellInfo& Info) override {
    Open('C');
    FNext.BeginCell(Info);
  }
  void EndCell() override {
    Close('C');
    FNext.EndCell();
  }
  bool Balanced() const { return FStack.empty(); }

 private:
  void Open(char Kind) {
    if (!FStack.empty()) {
      const char top = FStack.back();
      if (top == 'P' || (top == 'T') != (Kind == 'R') || (top == 'R') != (Kind == 'C')) __builtin_trap();
    } else if (Kind != 'S') {
      __builtin_trap();
    }
    // Tables nest no deeper than the reader's bound, so the stack stays small.
    if (FStack.size() > 200) __builtin_trap();
    FStack += Kind;
  }
  void Close(char Kind) {
    if (FStack.empty() || FStack.back() != Kind) __builtin_trap();
    FStack.pop_back();
  }

  TKvWDocumentSink& FNext;
  std::string FStack;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const uint8_t options = Data[Size - 1];
  TCustomMemoryStream stream(Data, Size);
  TMSWordDocument doc(nullptr);
  TKvWParseItems items{wpiText};
  if (options & 4) items = TKvWParseItems{wpiText, wpiHiddenText};
  doc.SetParseItems(items);
  doc.SetView(vwShown);
  doc.SetRevisions(TKvWRevisions(options & 3));
  TKvWMarkdownWriter writer;
  TNestingCheck check(writer);
  doc.SetDocumentSink(&check);
  try {
    doc.LoadFromStream(&stream);
  } catch (const Exception&) {
    return 0;  // damaged input is reported with an exception; anything else is a finding
  }
  if (!check.Balanced()) __builtin_trap();
  writer.Finish();
  return 0;
}
