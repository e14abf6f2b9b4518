// The native part of the Python package kvword: reads documents without the
// interpreter's lock, one at a time or many on worker threads, and gives plain
// Python values that kvword/__init__.py turns into Document objects and exceptions.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frontdoor/DocumentRead.h"
#include "frontdoor/OrderedPool.h"
#include "frontdoor/Output.h"
#include "frontdoor/Version.h"

namespace py = pybind11;

namespace kvword::python {
namespace {

// The module's settings: what is read, and the format its texts are written in.
struct TModuleOptions {
  TReadOptions Read;
  TOutputOptions Output;
};

// A summary date: its clock time (year 1 to 9999, whole seconds) and where that
// clock stands against UTC, in minutes east (unset: the date states none, and its
// clock time is taken as UTC, as the command-line tool takes it).
struct TSummaryDate {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  std::optional<int32_t> UtcOffset;
};

struct TPySummaryValue {
  std::string_view Name;
  TSummaryKind Kind = skText;
  std::string Text;
  int32_t Count = 0;
  TSummaryDate Date;
};

// One document's result as the module gives it, made on the worker thread so that
// only the Python objects are built under the GIL. Texts are UTF-8, written as the
// tool writes them in the chosen format (a lone surrogate becomes U+FFFD).
struct TPyResult {
  TReadFailure Failure = rfNone;
  std::u16string Message;
  TReaderKind Reader = rkDoc;
  std::optional<int32_t> DocVersion;
  std::vector<std::string> UndecodableEncodings;
  std::vector<std::string> Text;
  // In Markdown: what the tool prints, lines ended by CR LF (Text holds the plain
  // shown text the side texts go with).
  std::optional<std::string> Markdown;
  std::array<std::vector<std::string>, SideTextCount> Sides;
  std::vector<TPySummaryValue> Summary;
  std::vector<std::pair<std::string, std::string>> VBAModules;
};

// Whole seconds since the date-time type's epoch: the whole part counts days
// (negative before the epoch) and the fraction, always added, the time of that day.
bool FieldsOf(int64_t Seconds, TSummaryDate& Date) {
  int64_t day = Seconds / 86400, second = Seconds % 86400;
  if (second < 0) {
    second += 86400;
    --day;
  }
  DecodeDay(day, Date.Year, Date.Month, Date.Day);
  Date.Hour = int(second / 3600);
  Date.Minute = int(second / 60 % 60);
  Date.Second = int(second % 60);
  return Date.Year >= 1 && Date.Year <= 9999;
}

// The date's fields, or nothing when its clock time or its UTC moment falls
// outside the years 1 to 9999.
std::optional<TSummaryDate> SummaryDate(double Value, std::optional<int32_t> UtcOffset) {
  if (Value == 0 || !(Value > -693594.0 && Value < 2958467.0)) return std::nullopt;
  const int64_t seconds = DateTimeSeconds(Value);
  TSummaryDate utc, date;
  if (!FieldsOf(seconds - int64_t(UtcOffset.value_or(0)) * 60, utc)) return std::nullopt;
  if (!FieldsOf(seconds, date)) return std::nullopt;
  date.UtcOffset = UtcOffset;
  return date;
}

std::vector<std::string> Lines(const std::vector<std::u16string>& List, const TOutputOptions& Output) {
  std::vector<std::string> lines;
  lines.reserve(List.size());
  for (const std::u16string& line : List) lines.push_back(FormatOutputText(line, Output));
  return lines;
}

TPyResult Convert(TReadResult&& Read, const TModuleOptions& Options) {
  TPyResult result;
  result.Failure = Read.Failure;
  result.Message = std::move(Read.Message);
  if (Read.Failed()) return result;
  result.Reader = Read.Reader;
  result.DocVersion = Read.DocVersion;
  result.UndecodableEncodings = std::move(Read.UndecodableEncodings);
  if (Options.Output.Markdown) result.Markdown = FormatMarkdown(Options.Output, Read);
  result.Text = Lines(Read.Text, Options.Output);
  for (size_t k = 0; k < SideTextCount; ++k) result.Sides[k] = Lines(Read.Sides[k], Options.Output);
  for (const TSummaryValue& value : Read.Summary) {
    TPySummaryValue v;
    v.Name = value.Name;
    v.Kind = value.Kind;
    if (value.Kind == skText) {
      v.Text = ToUtf8(value.Text);
    } else if (value.Kind == skCount) {
      v.Count = value.Count;
    } else {
      const std::optional<TSummaryDate> date = SummaryDate(value.Date, value.UtcOffset);
      if (!date) continue;
      v.Date = *date;
    }
    result.Summary.push_back(std::move(v));
  }
  for (const TVBAModule& module : Read.VBAModules)
    result.VBAModules.emplace_back(ToUtf8(module.Name), ToUtf8(module.Source));
  return result;
}

// A document to read, and the bytes it is read from, if in memory (kept alive by
// the caller while it is read).
TPyResult ReadOne(const TReadSource& Source, const TModuleOptions& Options) {
  return Convert(ReadDocument(Source, Options.Read), Options);
}

// A str as UTF-16, lone surrogates kept: a file name that the operating system
// gave as bytes, decoded by Python with "surrogateescape", reaches the library as
// the U+DC80-U+DCFF code units that stand for its undecodable bytes.
std::u16string ToWide(py::handle Str) {
  py::object bytes = py::reinterpret_steal<py::object>(
      PyUnicode_AsEncodedString(Str.ptr(), "utf-16-le", "surrogatepass"));
  if (!bytes) throw py::error_already_set();
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  std::u16string wide(size_t(size) / 2, u'\0');
  std::memcpy(wide.data(), data, wide.size() * 2);
  return wide;
}

py::str FromWide(const std::u16string& Wide) {
  int byteOrder = std::endian::native == std::endian::little ? -1 : 1;
  PyObject* str = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(Wide.data()),
                                        Py_ssize_t(Wide.size() * 2), "surrogatepass", &byteOrder);
  if (!str) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(str);
}

py::str FromUtf8(const std::string& Text) {
  PyObject* str = PyUnicode_DecodeUTF8(Text.data(), Py_ssize_t(Text.size()), "replace");
  if (!str) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(str);
}

py::list ToList(const std::vector<std::string>& Lines) {
  py::list list(Lines.size());
  for (size_t i = 0; i < Lines.size(); ++i) list[i] = FromUtf8(Lines[i]);
  return list;
}

// A failure's class as kvword/__init__.py numbers them.
int ErrorClass(TReadFailure Failure) {
  switch (Failure) {
    case rfNotWord: return 1;
    case rfPasswordProtected: return 2;
    case rfWrongPassword: return 3;
    case rfNotFound: return 5;
    case rfCannotOpen:
    case rfNotRegularFile: return 6;
    case rfIsDirectory: return 7;
    case rfTimeout: return 8;
    default: return 4;  // damaged, over budget, out of memory, crashed
  }
}

// A dict of the document's values, or a tuple (error class, message) for a failure.
py::object ToPython(const TPyResult& Result) {
  if (Result.Failure != rfNone) return py::make_tuple(ErrorClass(Result.Failure), FromWide(Result.Message));
  py::dict d;
  d["reader"] = std::string(ReaderName(Result.Reader));
  d["doc_version"] = Result.DocVersion ? py::object(py::int_(*Result.DocVersion)) : py::object(py::none());
  d["text"] = ToList(Result.Text);
  d["markdown"] = Result.Markdown ? py::object(FromUtf8(*Result.Markdown)) : py::object(py::none());
  d["undecodable_encodings"] = ToList(Result.UndecodableEncodings);
  for (const TSideTextInfo& info : SideTexts) d[py::str(std::string(info.PythonName))] = ToList(Result.Sides[info.Kind]);
  py::list summary;
  for (const TPySummaryValue& value : Result.Summary) {
    py::object v;
    if (value.Kind == skText) {
      v = FromUtf8(value.Text);
    } else if (value.Kind == skCount) {
      v = py::int_(value.Count);
    } else {
      const TSummaryDate& t = value.Date;
      v = py::make_tuple(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second,
                         t.UtcOffset ? py::object(py::int_(*t.UtcOffset)) : py::object(py::none()));
    }
    summary.append(py::make_tuple(std::string(value.Name), v));
  }
  d["summary"] = summary;
  py::list modules;
  for (const auto& [name, source] : Result.VBAModules) modules.append(py::make_tuple(FromUtf8(name), FromUtf8(source)));
  d["vba_modules"] = modules;
  return d;
}

// A str is a file name; bytes are the document itself (Keep holds them while read).
TReadSource MakeSource(py::handle Source) {
  if (PyUnicode_Check(Source.ptr())) return TReadSource::FromName(ToWide(Source));
  if (PyBytes_Check(Source.ptr()))
    return TReadSource::FromMemory(PyBytes_AS_STRING(Source.ptr()), size_t(PyBytes_GET_SIZE(Source.ptr())));
  PyErr_Format(PyExc_TypeError, "expected a file name (str) or a document's bytes, not %s",
               Py_TYPE(Source.ptr())->tp_name);
  throw py::error_already_set();
}

// Format is a TMSTextFormating, or kFormatMarkdown.
constexpr int kFormatMarkdown = 3;

TModuleOptions MakeOptions(int View, int Revisions, int Format, int32_t MaxLength, bool HiddenText,
                           bool Macros, bool Summary, std::optional<py::str> Password, int Reader,
                           bool FrontMatter) {
  TModuleOptions options;
  const bool markdown = Format == kFormatMarkdown;
  if (markdown && TKvWView(View) != vwShown)
    throw py::value_error("format=\"markdown\" writes the shown view; view=\"stored\" cannot be combined with it");
  if (FrontMatter && !markdown) throw py::value_error("front_matter applies to format=\"markdown\"");
  options.Read.View = TKvWView(View);
  options.Read.Revisions = TKvWRevisions(Revisions);
  options.Read.Format = markdown ? tfPlainText : TMSTextFormating(Format);
  options.Read.MaxLength = MaxLength;
  options.Read.HiddenText = HiddenText;
  options.Read.Macros = Macros;
  options.Read.Summary = Summary;
  if (Password) options.Read.Password = ToUtf8(ToWide(*Password));
  options.Read.Reader = TReaderMode(Reader);
  options.Output.Format = options.Read.Format;
  if (markdown) {
    // As the tool prints it by default: the main text and the notes, CR LF line
    // ends (the package turns them into the newline asked for), cut at a line end
    // within MaxLength.
    options.Output.Markdown = true;
    options.Output.FrontMatter = FrontMatter;
    options.Output.MaxLength = MaxLength;
    options.Read.Markdown = true;
    options.Read.MarkdownOptions = MarkdownOptions(options.Output);
  }
  return options;
}

py::object Read(py::handle Source, const TModuleOptions& Options) {
  const TReadSource source = MakeSource(Source);  // Source's bytes are the caller's
  TPyResult result;
  {
    py::gil_scoped_release release;
    result = ReadOne(source, Options);
  }
  return ToPython(result);
}

struct TInterrupted {};

// The iterator behind read_many: pulls items from the caller's iterator as the
// window has room, and gives each result in input order. An exception raised by the
// caller's iterator (or an item of the wrong type) is raised in its place, after
// the results of the items before it.
class TReadMany {
 public:
  TReadMany(py::iterator Items, const TModuleOptions& Options, unsigned Jobs, size_t Window)
      : FItems(std::move(Items)),
        FPool(std::make_unique<TPool>(
            Jobs, Window,
            [Options]() -> TPool::TWorker {
              return [Options](const TReadSource& Source) { return ReadOne(Source, Options); };
            },
            [] {
              TPyResult failed;
              failed.Failure = rfOutOfMemory;
              failed.Message = u"Out of memory";
              return failed;
            })) {
    FKeep.resize(std::max<size_t>(Window, std::max(Jobs, 1u)));
  }
  ~TReadMany() { Close(); }

