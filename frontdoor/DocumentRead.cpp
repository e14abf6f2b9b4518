#include "frontdoor/DocumentRead.h"

#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "msword/MSWordCnst.h"
#include "msword/Version.h"
#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"
#include "msword/base/DocumentBudget.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/base/UndecodableEncodings.h"
#include "msword/crypto/CryptoErrors.h"
#include "msword/doc/WordDocument.h"
#include "msword/model/ListDescription.h"

namespace kvword {

using msword::TMSCustomWordDocument;

TReadSource TReadSource::FromPath(std::string_view Path) { return FromName(msword::PathToWide(Path)); }

TReadSource TReadSource::FromName(std::u16string FileName) {
  TReadSource source;
  source.FileName = std::move(FileName);
  return source;
}

TReadSource TReadSource::FromMemory(const char* Data, size_t Size) {
  TReadSource source;
  source.Data = Data;
  source.Size = Size;
  source.InMemory = true;
  return source;
}

bool TFraming::IsHeader(std::u16string_view Entry) const {
  return !Entry.empty() && std::find(Headers.begin(), Headers.end(), Entry) != Headers.end();
}

bool TFraming::IsTrailer(std::u16string_view Entry) const {
  return !Entry.empty() && std::find(Trailers.begin(), Trailers.end(), Entry) != Trailers.end();
}

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

std::optional<std::pair<TReadFailure, std::string>> PathProblem(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::pair{rfNotFound, std::string("is not found")};
    return std::pair{rfCannotOpen, std::string(std::strerror(errno))};
  }
  if (S_ISDIR(st.st_mode)) return std::pair{rfIsDirectory, std::string("is a directory")};
  if (!S_ISREG(st.st_mode)) return std::pair{rfNotRegularFile, std::string("is not a regular file")};
  return std::nullopt;
}

void DeclareUtf8(std::u16string& Header) {
  constexpr std::u16string_view key = u"charset=";
  const size_t at = Header.find(key);
  if (at == std::u16string::npos) return;
  const size_t start = at + key.size();
  const size_t end = Header.find_first_of(u"\"'; >", start);
  Header.replace(start, (end == std::u16string::npos ? Header.size() : end) - start, u"utf-8");
}

std::string ToUtf8(std::u16string_view Text) { return msword::WideToUtf8(Text); }
std::u16string FromUtf8(std::string_view Text) { return msword::Utf8ToWide(Text); }
int64_t DateTimeSeconds(msword::TDateTime Value) {
  const double days = std::trunc(Value);
  return int64_t(days) * 86400 + std::llround(std::fabs(Value - days) * 86400.0);
}

void DecodeDay(int64_t Day, int& Year, int& Month, int& DayOfMonth) {
  msword::DecodeDate(double(Day), Year, Month, DayOfMonth);
}

std::string LibraryVersion() { return msword::WideToUtf8(msword::KvWordVersion); }

