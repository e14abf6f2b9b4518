#include "msword/model/ListDescription.h"

#include <string_view>

#include "msword/base/CustomWordDocument.h"
#include "msword/base/WideStrings.h"
#include "msword/model/DocumentSink.h"

namespace msword {

void DescribeList(TKvWStoryKind Kind, const TWideStrings* List, TKvWDocumentSink& Sink) {
  if (!List) return;
  Sink.BeginStory(Kind, {});
  const int count = List->Count();
  for (int i = 0; i < count; ++i) {
    // An entry may hold several paragraphs, each ended by CR LF (or CR, or LF).
    const std::u16string_view entry = List->Get(i);
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

void DescribeLists(const TMSCustomWordDocument& Document, TKvWDocumentSink& Sink) {
  DescribeList(skMain, Document.Text(), Sink);
  DescribeList(skFootnotes, Document.FootNoteText(), Sink);
  DescribeList(skEndnotes, Document.EndNoteText(), Sink);
  DescribeList(skHeaders, Document.HeaderText(), Sink);
  DescribeList(skFooters, Document.FooterText(), Sink);
  DescribeList(skComments, Document.AnnotationText(), Sink);
  DescribeList(skTextBoxes, Document.TextBoxText(), Sink);
}

}  // namespace msword
