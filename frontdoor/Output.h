// How a document read through the front door is written out, the same for every
// host: its text with headings, side texts and summary lines in plain text, RTF or
// HTML, or one JSON object per line; and the ISO 8601 form of the library's dates.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "frontdoor/DocumentRead.h"
#include "frontdoor/SideTexts.h"

namespace kvword {

// What is written, and how.
struct TOutputOptions {
  TMSTextFormating Format = tfPlainText;
  bool Markdown = false;     // the document's Markdown (TReadResult::Markdown) ...
  bool FrontMatter = false;  // ... opened by its title as YAML front matter
  int32_t MaxLength = 0;     // Markdown is cut to whole lines within it
  bool Lf = false;        // LF instead of CR LF at the end of every line
  TSideTextSet Sides;     // side texts asked for one by one: printed even when empty
  bool All = false;       // every side text: printed when not empty, all listed in JSON
  bool Summary = false;   // the summary lines in text output
  bool NoText = false;    // no "text" in JSON
  bool NoSummary = false; // no "summary" in JSON
  bool Macros = false;    // "vbaModules" in JSON
};

// UTF-16 text as UTF-8; with Lf every CR LF becomes LF (a lone CR stays).
std::string OutputText(std::u16string_view Text, bool Lf);
// Appends Text as UTF-8, with every CR LF as LF when Lf is set.
void AppendOutputText(std::string& Out, std::u16string_view Text, bool Lf);
// The reader's text as the tool prints it in the chosen format: as OutputText, and
// in RTF with every code unit above 127 written as "\uN?" (N signed, as RTF has
// it; the header declares one fallback character with "\uc1"), so that the RTF
// is plain ASCII whatever the reader found.
void AppendFormatText(std::string& Out, std::u16string_view Text, const TOutputOptions& Options);
std::string FormatOutputText(std::u16string_view Text, const TOutputOptions& Options);

// A date-time whose clock time stands UtcOffset minutes east of UTC as the UTC
// moment "2022-12-06T10:20:30Z" (ISO 8601, whole seconds); a value without an
// offset is taken as UTC. Empty for 0 (not set) or a moment outside the years 1
// to 9999.
std::string IsoDateTime(msword::TDateTime Value, std::optional<int32_t> UtcOffset);

// One summary property that is set: a text (dates already in ISO 8601) or a count.
struct TSummaryField {
  std::string_view Name;  // the record's property name: "Title", "Author", ...
  std::variant<std::string, int32_t> Value;
};
// The properties that are set, in the record's order; empty texts, zero counts and
// unset dates are left out.
std::vector<TSummaryField> SummaryFields(const std::vector<TSummaryValue>& Summary, bool Lf);

// What Markdown writes of the side texts: headers, footers, comments and text
// boxes as the options ask for them (the notes are always written), lines ending
// as Lf says.
msword::TKvWMarkdownOptions MarkdownOptions(const TOutputOptions& Options);

// What one document prints as Markdown: with FrontMatter its title as YAML front
// matter, then the Markdown (cut with MaxLength at the last line end within the
// limit), then with Summary the summary as a list under "## Summary".
std::string FormatMarkdown(const TOutputOptions& Options, const TReadResult& Document);

// Where text output goes, a block of bytes at a time.
using TSink = std::function<void(std::string_view Bytes)>;

// What one document prints in text mode: the main text, the side texts asked for
// under "--- NAME ---", and with --summary the summary lines under "--- summary ---",
// handed to Sink in blocks of about 64 KiB as it is encoded.
// In RTF and HTML, given the framing the reader used, all of it goes inside the
// main text's framing, the tool's own lines escaped as the format needs.
void WriteText(const TOutputOptions& Options, const TReadResult& Document, const TSink& Sink);
// The same text as one string.
std::string FormatText(const TOutputOptions& Options, const TReadResult& Document);

// One JSON line (ending in LF) for a document that loaded.
std::string FormatJson(const TOutputOptions& Options, std::string_view File, const TReadResult& Document);

// The JSON line of a document that failed: only "file" and "error".
std::string FormatJsonError(std::string_view File, std::string_view Message);

// The line "==> FILE <==" that precedes each text when several are printed, after
// an empty line unless it is the first thing printed (as head(1) does).
std::string FormatHeading(const TOutputOptions& Options, std::string_view File, bool First);

// Text (a file name, a message) made safe to print in a line: control characters
// (C0, DEL and, in UTF-8, C1) become escapes ("\n", "\t", "\r", "\x1b", "\u009b"),
// so that a name can neither start a line of its own nor send commands to a
// terminal. Other bytes pass unchanged.
std::string EscapeControls(std::string_view Text);

}  // namespace kvword