namespace {

std::vector<TSummaryValue> SummaryValues(const msword::TKvWordSummaryInformation& S) {
  std::vector<TSummaryValue> values;
  auto text = [&](std::string_view name, const std::u16string& value) {
    if (value.empty()) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Text = value;
  };
  auto count = [&](std::string_view name, int32_t value) {
    if (value == 0) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Kind = skCount;
    v.Count = value;
  };
  auto date = [&](std::string_view name, msword::TDateTime value, std::optional<int32_t> offset) {
    if (value == 0) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Kind = skDate;
    v.Date = value;
    v.UtcOffset = offset;
  };
  text("AppName", S.AppName());
  text("Author", S.Author());
  count("CharCount", S.CharCount());
  text("Comments", S.Comments());
  date("Created", S.Created(), S.CreatedUtcOffset());
  count("EditTime", S.EditTime());
  text("Keywords", S.Keywords());
  text("LastAuthor", S.LastAuthor());
  date("LastPrinted", S.LastPrinted(), S.LastPrintedUtcOffset());
  date("LastSaved", S.LastSaved(), S.LastSavedUtcOffset());
  count("PageCount", S.PageCount());
  text("RevNumber", S.RevNumber());
  text("Subject", S.Subject());
  text("Template", S.Template());
  text("Title", S.Title());
  count("WordCount", S.WordCount());
  text("Category", S.Category());
  text("PresentationTarget", S.PresentationTarget());
  count("ByteCount", S.ByteCount());
  count("LineCount", S.LineCount());
  count("ParagraphCount", S.ParagraphCount());
  count("SlideCount", S.SlideCount());
  count("NoteCount", S.NoteCount());
  count("HiddenSlideCount", S.HiddenSlideCount());
  count("MMClipCount", S.MMClipCount());
  text("Manager", S.Manager());
  text("Company", S.Company());
  count("CharCount2", S.CharCount2());
  return values;
}

// The reader's settings from Options; in RTF and HTML it records its framing in
// Framing and declares its HTML as UTF-8.
void Configure(TMSCustomWordDocument& Document, const TReadOptions& Options, TFraming& Framing) {
  Document.SetTextFormating(Options.Format);
  // Markdown is cut where it is written, at a line end.
  Document.SetMaxTextLength(Options.Markdown ? 0 : Options.MaxLength);
  Document.SetConvertSysCharacters(!Options.NoConvert);
  Document.SetView(Options.View);
  Document.SetRevisions(Options.Revisions);
  msword::TKvWParseItems items{msword::wpiText, msword::wpiSummaryInformation};
  if (Options.NoText) items.Exclude(msword::wpiText);
  if (!Options.Summary) items.Exclude(msword::wpiSummaryInformation);
  if (Options.Macros) items.Include(msword::wpiVBA);
  if (Options.HiddenText) items.Include(msword::wpiHiddenText);
  Document.SetParseItems(items);
  std::u16string password = msword::Utf8ToWide(Options.Password);
  Document.SetPassword(password);
  explicit_bzero(password.data(), password.size() * sizeof(char16_t));
  Document.SetMaxSpinCount(Options.MaxSpinCount);
  if (auto* doc = dynamic_cast<msword::TMSWordDocument*>(&Document); doc && Options.Language) {
    const uint16_t language = *Options.Language;
    // A default for documents that name no language: those whose primary language
    // is neutral (0x0000, 0x0400, 0x0800, ...). A named language is kept.
    doc->SetOnGetDefaultLanguage([language](msword::TObject*, uint16_t& DocLang) {
      if ((DocLang & 0x3FF) == 0) DocLang = language;
    });
  }
  if (Options.Format == tfPlainText) return;
  const bool html = Options.Format == tfHTML;
  auto remember = [](std::vector<std::u16string>& Seen, const std::u16string& Text) {
    if (std::find(Seen.begin(), Seen.end(), Text) == Seen.end()) Seen.push_back(Text);
  };
  TFraming* framing = &Framing;
  Document.SetOnBeforeText([framing, html, remember](msword::TObject*, std::u16string& Text) {
    if (html) DeclareUtf8(Text);
    remember(framing->Headers, Text);
  });
  Document.SetOnAfterText([framing, remember](msword::TObject*, std::u16string& Text) {
    remember(framing->Trailers, Text);
  });
}

// The first bytes of a compound file, and the first words of the plain Word and
// Write files the ".doc" reader knows; a file name is checked for them by the reader
// itself, bytes in memory here, so that they fail the same way.
constexpr unsigned char COMPOUND_FILE_SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint16_t PLAIN_WORD_SIGNATURES[5] = {0xBE31, 0xBE32, 0x6031, 0xA59B, 0xA5DB};

bool LooksLikeDoc(const char* Data, size_t Size) {
  if (Size >= 8 && std::memcmp(Data, COMPOUND_FILE_SIGNATURE, 8) == 0) return true;
  if (Size < 2) return false;
  const uint16_t ident = uint16_t(uint8_t(Data[0]) | uint8_t(Data[1]) << 8);
  for (uint16_t signature : PLAIN_WORD_SIGNATURES)
    if (ident == signature) return true;
  return false;
}

// How a document in memory is named in messages.
constexpr std::u16string_view MEMORY_NAME = u"(bytes)";

std::vector<std::u16string> TakeLines(msword::TWideStrings* List) {
  return List ? List->ReleaseLines() : std::vector<std::u16string>();
}

void Fail(TReadResult& Result, TReadFailure Failure, std::u16string Message,
          std::u16string_view FileName) {
  Result = TReadResult{};
  Result.Failure = Failure;
  Result.Reason = FailureReason(Message, FileName);
  Result.Message = std::move(Message);
}

}  // namespace

void CollectResult(TReadResult& Result, TMSCustomWordDocument& Document, const TReadOptions& Options) {
  if (auto* doc = dynamic_cast<msword::TMSWordDocument*>(&Document)) {
    Result.Reader = rkDoc;
    Result.DocVersion = doc->DocVersion();
  }
  Result.UndecodableEncodings = Document.UndecodableEncodings();
  Result.Text = TakeLines(Document.Text());
  Result.Sides[stFootnotes] = TakeLines(Document.FootNoteText());
  Result.Sides[stEndnotes] = TakeLines(Document.EndNoteText());
  Result.Sides[stHeaders] = TakeLines(Document.HeaderText());
  Result.Sides[stFooters] = TakeLines(Document.FooterText());
  Result.Sides[stAnnotations] = TakeLines(Document.AnnotationText());
  Result.Sides[stTextBoxes] = TakeLines(Document.TextBoxText());
  Result.Sides[stMacroText] = TakeLines(Document.MacroText());
  if (Options.Summary) Result.Summary = SummaryValues(*Document.SummaryInformation());
  const msword::TVBAProjectItems* items = Document.VBAProjectItems.get();
  for (int i = 0; Options.Macros && items && i < items->Count(); ++i) {
    const msword::TVBAProjectItem& item = *items->Items(i);
    if (item.ModuleName.empty()) continue;  // a reference entry, no module
    Result.VBAModules.push_back({item.ModuleName, msword::AnsiToWide(item.Body)});
  }
}

