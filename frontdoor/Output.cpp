#include "frontdoor/Output.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <utility>

#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"

namespace kvword {

using TLines = std::vector<std::u16string>;
using Json = nlohmann::ordered_json;

namespace {

std::string_view LineEnd(const TOutputOptions& Options) { return Options.Lf ? "\n" : "\r\n"; }

std::pair<size_t, size_t> BodyOf(const TLines& List, const TFraming* Framing);

// A list that holds some text: the empty entries that a reader leaves for the
// header and trailer of plain text do not count.
bool HasText(const TLines& List) {
  for (const std::u16string& line : List)
    if (!line.empty()) return true;
  return false;
}

bool SideTextWanted(const TOutputOptions& Options, const TSideTextInfo& Info,
                    const TReadResult& Document, const TFraming* Framing) {
  if (Options.Sides.Contains(Info.Kind)) return true;
  if (!Options.All) return false;
  const TLines& list = Document.Side(Info.Kind);
  if (!Framing) return HasText(list);
  const auto [first, last] = BodyOf(list, Framing);
  for (size_t i = first; i < last; ++i)
    if (!list[i].empty()) return true;
  return false;
}

bool SideTextListed(const TOutputOptions& Options, const TSideTextInfo& Info) {
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

void AppendFormatText(std::string& Out, std::u16string_view Text, const TOutputOptions& Options) {
  if (Options.Format != msword::tfRTF) {
    AppendOutputText(Out, Text, Options.Lf);
    return;
  }
  // A CR LF pair is ASCII and so never split between two runs.
  while (!Text.empty()) {
    size_t ascii = 0;
    while (ascii < Text.size() && Text[ascii] < 0x80) ++ascii;
    AppendOutputText(Out, Text.substr(0, ascii), Options.Lf);
    Text.remove_prefix(ascii);
    for (; !Text.empty() && Text[0] >= 0x80; Text.remove_prefix(1))
      fmt::format_to(std::back_inserter(Out), "\\u{}?", int16_t(Text[0]));
  }
}

std::string FormatOutputText(std::u16string_view Text, const TOutputOptions& Options) {
  std::string out;
  AppendFormatText(out, Text, Options);
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

// The entries of List from First to Last (exclusive), each followed by a line end,
// as FormatOutputText would give their joined text: encoded a slice at a time,
// never cutting a CR LF or a surrogate pair in two.
void WriteListText(TBlockWriter& Writer, const TLines& List, const TOutputOptions& Options,
                   size_t First = 0, size_t Last = SIZE_MAX) {
  constexpr size_t sliceUnits = BlockSize / 4;
  const TLines& lines = List;
  Last = std::min(Last, lines.size());
  for (size_t i = First; i < Last; ++i) {
    std::u16string_view rest = lines[i];
    while (!rest.empty()) {
      size_t n = std::min(rest.size(), sliceUnits);
      if (n < rest.size() && (rest[n - 1] == u'\r' || (rest[n - 1] >= 0xD800 && rest[n - 1] <= 0xDBFF)))
        ++n;
      AppendFormatText(Writer.Block(), rest.substr(0, n), Options);
      rest.remove_prefix(n);
      Writer.FlushIfFull();
    }
    Writer.Block() += Options.Lf ? "\n" : "\r\n";
  }
}

// The entries of List between the framing a reader gave it, when it has one.
std::pair<size_t, size_t> BodyOf(const TLines& List, const TFraming* Framing) {
  const TLines& lines = List;
  size_t first = 0, last = lines.size();
  if (!Framing) return {first, last};
  if (first < last && Framing->IsHeader(lines[first])) ++first;
  if (first < last && Framing->IsTrailer(lines[last - 1])) --last;
  return {first, last};
}

// A line the tool adds itself (a heading, a summary line) in the output format:
// escaped as the readers escape text, and a paragraph of its own in RTF and HTML.
void AppendToolLine(std::string& Out, const TOutputOptions& Options, std::u16string_view Text,
                    bool Heading) {
  const std::string_view eol = Options.Lf ? "\n" : "\r\n";
  std::u16string escaped;
  switch (Options.Format) {
    case msword::tfPlainText:
      AppendOutputText(Out, Text, Options.Lf);
      Out += eol;
      return;
    case msword::tfRTF:
      for (char16_t c : Text) {
        if (c == u'\\' || c == u'{' || c == u'}') escaped.push_back(u'\\');
        escaped.push_back(c);
      }
      Out += Heading ? "\\par " : "";
      AppendFormatText(Out, escaped, Options);
      Out += "\\par ";
      Out += eol;
      return;
    case msword::tfHTML:
      for (char16_t c : Text) {
        switch (c) {
          case u'&': escaped += u"&amp;"; break;
          case u'<': escaped += u"&lt;"; break;
          case u'>': escaped += u"&gt;"; break;
          default: escaped.push_back(c);
        }
      }
      Out += "<p>";
      AppendFormatText(Out, escaped, Options);
      Out += "</p>";
      Out += eol;
      return;
  }
}

}  // namespace

std::string IsoDateTime(msword::TDateTime Value, std::optional<int32_t> UtcOffset) {
  if (Value == 0) return {};
  if (!(Value > -693594.0 && Value < 2958467.0)) return {};  // a day around 0001 .. 9999
  // Whole seconds from the epoch of the date-time type: the whole part counts days
  // (negative before it) and the fraction, always added, the time of that day.
  const double days = std::trunc(Value);
  int64_t seconds = int64_t(days) * 86400 + std::llround(std::fabs(Value - days) * 86400.0);
  seconds -= int64_t(UtcOffset.value_or(0)) * 60;
  int64_t day = seconds / 86400, second = seconds % 86400;
  if (second < 0) {
    second += 86400;
    --day;
  }
  int year = 0, month = 0, dayOfMonth = 0;
  msword::DecodeDate(double(day), year, month, dayOfMonth);
  if (year < 1 || year > 9999) return {};
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", year, month, dayOfMonth, second / 3600,
                     second / 60 % 60, second % 60);
}

std::vector<TSummaryField> SummaryFields(const std::vector<TSummaryValue>& Summary, bool Lf) {
  std::vector<TSummaryField> fields;
  for (const TSummaryValue& value : Summary) {
    switch (value.Kind) {
      case skText:
        if (!value.Text.empty()) fields.push_back({value.Name, OutputText(value.Text, Lf)});
        break;
      case skCount:
        if (value.Count != 0) fields.push_back({value.Name, value.Count});
        break;
      case skDate:
        if (std::string iso = IsoDateTime(value.Date, value.UtcOffset); !iso.empty())
          fields.push_back({value.Name, std::move(iso)});
        break;
    }
  }
  return fields;
}

std::string FormatHeading(const TOutputOptions& Options, std::string_view File, bool First) {
  const std::string_view eol = LineEnd(Options);
  return fmt::format("{}==> {} <=={}", First ? "" : eol, EscapeControls(File), eol);
}

std::string EscapeControls(std::string_view Text) {
  const auto isControl = [](unsigned char c) { return c < 0x20 || c == 0x7F || c == 0xC2; };
  if (std::none_of(Text.begin(), Text.end(), isControl)) return std::string(Text);
  std::string out;
  out.reserve(Text.size() + 8);
  for (size_t i = 0; i < Text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(Text[i]);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) out += fmt::format("\\x{:02x}", c);
    else if (c == 0xC2 && i + 1 < Text.size() && static_cast<unsigned char>(Text[i + 1]) >= 0x80 &&
             static_cast<unsigned char>(Text[i + 1]) <= 0x9F)  // U+0080..U+009F
      out += fmt::format("\\u{:04x}", static_cast<unsigned char>(Text[++i]));
    else out.push_back(char(c));
  }
  return out;
}

void WriteText(const TOutputOptions& Options, const TReadResult& Document, const TSink& Sink) {
  const TFraming* Framing = Options.Format == msword::tfPlainText ? nullptr : &Document.Framing;
  TBlockWriter writer(Sink);
  std::string& out = writer.Block();
  const TLines& text = Document.Text;
  // The main text's framing goes around everything printed.
  const size_t last = BodyOf(text, Framing).second;
  WriteListText(writer, text, Options, 0, last);
  for (const TSideTextInfo& info : SideTexts) {
    if (!SideTextWanted(Options, info, Document, Framing)) continue;
    AppendToolLine(out, Options, msword::Utf8ToWide(fmt::format("--- {} ---", info.Option)), true);
    const TLines& list = Document.Side(info.Kind);
    const auto [sideFirst, sideLast] = BodyOf(list, Framing);
    WriteListText(writer, list, Options, sideFirst, sideLast);
  }
  if (Options.Summary) {
    AppendToolLine(out, Options, u"--- summary ---", true);
    for (const TSummaryField& field : SummaryFields(Document.Summary, Options.Lf)) {
      std::string line;
      if (const auto* value = std::get_if<std::string>(&field.Value))
        line = fmt::format("{}: {}", field.Name, *value);
      else
        line = fmt::format("{}: {}", field.Name, std::get<int32_t>(field.Value));
      AppendToolLine(out, Options, msword::Utf8ToWide(line), false);
      writer.FlushIfFull();
    }
  }
  WriteListText(writer, text, Options, last);
  writer.Flush();
}

msword::TKvWMarkdownOptions MarkdownOptions(const TOutputOptions& Options) {
  msword::TKvWMarkdownOptions markdown;
  markdown.LineEnd = Options.Lf ? u"\n" : u"\r\n";
  const auto wanted = [&](TSideText Kind) { return Options.All || Options.Sides.Contains(Kind); };
  markdown.Headers = wanted(stHeaders);
  markdown.Footers = wanted(stFooters);
  markdown.Comments = wanted(stAnnotations);
  markdown.TextBoxes = wanted(stTextBoxes);
  return markdown;
}

namespace {

// A YAML double-quoted scalar.
std::string YamlQuoted(std::string_view Utf8) {
  std::string out = "\"";
  for (const char c : Utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (uint8_t(c) < 0x20 || c == 0x7F) {
      out += fmt::format("\\x{:02X}", unsigned(uint8_t(c)));
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string FormatMarkdown(const TOutputOptions& Options, const TReadResult& Document) {
  const std::string_view lineEnd = Options.Lf ? "\n" : "\r\n";
  std::string out;
  if (Options.FrontMatter) {
    for (const TSummaryValue& value : Document.Summary) {
      if (value.Name != "Title" || value.Kind != skText || value.Text.empty()) continue;
      out.append("---").append(lineEnd).append("title: ").append(YamlQuoted(OutputText(value.Text, true)))
          .append(lineEnd).append("---").append(lineEnd).append(lineEnd);
      break;
    }
  }
  std::u16string_view markdown = Document.Markdown;
  if (Options.MaxLength > 0 && markdown.size() > size_t(Options.MaxLength)) {
    // Whole lines only: a line cut short could change what the lines before it mean.
    const size_t end = markdown.rfind(u'\n', size_t(Options.MaxLength) - 1);
    markdown = markdown.substr(0, end == std::u16string_view::npos ? 0 : end + 1);
  }
  AppendOutputText(out, markdown, false);
  if (Options.Summary) {
    const std::vector<TSummaryField> fields = SummaryFields(Document.Summary, Options.Lf);
    if (!fields.empty()) {
      if (!out.empty()) out.append(lineEnd);
      out.append("## Summary").append(lineEnd).append(lineEnd);
      for (const TSummaryField& field : fields) {
        std::u16string item = msword::Utf8ToWide(field.Name) + u": ";
        if (const auto* value = std::get_if<std::string>(&field.Value))
          item += msword::Utf8ToWide(*value);
        else
          item += msword::Utf8ToWide(std::to_string(std::get<int32_t>(field.Value)));
        out.append("- ");
        AppendOutputText(out, msword::TKvWMarkdownWriter::EscapeText(item), false);
        out.append(lineEnd);
      }
    }
  }
  return out;
}

std::string FormatText(const TOutputOptions& Options, const TReadResult& Document) {
  std::string out;
  WriteText(Options, Document, [&out](std::string_view Bytes) { out += Bytes; });
  return out;
}

std::string FormatJson(const TOutputOptions& Options, std::string_view File, const TReadResult& Document) {
  Json object;
  object["file"] = File;
  object["reader"] = ReaderName(Document.Reader);
  if (Document.DocVersion) object["docVersion"] = *Document.DocVersion;
  // Only where the text may be wrong: the encodings it was in that could not be decoded.
  if (!Document.UndecodableEncodings.empty()) object["undecodableEncodings"] = Document.UndecodableEncodings;
  if (!Options.NoText) {
    std::string text;
    for (const std::u16string& line : Document.Text) {
      AppendFormatText(text, line, Options);
      text += Options.Lf ? "\n" : "\r\n";
    }
    object["text"] = std::move(text);
  }
  for (const TSideTextInfo& info : SideTexts) {
    if (!SideTextListed(Options, info)) continue;
    Json entries = Json::array();
    for (const std::u16string& line : Document.Side(info.Kind))
      entries.push_back(FormatOutputText(line, Options));
    object[std::string(info.JsonKey)] = std::move(entries);
  }
  if (!Options.NoSummary) {
    Json summary = Json::object();
    for (TSummaryField& field : SummaryFields(Document.Summary, Options.Lf)) {
      if (auto* text = std::get_if<std::string>(&field.Value))
        summary[std::string(field.Name)] = std::move(*text);
      else
        summary[std::string(field.Name)] = std::get<int32_t>(field.Value);
    }
    object["summary"] = std::move(summary);
  }
  if (Options.Macros) {
    Json modules = Json::array();
    for (const TVBAModule& module : Document.VBAModules)
      modules.push_back({{"name", OutputText(module.Name, Options.Lf)},
                         {"source", OutputText(module.Source, Options.Lf)}});
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