  py::object Next() {
    if (!FPool) throw py::stop_iteration();
    TopUp();
    if (FPool->Pending() == 0) {
      if (FError) {
        py::error_already_set error = std::move(*FError);
        FError.reset();
        Close();
        throw error;
      }
      Close();
      throw py::stop_iteration();
    }
    TPyResult result;
    bool interrupted = false;
    {
      py::gil_scoped_release release;
      try {
        result = FPool->TakeNext([] {
          py::gil_scoped_acquire acquire;
          if (PyErr_CheckSignals() != 0) throw TInterrupted{};
        });
      } catch (const TInterrupted&) {
        interrupted = true;
      }
    }
    if (interrupted) throw py::error_already_set();
    FKeep[FTaken++ % FKeep.size()] = py::object();
    return ToPython(result);
  }

  // Stops reading: the documents being read are finished, the rest dropped.
  void Close() {
    if (FPool) {
      if (PyGILState_Check()) {
        py::gil_scoped_release release;
        FPool.reset();
      } else {
        FPool.reset();
      }
    }
    FKeep.assign(FKeep.size(), py::object());
    FItems = py::iterator();
  }

 private:
  void TopUp() {
    while (!FExhausted && !FError && FPool->HasRoom()) {
      PyObject* next = PyIter_Next(FItems.ptr());
      if (!next) {
        if (PyErr_Occurred()) FError.emplace();
        FExhausted = true;
        break;
      }
      py::object item = py::reinterpret_steal<py::object>(next);
      try {
        const TReadSource source = MakeSource(item);
        FKeep[FSubmitted++ % FKeep.size()] = item;
        FPool->Submit(source);
      } catch (py::error_already_set& e) {
        FError.emplace(std::move(e));
        FExhausted = true;
      }
    }
  }

