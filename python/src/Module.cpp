// The native part of the Python package kvword: reads documents without the
// interpreter's lock, one at a time or many on worker threads, and gives plain
// Python values that kvword/__init__.py turns into Document objects and exceptions.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "msword/Version.h"
#include "python/src/DocumentRead.h"
#include "python/src/OrderedPool.h"

namespace py = pybind11;

namespace kvword::python {
namespace {

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

// A dict of the document's values, or a tuple (error class, message) for a failure.
py::object ToPython(const TReadResult& Result) {
  if (Result.Error != reNone) return py::make_tuple(int(Result.Error), FromWide(Result.Message));
  py::dict d;
  d["reader"] = ReaderName(Result.Reader);
  d["doc_version"] = Result.DocVersion ? py::object(py::int_(*Result.DocVersion)) : py::object(py::none());
  d["text"] = ToList(Result.Text);
  d["footnotes"] = ToList(Result.FootNotes);
  d["endnotes"] = ToList(Result.EndNotes);
  d["headers"] = ToList(Result.Headers);
  d["footers"] = ToList(Result.Footers);
  d["annotations"] = ToList(Result.Annotations);
  d["text_boxes"] = ToList(Result.TextBoxes);
  d["macro_text"] = ToList(Result.MacroText);
  py::list summary;
  for (const TSummaryValue& value : Result.Summary) {
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
    summary.append(py::make_tuple(value.Name, v));
  }
  d["summary"] = summary;
  py::list modules;
  for (const auto& [name, source] : Result.VBAModules) modules.append(py::make_tuple(FromUtf8(name), FromUtf8(source)));
  d["vba_modules"] = modules;
  return d;
}

// A str is a file name; bytes are the document itself (Keep holds them while read).
TReadSource MakeSource(py::handle Source) {
  TReadSource source;
  if (PyUnicode_Check(Source.ptr())) {
    source.FileName = ToWide(Source);
    return source;
  }
  if (PyBytes_Check(Source.ptr())) {
    source.InMemory = true;
    source.Data = PyBytes_AS_STRING(Source.ptr());
    source.Size = size_t(PyBytes_GET_SIZE(Source.ptr()));
    return source;
  }
  PyErr_Format(PyExc_TypeError, "expected a file name (str) or a document's bytes, not %s",
               Py_TYPE(Source.ptr())->tp_name);
  throw py::error_already_set();
}

TReadOptions MakeOptions(int View, int Revisions, int Format, int32_t MaxLength, bool HiddenText,
                         bool Macros, bool Summary, std::optional<py::str> Password, int Reader) {
  TReadOptions options;
  options.View = msword::TKvWView(View);
  options.Revisions = msword::TKvWRevisions(Revisions);
  options.Format = msword::TMSTextFormating(Format);
  options.MaxLength = MaxLength;
  options.HiddenText = HiddenText;
  options.Macros = Macros;
  options.Summary = Summary;
  if (Password) options.Password = ToWide(*Password);
  options.Reader = TReaderMode(Reader);
  return options;
}

py::object Read(py::handle Source, const TReadOptions& Options) {
  const TReadSource source = MakeSource(Source);  // Source's bytes are the caller's
  TReadResult result;
  {
    py::gil_scoped_release release;
    result = ReadDocument(source, Options);
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
  TReadMany(py::iterator Items, const TReadOptions& Options, unsigned Jobs, size_t Window)
      : FItems(std::move(Items)), FPool(std::make_unique<TOrderedPool>(Jobs, Window, Options)) {
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
    TReadResult result;
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

  py::iterator FItems;
  std::unique_ptr<TOrderedPool> FPool;
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
  py::class_<TReadOptions>(m, "Options", "Reader settings, made by kvword from read()'s arguments.");
  m.def("make_options", &MakeOptions, py::arg("view"), py::arg("revisions"), py::arg("format"),
        py::arg("max_length"), py::arg("hidden_text"), py::arg("macros"), py::arg("summary"),
        py::arg("password"), py::arg("reader"));
  m.def("read", &Read, py::arg("source"), py::arg("options"),
        "Reads one document (str: a file name; bytes: the document) without the GIL.");
  py::class_<TReadMany>(m, "ReadMany")
      .def(py::init<py::iterator, const TReadOptions&, unsigned, size_t>(), py::arg("items"),
           py::arg("options"), py::arg("jobs"), py::arg("window"))
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &TReadMany::Next)
      .def("close", &TReadMany::Close);
}
