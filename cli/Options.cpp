#include "cli/Options.h"
#include "frontdoor/Output.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string.h>

#include "frontdoor/Version.h"

#ifndef KVWORD_CLI_BUILD_TYPE
#define KVWORD_CLI_BUILD_TYPE "unspecified"
#endif

namespace kvword {

namespace {

constexpr const char* Description =
    "kvword extracts the text of Microsoft Word documents (.doc and .docx) and prints it\n"
    "to standard output as UTF-8, with CR LF after every line.";

constexpr const char* Footer =
    "The reader is chosen by content: a zip package or a compound file holding an\n"
    "encrypted package goes to the .docx reader, RTF to the RTF reader, a web page\n"
    "(HTML or MHTML) to the web page reader, Word 2003 XML or a flat package to the\n"
    "Word XML reader, everything else to the .doc reader.\n"
    "With several files each text follows a line \"==> FILE <==\"; side texts follow\n"
    "the main text under a line \"--- NAME ---\". A document that fails is reported as\n"
    "\"kvword: FILE: MESSAGE\" on standard error and the next one is read.\n"
    "\n"
    "--view=shown (the default) gives the text as Word displays it: list labels and\n"
    "note numbers written out, tracked changes accepted, hidden text left out, and\n"
    "the main text without the notes, headers and comments, which go to their side\n"
    "texts. --view=stored gives the text as the library's readers give it by default.\n"
    "\n"
    "Exit status: 0 when every document was read, 1 when any failed, 2 for a usage error.";

// The memory the process may use: the machine's, or its control group's limit
// where that is lower (a container's). 0 when unknown.
uint64_t UsableMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  uint64_t memory = pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
  for (const char* limitFile : {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
    std::FILE* file = std::fopen(limitFile, "re");
    if (!file) continue;
    unsigned long long limit = 0;
    const bool got = std::fscanf(file, "%llu", &limit) == 1;  // "max" reads as nothing
    std::fclose(file);
    if (got && limit > 0 && (memory == 0 || limit < memory)) memory = limit;
    break;
  }
  return memory;
}

unsigned MachineDefaultJobs() { return DefaultJobs(std::thread::hardware_concurrency(), UsableMemory()); }

// One document named, and no list: it is read on the main thread, and the machine
// is not asked for its cores and memory.
unsigned DefaultJobsFor(const TKvWordOptions& Options) {
  return Options.Files.size() == 1 && !Options.HasFilesFrom ? 1 : MachineDefaultJobs();
}

}  // namespace

unsigned DefaultJobs(unsigned Cores, uint64_t Memory) {
  unsigned jobs = Cores == 0 ? 1 : Cores;
  if (Memory != 0 && Memory / JobMemory < jobs) jobs = unsigned(Memory / JobMemory);
  return jobs == 0 ? 1 : jobs;
}

std::optional<uint16_t> ParseLanguageId(const std::string& Text) {
  std::string_view digits = Text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  if (digits.empty()) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size() || value > 0xFFFF)
    return std::nullopt;
  return uint16_t(value);
}

std::string VersionText() {
  return fmt::format(
      "kvword {}\n"
      "KvWord library {}\n"
      "build: {}, {} {}.{}.{}, CLI11 {}, fmt {}.{}.{}, nlohmann-json {}.{}.{}\n",
      KVWORD_VERSION_STRING, LibraryVersion(), KVWORD_CLI_BUILD_TYPE,
#if defined(__clang__)
      "clang", __clang_major__, __clang_minor__, __clang_patchlevel__,
#elif defined(__GNUC__)
      "GCC", __GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__,
#else
      "C++", 0, 0, 0,
#endif
      CLI11_VERSION, FMT_VERSION / 10000, FMT_VERSION / 100 % 100, FMT_VERSION % 100,
      NLOHMANN_JSON_VERSION_MAJOR, NLOHMANN_JSON_VERSION_MINOR, NLOHMANN_JSON_VERSION_PATCH);
}

