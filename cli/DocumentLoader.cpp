#include "cli/DocumentLoader.h"

#include <new>
#include <optional>

#include "cli/Output.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"

namespace kvword {

using msword::TMSCustomWordDocument;

TDocumentLoader::TDocumentLoader(const TKvWordOptions& Options) : FOptions(Options) {}

TDocumentLoader::~TDocumentLoader() = default;

void TDocumentLoader::Configure(TMSCustomWordDocument& Document) const {
  Document.SetTextFormating(FOptions.Format);
  Document.SetMaxTextLength(FOptions.MaxLength);
  Document.SetConvertSysCharacters(!FOptions.NoConvert);
  Document.SetView(FOptions.View);
  Document.SetRevisions(FOptions.Revisions);
  msword::TKvWParseItems items{msword::wpiText, msword::wpiSummaryInformation};
  if (FOptions.NoText) items.Exclude(msword::wpiText);
  if (FOptions.NoSummary) items.Exclude(msword::wpiSummaryInformation);
  if (FOptions.Macros) items.Include(msword::wpiVBA);
  if (FOptions.HiddenText) items.Include(msword::wpiHiddenText);
  Document.SetParseItems(items);
}

std::unique_ptr<TMSCustomWordDocument> TDocumentLoader::NewReader(TReaderKind Kind) const {
  // A fresh component for every document: nothing of the last one (summary
  // properties, VBA items) can show in the next, and a document handed on for
  // printing is not overwritten by the next load.
  if (Kind == rkDocx) {
    auto document = std::make_unique<msword::TMSWordXDocument>(nullptr);
    Configure(*document);
    return document;
  }
  auto document = std::make_unique<msword::TMSWordDocument>(nullptr);
  Configure(*document);
  if (FOptions.Language) {
    const uint16_t language = *FOptions.Language;
    document->SetOnGetDefaultLanguage([language](msword::TObject*, uint16_t& DocLang) { DocLang = language; });
  }
  return document;
}

TDocumentResult TDocumentLoader::Load(const std::string& File) {
  TDocumentResult result;
  try {
    const std::u16string fileName = msword::Utf8ToWide(File);
    const TReaderKind kind = ChooseReader(fileName, FOptions.Reader, FOptions.ByExtension);
    std::unique_ptr<TMSCustomWordDocument> document = NewReader(kind);
    document->SetFileName(fileName);
    document->Execute();
    if (FOptions.Json) {
      std::optional<int32_t> docVersion;
      if (kind == rkDoc) docVersion = static_cast<msword::TMSWordDocument&>(*document).DocVersion();
      result.Output = FormatJson(FOptions, File, kind, docVersion, *document);
    } else {
      result.Document = std::move(document);
    }
    return result;
  } catch (const msword::Exception& e) {
    result.Message = e.what();
  } catch (const std::bad_alloc&) {
    result.Message = "Out of memory";
  } catch (const std::exception& e) {
    result.Message = e.what();
  } catch (...) {
    result.Message = "Unknown error";
  }
  result.Failed = true;
  if (FOptions.Json) result.Output = FormatJsonError(File, result.Message);
  return result;
}

}  // namespace kvword
