#include "msword/base/MarkedText.h"

namespace msword {

void AppendMarkedText(std::u16string& Dest, std::u16string_view Marked, TMSTextFormating Format) {
  const int f = Format == tfRTF ? 1 : Format == tfHTML ? 2 : 0;
  static constexpr std::u16string_view paragraph[3] = {u"\r\n", u"\r\n\\par ", u"<p></p>\r\n"};
  static constexpr std::u16string_view lineBreak[3] = {u"\r\n", u"\r\n\\par ", u"<br>\r\n"};
  // The .doc reader writes a row's end as a carriage return followed by the line
  // feed that takes the row mark's place.
  static constexpr std::u16string_view rowEnd[3] = {u"\r\n", u"\r\n\\par \n", u"<br>\r\n\n"};
  Dest.reserve(Dest.size() + Marked.size() + Marked.size() / 16);
  char16_t openRevision = 0;
  const size_t n = Marked.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t c = Marked[i];
    if (c >= 0x20) {
      if (f == 1 && (c == u'\\' || c == u'{' || c == u'}')) {
        Dest.push_back(u'\\');
      } else if (f == 2 && (c == u'&' || c == u'<' || c == u'>')) {
        Dest.append(c == u'&' ? u"&amp;" : c == u'<' ? u"&lt;" : u"&gt;");
        continue;
      }
      Dest.push_back(c);
      continue;
    }
    switch (c) {
      case mkParagraph: Dest.append(paragraph[f]); break;
      case mkLineBreak: Dest.append(lineBreak[f]); break;
      case mkTab: Dest.push_back(u'\t'); break;
      case mkCellEnd:
        // The last cell of a row ends with the row.
        if (i + 1 < n && Marked[i + 1] == mkRowEnd) break;
        Dest.push_back(u' ');
        break;
      case mkRowEnd: Dest.append(rowEnd[f]); break;
      case mkInsertStart:
      case mkDeleteStart:
        if (f == 2) {
          Dest.append(c == mkInsertStart ? u"<u>" : u"<s>");
          openRevision = c;
        } else {
          Dest.push_back(c == mkInsertStart ? u'+' : u'-');
        }
        break;
      case mkRevisionEnd:
        if (f == 2 && openRevision) Dest.append(openRevision == mkInsertStart ? u"</u>" : u"</s>");
        openRevision = 0;
        break;
      default: break;
    }
  }
  if (f == 2 && openRevision) Dest.append(openRevision == mkInsertStart ? u"</u>" : u"</s>");
}

}  // namespace msword