TReadResult ReadDocument(const TReadSource& Source, const TReadOptions& Options) {
  TReadResult result;
  const std::u16string_view name = Source.InMemory ? std::u16string_view() : Source.FileName;
  try {
    if (!Source.InMemory) {
      if (auto problem = PathProblem(msword::WideToPath(Source.FileName))) {
        result.Failure = problem->first;
        result.Reason = std::move(problem->second);
        switch (problem->first) {
          case rfNotFound: result.Message = msword::Format(msword::strFileNotFound, Source.FileName); break;
          case rfIsDirectory: result.Message = msword::Format(msword::strFileIsDirectory, Source.FileName); break;
          case rfNotRegularFile:
            result.Message = msword::Format(msword::strFileIsNotRegular, Source.FileName);
            break;
          default:
            result.Message = Source.FileName + u": " + msword::Utf8ToWide(result.Reason);
        }
        return result;
      }
    }
    msword::TCustomMemoryStream memory(Source.Data, Source.InMemory ? Source.Size : 0);
    TReaderKind kind;
    if (Options.Reader != rmAuto)
      kind = TReaderKind(Options.Reader - 1);
    else if (Source.InMemory)
      kind = msword::ChooseReaderByContent(&memory);
    else
      kind = ChooseReader(Source.FileName, rmAuto, Options.ByExtension);
    // A fresh component for every document: nothing of the last one (summary
    // properties, VBA items) can show in the next.
    std::unique_ptr<TMSCustomWordDocument> document = msword::NewReader(kind);
    Configure(*document, Options, result.Framing);
    std::unique_ptr<msword::TKvWMarkdownWriter> markdown;
    if (Options.Markdown) {
      markdown = std::make_unique<msword::TKvWMarkdownWriter>(Options.MarkdownOptions);
      document->SetDocumentSink(markdown.get());
      // The .docx and Word XML readers describe every story to the sink as they read
      // it; the others describe their side stories from their lists.
      if (Options.MarkdownOnly && (kind == rkDocx || kind == rkWordXml)) document->SetKeepText(false);
    }
    // A file's encodings are collected by Execute; bytes in memory are collected here.
    std::vector<std::string> undecodable;
    if (Source.InMemory) {
      if (dynamic_cast<msword::TMSWordDocument*>(document.get()) && !LooksLikeDoc(Source.Data, Source.Size))
        throw msword::EKvWNotWordDocument(msword::Format(msword::strFileIsNotWord, MEMORY_NAME));
      msword::TUndecodableEncodings collector;
      document->LoadFromStream(&memory);
      undecodable = collector.Encodings();
    } else {
      document->SetFileName(Source.FileName);
      document->Execute();
    }
    result.Reader = kind;
    if (markdown) {
      // A reader that does not describe documents gives its lines as paragraphs.
      if (!document->DescribesDocument()) msword::DescribeLists(*document, *markdown);
      markdown->Finish();
      result.Markdown = markdown->ReleaseMarkdown();
    }
    CollectResult(result, *document, Options);
    if (Source.InMemory) result.UndecodableEncodings = std::move(undecodable);
    if (Options.Format == tfPlainText) result.Framing = TFraming{};
    return result;
  } catch (const msword::EKvWFileNotFound& e) {
    Fail(result, rfNotFound, e.Message(), name);
  } catch (const msword::EKvWNotWordDocument& e) {
    Fail(result, rfNotWord, e.Message(), name);
  } catch (const msword::EKvWPasswordProtected& e) {
    Fail(result, rfPasswordProtected, e.Message(), name);
  } catch (const msword::EKvWWrongPassword& e) {
    Fail(result, rfWrongPassword, e.Message(), name);
  } catch (const msword::EDocumentOverBudget& e) {
    Fail(result, rfOverBudget, e.Message(), name);
  } catch (const msword::EKvWSpinCountTooHigh& e) {
    Fail(result, rfOverBudget, e.Message(), name);
  } catch (const msword::EKvWTimeout& e) {
    Fail(result, rfTimeout, e.Message(), name);
  } catch (const msword::EFOpenError& e) {
    Fail(result, rfCannotOpen, e.Message(), name);
  } catch (const msword::EOutOfMemory& e) {
    Fail(result, rfOutOfMemory, e.Message(), name);
  } catch (const msword::Exception& e) {
    Fail(result, rfDamaged, e.Message(), name);
  } catch (const std::bad_alloc&) {
    Fail(result, rfOutOfMemory, u"Out of memory", name);
  } catch (const std::exception& e) {
    Fail(result, rfDamaged, msword::Utf8ToWide(e.what()), name);
  } catch (...) {
    Fail(result, rfDamaged, u"Unknown error", name);
  }
  return result;
}

}  // namespace kvword
