#include "msword/model/ListDescription.h"

#include "msword/base/CustomWordDocument.h"
#include "msword/base/WideStrings.h"
#include "msword/model/DocumentSink.h"

namespace msword {

void DescribeLists(const TMSCustomWordDocument& Document, TKvWDocumentSink& Sink) {
  const std::pair<TKvWStoryKind, const TWideStrings*> stories[] = {
      {skMain, Document.Text()},
      {skFootnotes, Document.FootNoteText()},
      {skEndnotes, Document.EndNoteText()},
      {skHeaders, Document.HeaderText()},
      {skFooters, Document.FooterText()},
      {skComments, Document.AnnotationText()},
      {skTextBoxes, Document.TextBoxText()},
  };
  for (const auto& [kind, list] : stories) {
    if (!list) continue;
    Sink.BeginStory(kind, {});
    const int count = list->Count();
    for (int i = 0; i < count; ++i) {
      Sink.BeginParagraph({});
      Sink.Text(list->Get(i), {});
      Sink.EndParagraph();
    }
    Sink.EndStory();
  }
}

}  // namespace msword
