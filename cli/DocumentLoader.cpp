#include "cli/DocumentLoader.h"

#include <new>
#include <optional>

#include "cli/Output.h"
#include "msword/CodePages.h"
#include "msword/Exceptions.h"

namespace kvword {

using msword::TMSCustomWordDocument;

TDocumentLoader::TDocumentLoader(const TKvWordOptions& Options) : FOptions(Options) {}

TDocumentLoader::~TDocumentLoader() = default;

void TDocumentLoader::Configure(TMSCustomWordDocument& Document) const {
  Document.SetTextFormating(FOptions.Format);
  Document.SetMaxTextLength(FOptions.MaxLength);
  Document.SetConvertSysCharacters(!FOptions.NoConvert);
  msword::TKvWParseItems items{msword::wpiText, msword::wpiSummaryInformation};
  if (FOptions.NoText) items.Exclude(msword::wpiText);
  if (FOptions.NoSummary) items.Exclude(msword::wpiSummaryInformation);
  if (FOptions.Macros) items.Include(msword::wpiVBA);
  if (FOptions.HiddenText) items.Include(msword::wpiHiddenText);
  Document.SetParseItems(items);
}

TMSCustomWordDocument& TDocumentLoader::Reader(TReaderKind Kind) {
  if (Kind == rkDocx) {
    if (!FWordXDocument) {
      FWordXDocument = std::make_unique<msword::TMSWordXDocument>(nullptr);
      Configure(*FWordXDocument);
    }
    return *FWordXDocument;
  }
  if (!FWordDocument) {
    FWordDocument = std::make_unique<msword::TMSWordDocument>(nullptr);
    Configure(*FWordDocument);
    if (FOptions.Language) {
      const uint16_t language = *FOptions.Language;
      FWordDocument->SetOnGetDefaultLanguage(
          [language](msword::TObject*, uint16_t& DocLang) { DocLang = language; });
    }
  }
  return *FWordDocument;
}

TDocumentResult TDocumentLoader::Load(const std::string& File) {
  TDocumentResult result;
  try {
    const std::u16string fileName = msword::Utf8ToWide(File);
    const TReaderKind kind = ChooseReader(fileName, FOptions.Reader, FOptions.ByExtension);
    TMSCustomWordDocument& document = Reader(kind);
    // A component is reused for the next document, but not everything of the last
    // one is cleared by a load: the ".docx" reader overwrites only the summary
    // properties it finds, and VBA items accumulate. Start every document afresh.
    document.SummaryInformation()->Clear();
    if (document.VBAProjectItems) document.VBAProjectItems->Clear();
    if (kind == rkDoc) FWordDocument->SetDocVersion(0);
    document.SetFileName(fileName);
    document.Execute();
    if (FOptions.Json) {
      std::optional<int32_t> docVersion;
      if (kind == rkDoc) docVersion = FWordDocument->DocVersion();
      result.Output = FormatJson(FOptions, File, kind, docVersion, document);
    } else {
      result.Output = FormatText(FOptions, document);
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
