#include "msword/html/HtmlDocument.h"

#include <algorithm>

#include "msword/base/Charsets.h"
#include "msword/base/CodePages.h"
#include "msword/base/UndecodableEncodings.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/html/HtmlParser.h"
#include "msword/html/MimeArchive.h"
#include "msword/model/ListDescription.h"
#include "msword/MSWordCnst.h"

namespace msword {

namespace {

bool IsValidUtf8(std::string_view S) {
  for (size_t i = 0; i < S.size();) {
    const uint8_t c = uint8_t(S[i]);
    size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
    if (extra == 9 || (extra == 1 && c < 0xC2)) return false;
    if (i + extra >= S.size()) return false;
    for (size_t k = 1; k <= extra; ++k)
      if ((uint8_t(S[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

bool IsWebPage(std::string_view Bytes) {
  if (IsMimeMessage(Bytes)) return true;
  std::string head;
  // A UTF-16 page is looked at through its ASCII characters.
  const std::string_view start = Bytes.substr(0, 2048);
  for (char c : start)
    if (c != '\0') head.push_back(c >= 'A' && c <= 'Z' ? char(c + 32) : c);
  return head.find("<html") != std::string::npos || head.find("<!doctype html") != std::string::npos ||
         head.find("<head") != std::string::npos || head.find("<body") != std::string::npos;
}

std::u16string DecodeWebPage(std::string_view Bytes, std::string_view Charset) {
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToWide(Bytes.substr(3));
  if (Bytes.substr(0, 2) == "\xFF\xFE") return DecodeCharset(Bytes.substr(2), 1200);
  if (Bytes.substr(0, 2) == "\xFE\xFF") return DecodeCharset(Bytes.substr(2), 1201);
  uint16_t cp = CharsetCodePage(Charset);
  std::string named(Charset);
  if (cp == 0) {
    std::string declared = DeclaredCharset(Bytes);
    cp = CharsetCodePage(declared);
    if (named.empty()) named = std::move(declared);
  }
  // A page that declares UTF-16 but has no byte-order mark was read as bytes to
  // find the declaration: it is ASCII-compatible after all.
  if (cp == 1200 || cp == 1201) cp = 0;
  if (cp == 0 && IsValidUtf8(Bytes)) cp = 65001;
  // A character set this reader does not know is read as Windows-1252, and noted.
  if (cp == 0 && !named.empty() && HasNonAsciiByte(Bytes)) NoteUndecodableEncoding(named);
  return DecodeCharset(Bytes, cp);
}

TMSHtmlDocument::TMSHtmlDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

TMSHtmlDocument::~TMSHtmlDocument() = default;

void TMSHtmlDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  std::string bytes;
  {
    TFileStream file(AFileName, fmOpenRead);
    bytes = ReadRestOfStream(file);
  }
  if (!IsWebPage(bytes)) throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  LoadFromBytes(bytes);
}

void TMSHtmlDocument::LoadFromStream(TStream* Stream) { LoadFromBytes(ReadRestOfStream(*Stream)); }

void TMSHtmlDocument::LoadFromBytes(std::string_view Bytes) {
  TMSCustomWordDocument::LoadFromStream(nullptr);  // clears the lists
  const bool text = ParseItems().Contains(wpiText);
  const bool summary = ParseItems().Contains(wpiSummaryInformation);
  if (summary) FSummaryInformation->Clear();
  if (!text && !summary) return;
  THtmlReadOptions options;
  options.HiddenText = ParseItems().Contains(wpiHiddenText);
  options.ShownView = View() == vwShown;
  options.Revisions = EffectiveRevisions();
  if (summary) options.Summary = FSummaryInformation.get();
  TKvWDocumentSink* sink = text && View() == vwShown && TextFormating() == tfPlainText ? DocumentSink() : nullptr;
  options.Sink = sink;
  if (sink) sink->BeginStory(skMain, {});
  THtmlStories stories;
  if (IsMimeMessage(Bytes)) {
    // The first page of the archive is the document; the pages after it hold what
    // Word keeps apart (headers and footers), read for those alone.
    bool first = true;
    ForEachMimePart(Bytes, [&](TMimePart&& part) {
      if (part.ContentType != "text/html") return;
      options.SideStoriesOnly = !first;
      ReadHtmlStories(DecodeWebPage(part.Body, part.Charset), options, stories);
      options.Summary = nullptr;
      options.Sink = nullptr;
      first = false;
    });
  } else {
    ReadHtmlStories(DecodeWebPage(Bytes, ""), options, stories);
  }
  if (sink) sink->EndStory();
  if (!text) return;
  AddMarkedStory(stories.Text[hsMain], Text(), true);
  AddMarkedStory(stories.Text[hsFootNote], FFootNoteText.get(), false);
  AddMarkedStory(stories.Text[hsHeader], FHeaderText.get(), false);
  AddMarkedStory(stories.Text[hsFooter], FFooterText.get(), false);
  AddMarkedStory(stories.Text[hsAnnotation], FAnnotationText.get(), false);
  AddMarkedStory(stories.Text[hsEndNote], FEndNoteText.get(), false);
  AddMarkedStory(stories.Text[hsTextBox], FTextBoxText.get(), false);
  if (!sink) return;
  DescribeList(skFootnotes, FootNoteText(), *sink);
  DescribeList(skEndnotes, EndNoteText(), *sink);
  DescribeList(skHeaders, HeaderText(), *sink);
  DescribeList(skFooters, FooterText(), *sink);
  DescribeList(skComments, AnnotationText(), *sink);
  DescribeList(skTextBoxes, TextBoxText(), *sink);
}

}  // namespace msword
