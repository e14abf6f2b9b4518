#include "python/src/DocumentRead.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string_view>

#include "msword/MSWordCnst.h"
#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"
#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/doc/WordDocument.h"

namespace kvword::python {

using msword::TMSCustomWordDocument;

namespace {

// True when Message is Format(Pattern, something): the text around "%s" matches.
bool MatchesFormat(std::u16string_view Message, std::u16string_view Pattern) {
  const size_t hole = Pattern.find(u"%s");
  if (hole == std::u16string_view::npos) return Message == Pattern;
  const std::u16string_view head = Pattern.substr(0, hole), tail = Pattern.substr(hole + 2);
  return Message.size() >= head.size() + tail.size() && Message.substr(0, head.size()) == head &&
         Message.substr(Message.size() - tail.size()) == tail;
}

std::vector<std::string> Lines(const msword::TWideStrings& List) {
  std::vector<std::string> lines;
  lines.reserve(List.Lines().size());
  for (const std::u16string& line : List.Lines()) lines.push_back(msword::WideToUtf8(line));
  return lines;
}

// Whole seconds since the date-time type's epoch: the whole part counts days
// (negative before the epoch) and the fraction, always added, the time of that day.
int64_t EpochSeconds(msword::TDateTime Value) {
  const double days = std::trunc(Value);
  return int64_t(days) * 86400 + std::llround(std::fabs(Value - days) * 86400.0);
}

bool FieldsOf(int64_t Seconds, TSummaryDate& Date) {
  int64_t day = Seconds / 86400, second = Seconds % 86400;
  if (second < 0) {
    second += 86400;
    --day;
  }
  msword::DecodeDate(double(day), Date.Year, Date.Month, Date.Day);
  Date.Hour = int(second / 3600);
  Date.Minute = int(second / 60 % 60);
  Date.Second = int(second % 60);
  return Date.Year >= 1 && Date.Year <= 9999;
}

}  // namespace

std::optional<TSummaryDate> SummaryDate(msword::TDateTime Value, std::optional<int32_t> UtcOffset) {
  if (Value == 0 || !(Value > -693594.0 && Value < 2958467.0)) return std::nullopt;
  const int64_t seconds = EpochSeconds(Value);
  TSummaryDate utc, date;
  if (!FieldsOf(seconds - int64_t(UtcOffset.value_or(0)) * 60, utc)) return std::nullopt;
  if (!FieldsOf(seconds, date)) return std::nullopt;
  date.UtcOffset = UtcOffset;
  return date;
}

namespace {

std::vector<TSummaryValue> SummaryValues(const msword::TKvWordSummaryInformation& S) {
  std::vector<TSummaryValue> values;
  auto text = [&](const char* name, const std::u16string& value) {
    if (value.empty()) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Text = msword::WideToUtf8(value);
  };
  auto count = [&](const char* name, int32_t value) {
    if (value == 0) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Kind = skCount;
    v.Count = value;
  };
  auto date = [&](const char* name, msword::TDateTime value, std::optional<int32_t> offset) {
    const std::optional<TSummaryDate> fields = SummaryDate(value, offset);
    if (!fields) return;
    TSummaryValue& v = values.emplace_back();
    v.Name = name;
    v.Kind = skDate;
    v.Date = *fields;
  };
  // The names and the order of the command-line tool's summary.
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

void Configure(TMSCustomWordDocument& Document, const TReadOptions& Options) {
  Document.SetTextFormating(Options.Format);
  Document.SetMaxTextLength(Options.MaxLength);
  msword::TKvWParseItems items{msword::wpiText};
  if (Options.Summary) items.Include(msword::wpiSummaryInformation);
  if (Options.Macros) items.Include(msword::wpiVBA);
  if (Options.HiddenText) items.Include(msword::wpiHiddenText);
  Document.SetParseItems(items);
  Document.SetView(Options.View);
  Document.SetRevisions(Options.Revisions);
  if (Options.Password) Document.SetPassword(*Options.Password);
}

void Collect(TReadResult& Result, const TMSCustomWordDocument& Document, const TReadOptions& Options) {
  Result.Text = Lines(*Document.Text());
  Result.FootNotes = Lines(*Document.FootNoteText());
  Result.EndNotes = Lines(*Document.EndNoteText());
  Result.Headers = Lines(*Document.HeaderText());
  Result.Footers = Lines(*Document.FooterText());
  Result.Annotations = Lines(*Document.AnnotationText());
  Result.TextBoxes = Lines(*Document.TextBoxText());
  Result.MacroText = Lines(*Document.MacroText());
  if (Options.Summary) Result.Summary = SummaryValues(*Document.SummaryInformation());
  const msword::TVBAProjectItems* items = Document.VBAProjectItems.get();
  for (int i = 0; Options.Macros && items && i < items->Count(); ++i) {
    const msword::TVBAProjectItem& item = *items->Items(i);
    if (item.ModuleName.empty()) continue;  // a reference entry, no module
    Result.VBAModules.emplace_back(msword::WideToUtf8(item.ModuleName),
                                   msword::WideToUtf8(msword::AnsiToWide(item.Body)));
  }
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

void Load(TReadResult& Result, const TReadSource& Source, const TReadOptions& Options) {
  msword::TCustomMemoryStream memory(Source.Data, Source.InMemory ? Source.Size : 0);
  msword::TReaderKind kind = msword::TReaderKind(Options.Reader - 1);
  if (Options.Reader == rmAuto)
    kind = Source.InMemory ? msword::ChooseReaderByContent(&memory)
                           : msword::ChooseReaderByContent(Source.FileName);
  std::unique_ptr<TMSCustomWordDocument> document = msword::NewReader(kind);
  auto* doc = dynamic_cast<msword::TMSWordDocument*>(document.get());
  if (doc) kind = msword::rkDoc;
  Configure(*document, Options);
  if (Source.InMemory) {
    if (kind == msword::rkDoc && !LooksLikeDoc(Source.Data, Source.Size))
      throw msword::Exception(msword::Format(msword::strFileIsNotWord, MEMORY_NAME));
    document->LoadFromStream(&memory);
  } else {
    document->SetFileName(Source.FileName);
    document->Execute();
  }
  Result.Reader = kind;
  if (doc) Result.DocVersion = doc->DocVersion();
  Collect(Result, *document, Options);
}

}  // namespace

const char* ReaderName(msword::TReaderKind Kind) {
  constexpr const char* names[] = {"doc", "docx", "rtf", "html", "wordxml"};
  return size_t(Kind) < std::size(names) ? names[Kind] : "doc";
}

TReadError ClassifyMessage(const std::u16string& Message) {
  if (MatchesFormat(Message, msword::strFileIsNotWord)) return reNotWord;
  if (MatchesFormat(Message, msword::strEFileIsPasswordProtected)) return rePasswordProtected;
  if (MatchesFormat(Message, msword::strWrongPassword)) return reWrongPassword;
  if (MatchesFormat(Message, msword::strFileNotFound)) return reNotFound;
  return reDamaged;
}

TReadResult ReadDocument(const TReadSource& Source, const TReadOptions& Options) {
  TReadResult result;
  try {
    Load(result, Source, Options);
    return result;
  } catch (const msword::EFOpenError& e) {
    result = TReadResult{};
    result.Error = reCannotOpen;
    result.Message = e.Message();
    return result;
  } catch (const msword::Exception& e) {
    result = TReadResult{};
    result.Message = e.Message();
  } catch (const std::bad_alloc&) {
    result = TReadResult{};
    result.Message = u"Out of memory";
  } catch (const std::exception& e) {
    result = TReadResult{};
    result.Message = msword::Utf8ToWide(e.what());
  } catch (...) {
    result = TReadResult{};
    result.Message = u"Unknown error";
  }
  result.Error = ClassifyMessage(result.Message);
  return result;
}

}  // namespace kvword::python