TReadOptions ReadOptionsOf(const TKvWordOptions& Options) {
  TReadOptions read;
  read.Reader = Options.Reader;
  read.ByExtension = Options.ByExtension;
  read.Format = Options.Format;
  read.Markdown = Options.Markdown;
  read.MarkdownOnly = Options.Markdown;  // the tool prints the Markdown alone
  read.MarkdownOptions = MarkdownOptions(OutputOptionsOf(Options));
  read.MaxLength = Options.MaxLength;
  read.NoConvert = Options.NoConvert;
  read.Macros = Options.Macros;
  read.HiddenText = Options.HiddenText;
  read.NoText = Options.NoText;
  // The summary is read only where it is printed: JSON, unless --no-summary, and
  // the text formats with --summary (Markdown's front matter too).
  read.Summary = !Options.NoSummary && (Options.Json || Options.Summary || Options.FrontMatter);
  read.Language = Options.Language;
  read.View = Options.View;
  read.Revisions = Options.Revisions;
  read.Password = Options.Password;
  read.MaxSpinCount = Options.MaxSpinCount;
  return read;
}

TOutputOptions OutputOptionsOf(const TKvWordOptions& Options) {
  TOutputOptions output;
  output.Format = Options.Format;
  output.Markdown = Options.Markdown;
  output.FrontMatter = Options.FrontMatter;
  output.MaxLength = Options.MaxLength;
  output.Lf = Options.Lf;
  output.Sides = Options.Sides;
  output.All = Options.All;
  output.Summary = Options.Summary;
  output.NoText = Options.NoText;
  output.NoSummary = Options.NoSummary;
  output.Macros = Options.Macros;
  return output;
}

