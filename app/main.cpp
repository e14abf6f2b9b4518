// kvword-gui: the desktop program. An optional file name argument is loaded at start.
#include <QApplication>
#include <QLineEdit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "MainForm.h"
#include "frontdoor/Version.h"

namespace {

constexpr const char* HelpText =
    "Usage: kvword-gui [FILE]\n"
    "Shows the text of a Word document (.doc or .docx) in a window; FILE, when given,\n"
    "is loaded at start. kvword(1) extracts text on the command line.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Print this help and exit\n"
    "  -V, --version  Print the version and exit\n";

constexpr const char* VersionText = "kvword-gui " KVWORD_VERSION_STRING "\n";

// --help and --version are answered before any window (or display) is needed.
// Returns the exit status, or -1 when the window is to open.
int AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* text = nullptr;
    if (std::strcmp(argv[i], "--") == 0) break;
    if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) text = HelpText;
    if (std::strcmp(argv[i], "-V") == 0 || std::strcmp(argv[i], "--version") == 0)
      text = VersionText;
    if (!text) continue;
    if (std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "kvword-gui: standard output: %s\n", std::strerror(errno));
      return 1;
    }
    return 0;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = AnswerWithoutWindow(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName("kvword");
  TfrmMain frmMain;
  frmMain.setObjectName("frmMain");
  frmMain.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    frmMain.edtFileName->setText(args.at(1));
    frmMain.btnLoadDocumentClick();
  }
  return QApplication::exec();
}
