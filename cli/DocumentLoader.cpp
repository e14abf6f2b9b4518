#include "cli/DocumentLoader.h"

#include "msword/model/ListDescription.h"
#include "msword/writers/MarkdownWriter.h"

#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/Output.h"
#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Platform.h"

namespace kvword {

using msword::TMSCustomWordDocument;

std::string FailureReason(std::u16string_view Message, std::u16string_view FileName) {
  std::u16string reason(Message);
  if (!FileName.empty()) {
    struct TNaming {
      std::u16string_view Before, After, Replacement;
    };
    static constexpr TNaming namings[] = {{u"File \"", u"\"", u"The file"},
                                          {u"file \"", u"\"", u"the file"},
                                          {u"File ", u"", u"The file"},
                                          {u"file ", u"", u"the file"}};
    for (const TNaming& naming : namings) {
      const std::u16string named =
          std::u16string(naming.Before) + std::u16string(FileName) + std::u16string(naming.After);
      for (size_t at = reason.find(named); at != std::u16string::npos;
           at = reason.find(named, at + naming.Replacement.size()))
        reason.replace(at, named.size(), naming.Replacement);
    }
  }
  return msword::WideToPath(reason);
}

std::optional<std::string> PathProblem(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0)
    return errno == ENOENT ? std::string("is not found") : std::string(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return "is a directory";
  if (!S_ISREG(st.st_mode)) return "is not a regular file";
  return std::nullopt;
}

namespace {

// Standard input copied whole into an anonymous file, so that it is read exactly
// as a named file is; the name under which the library opens it. Raises when the
// copy fails.
class TStandardInputCopy {
 public:
  TStandardInputCopy() {
    FHandle = ::memfd_create("kvword-stdin", MFD_CLOEXEC);
    if (FHandle < 0) Fail();
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        Fail();
      }
      for (ssize_t done = 0; done < got;) {
        const ssize_t put = ::write(FHandle, buffer + done, size_t(got - done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) Fail();
        done += put;
      }
    }
    FName = msword::Utf8ToWide("/proc/self/fd/" + std::to_string(FHandle));
  }
  ~TStandardInputCopy() {
    if (FHandle >= 0) ::close(FHandle);
  }
  TStandardInputCopy(const TStandardInputCopy&) = delete;
  TStandardInputCopy& operator=(const TStandardInputCopy&) = delete;
  const std::u16string& Name() const { return FName; }

 private:
  [[noreturn]] void Fail() {
    const std::string reason = std::strerror(errno);
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
    throw std::runtime_error("standard input: " + reason);
  }
  int FHandle = -1;
  std::u16string FName;
};

}  // namespace

TDocumentLoader::TDocumentLoader(const TKvWordOptions& Options) : FOptions(Options) {}

TDocumentLoader::~TDocumentLoader() = default;

void DeclareUtf8(std::u16string& Header) {
  constexpr std::u16string_view key = u"charset=";
  const size_t at = Header.find(key);
  if (at == std::u16string::npos) return;
  const size_t start = at + key.size();
  const size_t end = Header.find_first_of(u"\"'; >", start);
  Header.replace(start, (end == std::u16string::npos ? Header.size() : end) - start, u"utf-8");
}

void TDocumentLoader::Configure(TMSCustomWordDocument& Document,
                                const std::shared_ptr<TFraming>& Framing) const {
  Document.SetTextFormating(FOptions.Format);
  // Markdown is cut where it is written, at a line end.
  Document.SetMaxTextLength(FOptions.Markdown ? 0 : FOptions.MaxLength);
  Document.SetConvertSysCharacters(!FOptions.NoConvert);
  Document.SetView(FOptions.View);
  Document.SetRevisions(FOptions.Revisions);
  msword::TKvWParseItems items{msword::wpiText, msword::wpiSummaryInformation};
  if (FOptions.NoText) items.Exclude(msword::wpiText);
  // The summary is read only where it is printed: JSON, unless --no-summary, and
  // the text formats with --summary (Markdown's front matter too).
  if (FOptions.NoSummary || (!FOptions.Json && !FOptions.Summary && !FOptions.FrontMatter))
    items.Exclude(msword::wpiSummaryInformation);
  if (FOptions.Macros) items.Include(msword::wpiVBA);
  if (FOptions.HiddenText) items.Include(msword::wpiHiddenText);
  Document.SetParseItems(items);
  std::u16string password = msword::Utf8ToWide(FOptions.Password);
  Document.SetPassword(password);
  explicit_bzero(password.data(), password.size() * sizeof(char16_t));
  Document.SetMaxSpinCount(FOptions.MaxSpinCount);
  if (FOptions.Format == msword::tfPlainText) return;
  const bool html = FOptions.Format == msword::tfHTML;
  auto remember = [](std::vector<std::u16string>& Seen, const std::u16string& Text) {
    if (std::find(Seen.begin(), Seen.end(), Text) == Seen.end()) Seen.push_back(Text);
  };
  Document.SetOnBeforeText([Framing, html, remember](msword::TObject*, std::u16string& Text) {
    if (html) DeclareUtf8(Text);
    if (Framing) remember(Framing->Headers, Text);
  });
  if (Framing)
    Document.SetOnAfterText([Framing, remember](msword::TObject*, std::u16string& Text) {
      remember(Framing->Trailers, Text);
    });
}

