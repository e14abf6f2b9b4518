#include "MainForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

#include "frontdoor/DocumentRead.h"
#include "frontdoor/ReaderChoice.h"
#include "ui_MainForm.h"

using namespace kvword;

namespace {
std::u16string ToWide(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}
QString FromWide(const std::u16string& s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}
// Right-hand margins of the controls that stretch with the window's width
// (640-pixel design width).
constexpr int kDesignWidth = 640;
}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TfrmMain>()) {
  ui->setupUi(this);
  lblFileName = ui->lblFileName;
  edtFileName = ui->edtFileName;
  btnFileName = ui->btnFileName;
  memoPlainText = ui->memoPlainText;
  btnLoadDocument = ui->btnLoadDocument;

  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName("OpenDialog1");
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1->setDefaultSuffix("doc");
  // The caption of each entry is shown as it stands; the pattern is the last group.
  OpenDialog1->setOption(QFileDialog::HideNameFilterDetails, true);
  OpenDialog1->setNameFilters({"MS Word document (*.doc;*.docx) (*.doc*)", "All files (*.*) (*)"});

  ShowError = [this](const QString& Message) {
    QMessageBox::critical(this, QApplication::applicationName(), ErrorDialogText(Message), QMessageBox::Ok);
  };
  AskContentChoice = [this](const QString& Message, const QString& ReaderName) {
    const QString question = ErrorDialogText(Message) + "\n\nThe file's content is that of " + ReaderName +
                             ". Read it with that reader?";
    return QMessageBox::question(this, QApplication::applicationName(), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
  };
  RunOpenDialog = [](QFileDialog& Dialog) -> std::optional<QString> {
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Dialog.selectedFiles().first();
  };

  connect(btnFileName, &QPushButton::clicked, this, &TfrmMain::btnFileNameClick);
  connect(btnLoadDocument, &QPushButton::clicked, this, &TfrmMain::btnLoadDocumentClick);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
  QString dir = QCoreApplication::applicationDirPath();
  if (!dir.endsWith('/')) dir += '/';
  edtFileName->setText(dir + "test.doc");
}

void TfrmMain::btnFileNameClick() {
  OpenDialog1->selectFile(edtFileName->text());
  if (const std::optional<QString> chosen = RunOpenDialog(*OpenDialog1)) edtFileName->setText(*chosen);
}

QString TfrmMain::ExtractFileExt(const QString& FileName) {
  for (qsizetype i = FileName.size() - 1; i >= 0; --i) {
    const QChar c = FileName[i];
    if (c == '\\' || c == ':' || c == '/') break;
    if (c == '.') return FileName.mid(i);
  }
  return {};
}

bool TfrmMain::IsDocxFileName(const QString& FileName) { return HasDocxExtension(ToWide(FileName)); }

TReadOptions TfrmMain::ReadOptions() {
  TReadOptions options;
  options.ByExtension = true;
  return options;
}

QString TfrmMain::ErrorDialogText(const QString& Message) {
  if (!Message.isEmpty() && Message.back().unicode() > u'.') return Message + '.';
  return Message;
}

void TfrmMain::btnLoadDocumentClick() {
  const TReadResult result = ReadDocument(TReadSource::FromName(ToWide(edtFileName->text())), ReadOptions());
  if (!result.Failed()) {
    ShowText(result);
    return;
  }
  // A failed load ends here: its message goes to the error dialog and the text box
  // keeps the last successful text. The extension chose the reader; the content
  // may call for another one.
  if (!LoadByContent(result)) ShowError(FromWide(result.Message));
}

void TfrmMain::ShowText(const TReadResult& Result) {
  std::u16string text;
  for (const std::u16string& line : Result.Text) {
    text += line;
    text += u"\r\n";
  }
  memoPlainText->setPlainText(FromWide(text));
}

bool TfrmMain::LoadByContent(const TReadResult& Refused) {
  switch (Refused.Failure) {
    case rfNotFound:
    case rfIsDirectory:
    case rfNotRegularFile:
    case rfCannotOpen: return false;
    default: break;
  }
  const std::u16string fileName = ToWide(edtFileName->text());
  const TReaderKind kind = ChooseReader(fileName, rmAuto, false);
  const TReaderKind byName = ChooseReader(fileName, rmAuto, true);
  if (kind == byName) return false;
  static const char* const names[] = {"a Word 97-2003 document", "a Word document (.docx)", "an RTF document",
                                      "a web page", "a Word XML document"};
  if (!AskContentChoice(FromWide(Refused.Message), QString::fromUtf8(names[kind]))) return true;
  TReadOptions options = ReadOptions();
  options.Reader = ModeOf(kind);
  const TReadResult result = ReadDocument(TReadSource::FromName(fileName), options);
  if (result.Failed())
    ShowError(FromWide(result.Message));
  else
    ShowText(result);
  return true;
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width();
  // The edit and the text box are anchored left, top and right: each keeps its
  // right-hand margin of the design. The "..." button is anchored top and right: it
  // keeps its size and its right-hand margin, so that it never covers the edit.
  edtFileName->setGeometry(112, 16, std::max(0, w - (kDesignWidth - 585) - 112), 22);
  btnFileName->setGeometry(w - (kDesignWidth - 592), 16, 22, 22);
  memoPlainText->setGeometry(8, 88, std::max(0, w - (kDesignWidth - 633) - 8), 385);
}
