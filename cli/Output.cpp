#include "cli/Output.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"
#include "msword/base/WideStrings.h"

namespace kvword {

using msword::TKvWordSummaryInformation;
using msword::TMSCustomWordDocument;
using msword::TWideStrings;
using Json = nlohmann::ordered_json;

namespace {

std::string_view LineEnd(const TKvWordOptions& Options) { return Options.Lf ? "\n" : "\r\n"; }

// A list that holds some text: the empty entries that a reader leaves for the
// header and trailer of plain text do not count.
bool HasText(const TWideStrings& List) {
  for (const std::u16string& line : List.Lines())
    if (!line.empty()) return true;
  return false;
}

bool SideTextWanted(const TKvWordOptions& Options, const TSideTextInfo& Info,
                    const TMSCustomWordDocument& Document) {
  if (Options.Sides.Contains(Info.Kind)) return true;
  return Options.All && HasText(*(Document.*Info.List)());
}

bool SideTextListed(const TKvWordOptions& Options, const TSideTextInfo& Info) {
  return Options.All || Options.Sides.Contains(Info.Kind);
}

std::string Dump(const Json& Object) {
  std::string line = Object.dump(-1, ' ', false, Json::error_handler_t::replace);
  line += '\n';
  return line;
}

}  // namespace

void AppendOutputText(std::string& Out, std::u16string_view Text, bool Lf) {
  const size_t start = Out.size();
  msword::AppendWideToUtf8(Out, Text);
  if (!Lf) return;
  size_t kept = start;
  for (size_t i = start; i < Out.size(); ++i) {
    if (Out[i] == '\r' && i + 1 < Out.size() && Out[i + 1] == '\n') continue;
    Out[kept++] = Out[i];
  }
  Out.resize(kept);
}

std::string OutputText(std::u16string_view Text, bool Lf) {
  std::string out;
  AppendOutputText(out, Text, Lf);
  return out;
}

namespace {

// Output gathered in blocks of about BlockSize bytes, each handed to the sink when full.
constexpr size_t BlockSize = 1 << 16;

class TBlockWriter {
 public:
  explicit TBlockWriter(const TSink& Sink) : FSink(Sink) { FBlock.reserve(BlockSize + 1024); }
  std::string& Block() { return FBlock; }
  void FlushIfFull() {
    if (FBlock.size() >= BlockSize) Flush();
  }
  void Flush() {
    if (!FBlock.empty()) FSink(FBlock);
    FBlock.clear();
  }