std::string FirstLine(const std::string& Text) {
  std::string line = Text.substr(0, Text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The password of KVWORD_PASSWORD into Password, then cleared from the process's
// environment: its bytes overwritten where they lie (what /proc/PID/environ shows)
// and the variable removed, so that no child and no later reader sees it.
static void TakePasswordFromEnvironment(std::string& Password) {
  char* value = std::getenv("KVWORD_PASSWORD");
  if (!value) return;
  Password = value;
  explicit_bzero(value, std::strlen(value));
  unsetenv("KVWORD_PASSWORD");
}

// A parse error's message without the values given to mistyped options: a
// misspelt --password=SECRET must not print the secret.
static std::string WithoutOptionValues(std::string Message, int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const size_t equals = arg.find('=');
    if (!arg.starts_with("-") || equals == std::string_view::npos) continue;
    for (size_t at = Message.find(arg); at != std::string::npos; at = Message.find(arg, at + equals))
      Message.replace(at, arg.size(), arg.substr(0, equals));
  }
  return Message;
}

std::optional<int> ParseCommandLine(int argc, const char* const* argv, TKvWordOptions& Options,
                                    std::ostream& Out, std::ostream& Err) {
  // Nothing but documents named, the way a wrapper calls the tool once per file:
  // every option keeps its default, and building the parser below, which would
  // take longer than reading a small document, is skipped.
  if (argc > 1 && std::all_of(argv + 1, argv + argc, [](const char* arg) { return arg[0] != '-' && arg[0] != '\0'; })) {
    Options.Files.assign(argv + 1, argv + argc);
    Options.Jobs = DefaultJobsFor(Options);
    TakePasswordFromEnvironment(Options.Password);
    return std::nullopt;
  }
  CLI::App app{Description, "kvword"};
  app.footer(Footer);
  app.get_formatter()->column_width(30);
  app.set_help_flag("-h,--help", "Print this help and exit");
  bool version = false;
  app.add_flag("-V,--version", version, "Print the version of the tool and its library and exit");

  app.add_option("FILE", Options.Files,
                 "Word documents to read, in this order (\"-\": standard input)")->type_name("");
  app.add_option("--files-from", Options.FilesFrom,
                 "Also read the documents listed in PATH, one a line (\"-\": standard input)")
      ->type_name("PATH");
  app.add_flag("-0,--null", Options.NullSeparated,
               "The --files-from list ends each path with NUL, as find -print0 writes it");

  const char* reading = "Choosing and configuring the reader";
  std::string reader = "auto";
  app.add_option("--reader", reader, "Reader to use: doc, docx, rtf, html, wordxml or auto (by content, the default)")
      ->check(CLI::IsMember({"doc", "docx", "rtf", "html", "wordxml", "auto"}).description(""))
      ->type_name("KIND")
      ->group(reading);
  app.add_flag("--by-extension", Options.ByExtension,
               "Choose the reader by name: .docx (any case) for the .docx reader, else .doc")
      ->group(reading);
  std::string format = "plain";
  app.add_option("--format", format,
                 "Output format: plain (the default), rtf (ASCII, \\uN? escapes), html (UTF-8) or "
                 "markdown (GitHub's: headings, lists, tables, footnotes, links, emphasis)")
      ->check(CLI::IsMember({"plain", "rtf", "html", "markdown"}).description(""))
      ->type_name("FORMAT")
      ->group(reading);
  app.add_flag("--front-matter", Options.FrontMatter,
               "With --format=markdown: open with the document's title as YAML front matter")
      ->group(reading);
  app.add_option("--max-length", Options.MaxLength,
                 "Keep at most N UTF-16 code units of each text, whole characters (0: no limit)")
      ->check(CLI::Range(0, std::numeric_limits<int32_t>::max()).description(""))
      ->type_name("N")
      ->group(reading);
  app.add_flag("--no-convert", Options.NoConvert,
               "Keep special characters and field codes of .doc files as they are")
      ->group(reading);
  app.add_flag("--macros", Options.Macros,
               "Extract the VBA macro source of .doc files (see --macro-text)")
      ->group(reading);
  app.add_flag("--hidden-text", Options.HiddenText, "Include text marked hidden (.docx)")
      ->group(reading);
  app.add_flag("--no-text", Options.NoText, "Extract neither the main text nor the side texts")
      ->group(reading);
  std::string language;
  app.add_option("--language", language, "Language for .doc files that name none (0x0409 or 1033); a named one is kept")
      ->check(CLI::Validator(
          [](std::string& value) {
            return ParseLanguageId(value)
                       ? std::string()
                       : "not a language id (0x0000-0xFFFF or 0-65535): " + value;
          },
          ""))
      ->type_name("LANGID")
      ->group(reading);

  std::string view = "shown";
  app.add_option("--view", view,
                 "shown (the default): the text as Word displays it; stored: as the file "
                 "stores it, the library's default")
      ->check(CLI::IsMember({"shown", "stored"}).description(""))
      ->type_name("VIEW")
      ->group(reading);
  std::string revisions;
  app.add_option("--revisions", revisions,
                 "Tracked changes: accept, reject or mark (+inserted, -deleted); "
                 "default: as the view has it")
      ->check(CLI::IsMember({"accept", "reject", "mark"}).description(""))
      ->type_name("MODE")
      ->group(reading);

  const char* side = "Side texts, printed after the main text";
  for (const TSideTextInfo& info : SideTexts) {
    const TSideText kind = info.Kind;
    app.add_flag_callback(
           "--" + std::string(info.Option), [&Options, kind] { Options.Sides.Include(kind); },
           fmt::format("Print the {} under \"--- {} ---\"", info.Description, info.Option))
        ->group(side);
  }
  app.add_flag("--all", Options.All, "Print every side text that is not empty")->group(side);

  const char* output = "Output";
  app.add_flag("--summary", Options.Summary,
               "Print the summary information under \"--- summary ---\" (dates in UTC)")
      ->group(output);
  app.add_flag("--no-summary", Options.NoSummary,
               "Do not read the summary information (nor print it in JSON)")
      ->group(output);
  app.add_flag("--json", Options.Json, "Print one JSON object per document and line (JSON Lines)")
      ->group(output);
  app.add_flag("--lf", Options.Lf, "End lines with LF instead of CR LF")->group(output);

  const char* batch = "Many documents";
  Options.Jobs = 0;  // the default is settled below
  app.add_option("-j,--jobs", Options.Jobs, "Read N documents at a time (default: one per core, 256 MiB of memory each)")
      ->check(CLI::Range(1u, 1024u).description(""))
      ->type_name("N")
      ->group(batch);
  app.add_option("--timeout", Options.Timeout,
                 "Give each document at most SECONDS of CPU time, read in a worker process")
      ->check(CLI::Range(0.001, 1e6).description(""))
      ->type_name("SECONDS")
      ->group(batch);
  app.add_flag("-q,--quiet", Options.Quiet,
               "Show no progress line (drawn only when standard error is a terminal and the text goes elsewhere)")->group(batch);

  const char* protection = "Password-protected documents";
  std::string password, passwordFile;
  app.add_option("--password", password, "Open protected documents with PW (seen by other users in the process list)")
      ->type_name("PW")
      ->group(protection);
  app.add_option("--password-file", passwordFile,
                 "Take the password from the first line of PATH (\"-\": standard input)")
      ->type_name("PATH")
      ->group(protection);
  app.add_option("--max-spin-count", Options.MaxSpinCount,
                 "Refuse documents whose password takes more than N hashing rounds (default 1000000)")
      ->check(CLI::Range(1u, 10'000'000u).description(""))
      ->type_name("N")
      ->group(protection);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    Out << app.help();
    return ExitSuccess;
  } catch (const CLI::ParseError& e) {
    Err << "kvword: " << WithoutOptionValues(e.what(), argc, argv) << "\nTry 'kvword --help' for more information.\n";
    return ExitUsage;
  }
  if (version) {
    Out << VersionText();
    return ExitSuccess;
  }
  auto usageError = [&Err](std::string_view message) {
    Err << "kvword: " << message << "\nTry 'kvword --help' for more information.\n";
    return ExitUsage;
  };
  if (app.count("--reader") > 0 && Options.ByExtension)
    return usageError("--reader and --by-extension exclude each other");
  if (Options.Summary && Options.NoSummary)
    return usageError("--summary and --no-summary exclude each other");
  Options.HasFilesFrom = app.count("--files-from") > 0;
  if (Options.Files.empty() && !Options.HasFilesFrom) return usageError("no input files");
  if (Options.NullSeparated && !Options.HasFilesFrom)
    return usageError("--null applies to a --files-from list, and none is given");
  const auto readsStandardInput = std::count(Options.Files.begin(), Options.Files.end(), "-") +
                                  (Options.HasFilesFrom && Options.FilesFrom == "-" ? 1 : 0);
  if (readsStandardInput > 1) return usageError("standard input (\"-\") can be read only once");
  if (app.count("--jobs") == 0) Options.Jobs = DefaultJobsFor(Options);
  Options.Reader = ReaderModeByName(reader);
  Options.Format = format == "rtf"    ? msword::tfRTF
                   : format == "html" ? msword::tfHTML
                                      : msword::tfPlainText;
  Options.View = view == "stored" ? msword::vwStored : msword::vwShown;
  Options.Markdown = format == "markdown";
  if (Options.Markdown && Options.View == msword::vwStored)
    return usageError("--format=markdown writes the shown view; --view=stored cannot be combined with it");
  if (Options.Markdown && Options.Json) return usageError("--format=markdown and --json exclude each other");
  if (Options.FrontMatter && !Options.Markdown) return usageError("--front-matter applies to --format=markdown");
  Options.Revisions = revisions == "accept"   ? msword::rvAccept
                      : revisions == "reject" ? msword::rvReject
                      : revisions == "mark"   ? msword::rvMark
                                              : msword::rvDefault;
  if (!language.empty()) Options.Language = ParseLanguageId(language);
  // The password: the option, else the file's first line, else the environment.
  if (app.count("--password") > 0) {
    Options.Password = password;
  } else if (app.count("--password-file") > 0) {
    if (passwordFile == "-" && readsStandardInput > 0)
      return usageError("standard input (\"-\") can be read only once");
    std::string text;
    if (passwordFile == "-") {
      std::getline(std::cin, text);
    } else {
      std::ifstream file(passwordFile, std::ios::binary);
      if (!file) return usageError("cannot read the password file " + EscapeControls(passwordFile));
      std::getline(file, text);
    }
    Options.Password = FirstLine(text);
  }
  // The environment's password is cleared even when an option overrides it.
  std::string environmentPassword;
  TakePasswordFromEnvironment(environmentPassword);
  if (app.count("--password") == 0 && app.count("--password-file") == 0) Options.Password = environmentPassword;
  explicit_bzero(environmentPassword.data(), environmentPassword.size());
  return std::nullopt;
}

}  // namespace kvword
