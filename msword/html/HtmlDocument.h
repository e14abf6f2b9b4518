// TMSHtmlDocument: the reader of web pages, which Word saves as HTML or as a single
// MIME archive (MHTML) and opens as documents, often under a ".doc" name. It fills
// the same text, side lists and summary as the Word readers and frames its text
// as the .doc reader does.
#pragma once

#include <string>
#include <string_view>

#include "msword/base/CustomWordDocument.h"

namespace msword {

class TStream;

class TMSHtmlDocument : public TMSCustomWordDocument {
 public:
  explicit TMSHtmlDocument(TComponent* AOwner);
  ~TMSHtmlDocument() override;

  // Refuses a file that is neither an HTML page nor a MIME archive ("File %s is not
  // valid MS Word document"), then reads it.
  void LoadFromFile(const std::u16string& AFileName) override;
  // Reads the page or archive from the stream's position to its end.
  void LoadFromStream(TStream* Stream) override;
  void LoadFromBytes(std::string_view Bytes);
  // In the shown view in plain text, the main text's headings, lists, tables,
  // links, emphasis and line breaks go to the document sink as the page is read;
  // the other stories go as their paragraphs.
  bool DescribesDocument() const override { return true; }

 protected:
  const char* ClassName() const override { return "TMSHtmlDocument"; }
};

// True when Bytes look like an HTML page (an html, head or body element, or an HTML
// doctype, near the start) or a MIME archive.
bool IsWebPage(std::string_view Bytes);

// The text of a page's bytes, decoded by the first of: a byte-order mark, Charset
// (as a MIME part names it), the page's meta declaration; else UTF-8 when the bytes
// are valid UTF-8, else Windows-1252.
std::u16string DecodeWebPage(std::string_view Bytes, std::string_view Charset);

}  // namespace msword