std::unique_ptr<TMSCustomWordDocument> TDocumentLoader::NewReader(
    TReaderKind Kind, const std::shared_ptr<TFraming>& Framing) const {
  // A fresh component for every document: nothing of the last one (summary
  // properties, VBA items) can show in the next, and a document handed on for
  // printing is not overwritten by the next load.
  if (Kind != rkDoc) {
    std::unique_ptr<TMSCustomWordDocument> other = msword::NewReader(Kind);
    Configure(*other, Framing);
    return other;
  }
  auto document = std::make_unique<msword::TMSWordDocument>(nullptr);
  Configure(*document, Framing);
  if (FOptions.Language) {
    const uint16_t language = *FOptions.Language;
    // A default for documents that name no language: those whose primary language
    // is neutral (0x0000, 0x0400, 0x0800, ...). A named language is kept.
    document->SetOnGetDefaultLanguage([language](msword::TObject*, uint16_t& DocLang) {
      if ((DocLang & 0x3FF) == 0) DocLang = language;
    });
  }
  return document;
}

TDocumentResult TDocumentLoader::Load(const std::string& File) {
  TDocumentResult result;
  std::u16string fileName;
  try {
    std::optional<TStandardInputCopy> input;
    if (File == "-") {
      input.emplace();
      fileName = input->Name();
    } else if (std::optional<std::string> problem = PathProblem(File)) {
      result.Message = std::move(*problem);
    } else {
      fileName = msword::PathToWide(File);
    }
    if (result.Message.empty()) {
      const TReaderKind kind = ChooseReader(fileName, FOptions.Reader, FOptions.ByExtension);
      // In text mode the side texts and the summary go inside the framing.
      if (!FOptions.Json && FOptions.Format != msword::tfPlainText)
        result.Framing = std::make_shared<TFraming>();
      std::unique_ptr<TMSCustomWordDocument> document = NewReader(kind, result.Framing);
      document->SetFileName(fileName);
      std::unique_ptr<msword::TKvWMarkdownWriter> markdown;
      if (FOptions.Markdown) {
        markdown = std::make_unique<msword::TKvWMarkdownWriter>(MarkdownOptions(FOptions));
        document->SetDocumentSink(markdown.get());
      }
      document->Execute();
      result.Undecodable = document->UndecodableEncodings();
      if (markdown) {
        // A reader that does not describe documents gives its lines as paragraphs.
        if (!document->DescribesDocument()) msword::DescribeLists(*document, *markdown);
        markdown->Finish();
        result.Output = FormatMarkdown(FOptions, *document, markdown->Markdown());
      } else if (FOptions.Json) {
        std::optional<int32_t> docVersion;
        if (kind == rkDoc) docVersion = static_cast<msword::TMSWordDocument&>(*document).DocVersion();
        result.Output = FormatJson(FOptions, File, kind, docVersion, *document);
      } else {
        result.Document = std::move(document);
      }
      return result;
    }
  } catch (const msword::Exception& e) {
    result.Message = FailureReason(e.Message(), fileName);
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

std::string UndecodableWarning(const std::vector<std::string>& Encodings) {
  std::string names;
  for (const std::string& e : Encodings) names += (names.empty() ? "" : ", ") + e;
  return "cannot decode " + names + "; the text in " + (Encodings.size() == 1 ? "it" : "them") +
         " may be wrong";
}

}  // namespace kvword
