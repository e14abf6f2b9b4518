#include "msword/model/ListDescription.h"

#include <string_view>

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
      // An entry may hold several paragraphs, each ended by CR LF (or CR, or LF).
      const std::u16string_view entry = list->Get(i);
      size_t start = 0;
      while (start <= entry.size()) {
        size_t end = entry.find_first_of(u"\r\n", start);
        if (end == std::u16string_view::npos) end = entry.size();
        if (end > start || entry.empty()) {
          Sink.BeginParagraph({});
          Sink.Text(entry.substr(start, end - start), {});
          Sink.EndParagraph();
        }
        if (end + 1 < entry.size() && entry[end] == u'\r' && entry[end + 1] == u'\n') ++end;
        start = end + 1;
      }
    }
    Sink.EndStory();
  }
}

}  // namespace msword
