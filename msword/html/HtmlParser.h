// The HTML parser of the web page reader: turns a page (decoded to UTF-16) into the
// marked text of each story (msword/base/MarkedText.h) and the page's title and
// document properties. Block elements end paragraphs, table cells and rows end as
// Word's cells and rows do, and the story divisions Word writes into a web page
// (footnotes, endnotes, comments, headers, footers) go to their own stories. Given
// a sink, the main story is described to it as well, from the same characters. The
// open elements are held on an explicit stack with a bound on its depth; every
// scan moves forward, so the time is linear in the page's length.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "msword/base/CustomWordDocument.h"

namespace msword {

class TKvWordSummaryInformation;
class TKvWDocumentSink;

enum THtmlStory : uint8_t {
  hsMain = 0, hsFootNote, hsEndNote, hsHeader, hsFooter, hsAnnotation, hsTextBox, hsCount };

struct THtmlReadOptions {
  bool HiddenText = false;   // keep text styled "display:none"
  bool ShownView = false;    // list labels Word writes for browsers without lists
  TKvWRevisions Revisions = rvDefault;  // rvDefault keeps <ins> and <del> text unmarked
  bool SideStoriesOnly = false;  // a page of a web archive that holds headers and footers
  TKvWordSummaryInformation* Summary = nullptr;  // title and properties, when given
  // The main story's shape as it is read (headings, lists, tables, links,
  // emphasis, line breaks), when given; the caller begins and ends the story.
  TKvWDocumentSink* Sink = nullptr;
};

struct THtmlStories {
  std::array<std::u16string, hsCount> Text;
};

// Open elements beyond this depth are not tracked (their end tags are ignored).
inline constexpr size_t HTML_MAX_DEPTH = 1024;

// The charset a page declares in a meta element within its first bytes ("" when
// none).
std::string DeclaredCharset(std::string_view Bytes);

// Reads the whole page into Stories (appending). Never throws but when memory runs
// out.
void ReadHtmlStories(std::u16string_view Page, const THtmlReadOptions& Options, THtmlStories& Stories);

}  // namespace msword
