// The document properties of a package ("docProps/core.xml", "docProps/app.xml")
// into the summary information.
#include <cstdint>

#include "msword/base/Streams.h"
#include "msword/docx/WordXDocument.h"
#include "msword/xml/XMLEngine.h"
#include "msword/xml/XMLItem.h"
#include "msword/zip/ZipArchive.h"

namespace msword {

namespace {

// The value of the first item of that name within the block; empty when none.
std::u16string GetNodeValue(TKvXMLEngine& Engine, TKvXMLItem* Block, std::u16string_view Name) {
  const TKvXMLItem* item = Engine.GetItemByTag(Block, Name);
  return item ? item->GetTagValue() : std::u16string();
}

// A decimal integer with an optional sign; 0 when empty, not a number or out of range.
int32_t IntegerValue(std::u16string_view S) {
  size_t i = 0;
  bool negative = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) negative = S[i++] == u'-';
  if (i == S.size()) return 0;
  int64_t value = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < u'0' || S[i] > u'9') return 0;
    value = value * 10 + (S[i] - u'0');
    if (value > int64_t(INT32_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  return value < INT32_MIN || value > INT32_MAX ? 0 : int32_t(value);
}

}  // namespace

void TMSWordXDocument::LoadSummary(TZipArchive& Zip, std::u16string_view AFileName) {
  int index = Zip.GetIndexByFileName(AFileName);
  if (index < 0) {
    std::u16string backslashed(AFileName);
    for (char16_t& c : backslashed)
      if (c == u'/') c = u'\\';
    index = Zip.GetIndexByFileName(backslashed);
  }
  if (index < 0) return;  // an empty tree: neither block is found
  const std::string bytes = Zip.GetUncompressed(index);
  TCustomMemoryStream stream(bytes.data(), bytes.size());
  TKvXMLEngine engine(nullptr);
  engine.LoadFromStream(0, &stream);
  TKvWordSummaryInformation& s = *FSummaryInformation;
  if (TKvXMLItem* core = engine.GetItemByTag(nullptr, u"cp:coreProperties")) {
    s.SetTitle(GetNodeValue(engine, core, u"dc:title"));
    s.SetSubject(GetNodeValue(engine, core, u"dc:subject"));
    s.SetAuthor(GetNodeValue(engine, core, u"dc:creator"));
    s.SetKeywords(GetNodeValue(engine, core, u"cp:keywords"));
    s.SetComments(GetNodeValue(engine, core, u"dc:description"));
    s.SetLastAuthor(GetNodeValue(engine, core, u"cp:lastModifiedBy"));
    s.SetRevNumber(GetNodeValue(engine, core, u"cp:revision"));
    s.SetCategory(GetNodeValue(engine, core, u"cp:category"));
    const std::u16string created = GetNodeValue(engine, core, u"dcterms:created");
    const std::u16string modified = GetNodeValue(engine, core, u"dcterms:modified");
    s.SetCreated(XMLStringToDateTime(created));
    s.SetCreatedUtcOffset(XMLStringUtcOffset(created));
    s.SetLastSaved(XMLStringToDateTime(modified));
    s.SetLastSavedUtcOffset(XMLStringUtcOffset(modified));
  }
  if (TKvXMLItem* app = engine.GetItemByTag(nullptr, u"Properties")) {
    s.SetTemplate(GetNodeValue(engine, app, u"Template"));
    s.SetEditTime(IntegerValue(GetNodeValue(engine, app, u"TotalTime")));
    s.SetPageCount(IntegerValue(GetNodeValue(engine, app, u"Pages")));
    s.SetWordCount(IntegerValue(GetNodeValue(engine, app, u"Words")));
    s.SetCharCount(IntegerValue(GetNodeValue(engine, app, u"Characters")));
    s.SetAppName(GetNodeValue(engine, app, u"Application"));
    s.SetLineCount(IntegerValue(GetNodeValue(engine, app, u"Lines")));
    s.SetParagraphCount(IntegerValue(GetNodeValue(engine, app, u"Paragraphs")));
    s.SetManager(GetNodeValue(engine, app, u"Manager"));
    s.SetCompany(GetNodeValue(engine, app, u"Company"));
    s.SetCharCount2(IntegerValue(GetNodeValue(engine, app, u"CharactersWithSpaces")));
  }
}

}  // namespace msword