  using TPool = TOrderedPool<TReadSource, TPyResult>;
  py::iterator FItems;
  std::unique_ptr<TPool> FPool;
  std::vector<py::object> FKeep;  // the items being read, in the pool's slots' order
  size_t FSubmitted = 0, FTaken = 0;
  bool FExhausted = false;
  std::optional<py::error_already_set> FError;
};

}  // namespace
}  // namespace kvword::python

PYBIND11_MODULE(_kvword, m) {
  using namespace kvword::python;
  m.doc() = "The native part of kvword; use the kvword package instead.";
  m.attr("__version__") = KVWORD_VERSION_STRING;
  py::class_<TModuleOptions>(m, "Options", "Reader settings, made by kvword from read()'s arguments.");
  m.def("make_options", &MakeOptions, py::arg("view"), py::arg("revisions"), py::arg("format"),
        py::arg("max_length"), py::arg("hidden_text"), py::arg("macros"), py::arg("summary"),
        py::arg("password"), py::arg("reader"), py::arg("front_matter") = false);
  m.def("read", &Read, py::arg("source"), py::arg("options"),
        "Reads one document (str: a file name; bytes: the document) without the GIL.");
  py::class_<TReadMany>(m, "ReadMany")
      .def(py::init<py::iterator, const TModuleOptions&, unsigned, size_t>(), py::arg("items"),
           py::arg("options"), py::arg("jobs"), py::arg("window"))
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &TReadMany::Next)
      .def("close", &TReadMany::Close);
}
