// The command line of kvword: what it asks for, parsed with CLI11.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "frontdoor/DocumentRead.h"
#include "frontdoor/Output.h"
#include "frontdoor/ReaderChoice.h"
#include "frontdoor/SideTexts.h"

namespace kvword {

// Exit statuses: every document read, some document failed, the command line was wrong.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitDocumentFailed = 1;
inline constexpr int ExitUsage = 2;

struct TKvWordOptions {
  std::vector<std::string> Files;  // as given, in order
  std::string FilesFrom;           // a list of paths, one a line; "-" is standard input
  bool HasFilesFrom = false;
  bool NullSeparated = false;      // the list's paths end with NUL instead of a line end

  TReaderMode Reader = rmAuto;
  bool ByExtension = false;

  msword::TMSTextFormating Format = msword::tfPlainText;
  // --format=markdown: the readers read plain text and describe the document to
  // a Markdown writer (the shown view only).
  bool Markdown = false;
  bool FrontMatter = false;  // the title as YAML front matter, before the Markdown
  int32_t MaxLength = 0;
  bool NoConvert = false;
  bool Macros = false;
  bool HiddenText = false;
  bool NoText = false;
  bool NoSummary = false;
  std::optional<uint16_t> Language;
  // The tool reads what Word shows unless told to give the text as it is stored.
  msword::TKvWView View = msword::vwShown;
  msword::TKvWRevisions Revisions = msword::rvDefault;  // rvDefault: as the view has it

  TSideTextSet Sides;  // side texts asked for one by one: printed even when empty
  bool All = false;    // every side text: printed when not empty, all listed in JSON

  bool Summary = false;
  bool Json = false;
  bool Lf = false;
  bool Quiet = false;
  unsigned Jobs = 0;  // 0 until parsed; then at least 1
  // CPU seconds each document may take, read in a worker process (0: no limit,
  // read in the tool's own threads).
  double Timeout = 0;
  // The password tried on every protected document (UTF-8; empty: none), from
  // --password, else the first line of --password-file, else KVWORD_PASSWORD.
  std::string Password;
  // The most rounds of password hashing a protected document may ask for.
  uint32_t MaxSpinCount = msword::DefaultMaxSpinCount;

  bool operator==(const TKvWordOptions&) const = default;
};

// What the front door is asked to read, and how the tool writes it.
TReadOptions ReadOptionsOf(const TKvWordOptions& Options);
TOutputOptions OutputOptionsOf(const TKvWordOptions& Options);

// Parses the command line into Options. Returns an exit status when the program
// is to stop at once: 0 after --help or --version (printed to Out), 2 after a
// usage error (reported to Err); nothing when the documents are to be read.
std::optional<int> ParseCommandLine(int argc, const char* const* argv, TKvWordOptions& Options,
                                    std::ostream& Out, std::ostream& Err);

// The first line of Text without its line end.
std::string FirstLine(const std::string& Text);

// The memory one job is counted to need when the default number of jobs is chosen
// (see the manual page): a document of about 30 MB of text being read, and the
// ones waiting to be printed.
inline constexpr uint64_t JobMemory = uint64_t(256) << 20;

// The default of --jobs: one per core, but no more than Memory (bytes; 0 when
// unknown) holds at JobMemory each; at least 1.
unsigned DefaultJobs(unsigned Cores, uint64_t Memory);

// "0x0409" (hex) or "1033" (decimal) as a language id; nothing when it is neither
// or does not fit 16 bits.
std::optional<uint16_t> ParseLanguageId(const std::string& Text);

// The text of --version.
std::string VersionText();

}  // namespace kvword