 private:
  const TSink& FSink;
  std::string FBlock;
};

// The entries of List, each followed by a line end, as OutputText would give the
// list's joined text: encoded a slice at a time, never cutting a CR LF in two.
void WriteListText(TBlockWriter& Writer, const TWideStrings& List, bool Lf) {
  constexpr size_t sliceUnits = BlockSize / 4;
  for (const std::u16string& line : List.Lines()) {
    std::u16string_view rest = line;
    while (!rest.empty()) {
      size_t n = std::min(rest.size(), sliceUnits);
      if (n < rest.size() && rest[n - 1] == u'\r') ++n;
      AppendOutputText(Writer.Block(), rest.substr(0, n), Lf);
      rest.remove_prefix(n);
      Writer.FlushIfFull();
    }
    Writer.Block() += Lf ? "\n" : "\r\n";
  }
}

}  // namespace

std::string IsoDateTime(msword::TDateTime Value) {
  if (Value == 0) return {};
  // Summary dates have a resolution of two seconds: milliseconds are dropped.
  if (!(Value > -693593.0 && Value < 2958466.0)) return {};  // 0001-01-01 .. 9999-12-31
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  msword::DecodeDate(Value, year, month, day);
  msword::DecodeTime(Value, hour, minute, second, msec);
  if (year < 1 || year > 9999) return {};
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", year, month, day, hour, minute, second);
}

std::vector<TSummaryField> SummaryFields(const TKvWordSummaryInformation& S, bool Lf) {
  std::vector<TSummaryField> fields;
  auto text = [&](std::string_view name, const std::u16string& value) {
    if (!value.empty()) fields.push_back({name, OutputText(value, Lf)});
  };
  auto count = [&](std::string_view name, int32_t value) {
    if (value != 0) fields.push_back({name, value});
  };
  auto date = [&](std::string_view name, msword::TDateTime value) {
    std::string iso = IsoDateTime(value);
    if (!iso.empty()) fields.push_back({name, std::move(iso)});
  };
  text("AppName", S.AppName());
  text("Author", S.Author());
  count("CharCount", S.CharCount());
  text("Comments", S.Comments());
  date("Created", S.Created());
  count("EditTime", S.EditTime());
  text("Keywords", S.Keywords());
  text("LastAuthor", S.LastAuthor());
  date("LastPrinted", S.LastPrinted());
  date("LastSaved", S.LastSaved());
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
  return fields;
}

std::string FormatHeading(const TKvWordOptions& Options, std::string_view File, bool First) {
  const std::string_view eol = LineEnd(Options);
  return fmt::format("{}==> {} <=={}", First ? "" : eol, File, eol);
}

void WriteText(const TKvWordOptions& Options, const TMSCustomWordDocument& Document, const TSink& Sink) {
  const std::string_view eol = LineEnd(Options);
  TBlockWriter writer(Sink);
  std::string& out = writer.Block();
  WriteListText(writer, *Document.Text(), Options.Lf);
  for (const TSideTextInfo& info : SideTexts) {
    if (!SideTextWanted(Options, info, Document)) continue;
    fmt::format_to(std::back_inserter(out), "--- {} ---{}", info.Option, eol);
    WriteListText(writer, *(Document.*info.List)(), Options.Lf);
  }
  if (Options.Summary) {
    fmt::format_to(std::back_inserter(out), "--- summary ---{}", eol);
    for (const TSummaryField& field : SummaryFields(*Document.SummaryInformation(), Options.Lf)) {
      if (const auto* text = std::get_if<std::string>(&field.Value))
        fmt::format_to(std::back_inserter(out), "{}: {}{}", field.Name, *text, eol);
      else
        fmt::format_to(std::back_inserter(out), "{}: {}{}", field.Name,
                       std::get<int32_t>(field.Value), eol);
      writer.FlushIfFull();
    }
  }
  writer.Flush();
}

std::string FormatText(const TKvWordOptions& Options, const TMSCustomWordDocument& Document) {
  std::string out;
  WriteText(Options, Document, [&out](std::string_view Bytes) { out += Bytes; });
  return out;
}

std::string FormatJson(const TKvWordOptions& Options, std::string_view File, TReaderKind Reader,
                       std::optional<int32_t> DocVersion, const TMSCustomWordDocument& Document) {
  Json object;
  object["file"] = File;
  object["reader"] = ReaderName(Reader);
  if (DocVersion) object["docVersion"] = *DocVersion;
  if (!Options.NoText) object["text"] = OutputText(Document.Text()->GetTextStr(), Options.Lf);
  for (const TSideTextInfo& info : SideTexts) {
    if (!SideTextListed(Options, info)) continue;
    Json entries = Json::array();
    for (const std::u16string& line : (Document.*info.List)()->Lines())
      entries.push_back(OutputText(line, Options.Lf));
    object[std::string(info.JsonKey)] = std::move(entries);
  }
  if (!Options.NoSummary) {
    Json summary = Json::object();
    for (TSummaryField& field : SummaryFields(*Document.SummaryInformation(), Options.Lf)) {
      if (auto* text = std::get_if<std::string>(&field.Value))
        summary[std::string(field.Name)] = std::move(*text);
      else
        summary[std::string(field.Name)] = std::get<int32_t>(field.Value);
    }
    object["summary"] = std::move(summary);
  }
  if (Options.Macros) {
    Json modules = Json::array();
    const msword::TVBAProjectItems* items = Document.VBAProjectItems.get();
    for (int i = 0; items && i < items->Count(); ++i) {
      const msword::TVBAProjectItem& item = *items->Items(i);
      if (item.ModuleName.empty()) continue;  // a reference entry, no module
      modules.push_back({{"name", OutputText(item.ModuleName, Options.Lf)},
                         {"source", OutputText(msword::AnsiToWide(item.Body), Options.Lf)}});
    }
    object["vbaModules"] = std::move(modules);
  }
  return Dump(object);
}

std::string FormatJsonError(std::string_view File, std::string_view Message) {
  Json object;
  object["file"] = File;
  object["error"] = Message;
  return Dump(object);
}

}  // namespace kvword
