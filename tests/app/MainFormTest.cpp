// The desktop window, driven headless (QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QTest>

#include <filesystem>

#include "MainForm.h"
#include "frontdoor/DocumentRead.h"

namespace {
QString FromWide(const std::u16string& s) { return QString::fromUtf16(s.data(), qsizetype(s.size())); }
std::u16string ToWide(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())); }
QString ShippedSample(const char* name) {
  return QString::fromStdString((std::filesystem::path(KVWORD_SOURCE_DIR) / "samples" / name).string());
}
// Real documents of the shared corpus, when it is there.
QStringList CorpusDocuments() {
  const std::filesystem::path files = std::filesystem::path(KVWORD_SOURCE_DIR) / ".." / "shared" / "corpus" / "files";
  QStringList found;
  for (const char* name : {"d0002-", "x0003-"}) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(files, ec)) {
      const std::string file = entry.path().filename().string();
      if (file.rfind(name, 0) == 0 && (file.ends_with(".doc") || file.ends_with(".docx"))) {
        found << QString::fromStdString(entry.path().string());
        break;
      }
    }
  }
  return found;
}
}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void WindowHasTheFixedControls() {
    TfrmMain form;
    QCOMPARE(form.windowTitle(), QString("Norvale KvWord suite: demo for FireMonkey"));
    QCOMPARE(form.size(), QSize(640, 480));
    struct Control { const char* name; QRect geometry; };
    const Control controls[] = {{"lblFileName", {24, 16, 80, 17}},
                                {"edtFileName", {112, 16, 473, 22}},
                                {"btnFileName", {592, 16, 22, 22}},
                                {"btnLoadDocument", {216, 48, 153, 22}},
                                {"memoPlainText", {8, 88, 625, 385}}};
    for (const Control& c : controls) {
      auto* w = form.findChild<QWidget*>(c.name);
      QVERIFY2(w, c.name);
      QCOMPARE(w->geometry(), c.geometry);
    }
    QCOMPARE(form.lblFileName->text(), QString("FileName:"));
    QCOMPARE(form.lblFileName->buddy(), form.edtFileName);
    QCOMPARE(form.btnFileName->text(), QString("..."));
    QCOMPARE(form.btnLoadDocument->text(), QString("Load document"));
    QVERIFY(form.memoPlainText->isReadOnly());
    QVERIFY(form.memoPlainText->textInteractionFlags() & Qt::TextSelectableByMouse);
    QCOMPARE(form.OpenDialog1->defaultSuffix(), QString("doc"));
    QCOMPARE(form.OpenDialog1->nameFilters().size(), 2);
  }

  void FocusMovesInTheFixedOrder() {
    TfrmMain form;
    const QList<QWidget*> controls = {form.edtFileName, form.btnFileName, form.memoPlainText,
                                      form.btnLoadDocument};
    QList<QWidget*> order;
    QWidget* w = form.edtFileName;
    do {
      if (controls.contains(w)) order << w;
      w = w->nextInFocusChain();
    } while (w != form.edtFileName);
    QCOMPARE(order, controls);
  }

  void ResizingStretchesOnlyTheAnchoredControls() {
    TfrmMain form;
    form.show();
    form.resize(800, 600);
    QCOMPARE(form.edtFileName->geometry(), QRect(112, 16, 633, 22));
    QCOMPARE(form.btnFileName->geometry(), QRect(752, 16, 22, 22));
    QCOMPARE(form.memoPlainText->geometry(), QRect(8, 88, 785, 385));
    QCOMPARE(form.btnLoadDocument->geometry(), QRect(216, 48, 153, 22));
  }

  // Widened, the "..." button keeps its size and moves with the right edge: it
  // never covers the file-name edit, which stretches up to it.
  void WideningKeepsTheButtonBesideTheEdit() {
    for (const int width : {1200, 641, 500}) {
      TfrmMain form;
      form.show();
      form.resize(width, 600);
      const QRect edit = form.edtFileName->geometry();
      const QRect button = form.btnFileName->geometry();
      QVERIFY2(button.left() > edit.right(), qPrintable(QString::number(width)));
      QCOMPARE(button.width(), 22);
      QCOMPARE(button.right(), width - 27);
    }
  }

  void StartsWithTestDocBesideTheProgram() {
    TfrmMain form;
    QCOMPARE(form.edtFileName->text(), QCoreApplication::applicationDirPath() + "/test.doc");
  }

  void ExtensionRulePicksTheReader() {
    struct Case { const char* path; const char* ext; bool docx; };
    const Case cases[] = {{"/a/b/report.docx", ".docx", true},
                          {"C:\\docs\\Report.DocX", ".DocX", true},
                          {"report.DOCX", ".DOCX", true},
                          {"/a/report.doc", ".doc", false},
                          {"/a/report.DOC", ".DOC", false},
                          {"/a/report.docm", ".docm", false},
                          {"/a/report.dotx", ".dotx", false},
                          {"/a/report", "", false},
                          {"/a/a.docx/file", "", false},
                          {"C:\\a.docx\\file", "", false},
                          {"D:file", "", false},
                          {"/a/archive.tar.docx", ".docx", true}};
    for (const Case& c : cases) {
      QCOMPARE(TfrmMain::ExtractFileExt(c.path), QString(c.ext));
      QCOMPARE(TfrmMain::IsDocxFileName(c.path), c.docx);
    }
  }

  void MissingFileIsReportedAndTheTextIsKept() {
    TfrmMain form;
    QStringList shown;
    form.ShowError = [&](const QString& m) { shown << TfrmMain::ErrorDialogText(m); };
    form.memoPlainText->setPlainText("earlier text");
    const QString path = form.edtFileName->text();
    QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
    QCOMPARE(shown, QStringList{"File " + path + " is not found."});
    QCOMPARE(form.memoPlainText->toPlainText(), QString("earlier text"));
    QCOMPARE(form.edtFileName->text(), path);
  }

  void ErrorDialogAddsAFullStopAfterLettersOnly() {
    QCOMPARE(TfrmMain::ErrorDialogText("File x is not valid MS Word document"),
             QString("File x is not valid MS Word document."));
    QCOMPARE(TfrmMain::ErrorDialogText("File x is not found."), QString("File x is not found."));
    QCOMPARE(TfrmMain::ErrorDialogText("Stream read error"), QString("Stream read error."));
    QCOMPARE(TfrmMain::ErrorDialogText("ends with ,"), QString("ends with ,"));
    QCOMPARE(TfrmMain::ErrorDialogText(""), QString(""));
  }

  void CancellingTheDialogKeepsTheEdit() {
    TfrmMain form;
    form.edtFileName->setText("/some/where.doc");
    QString offered;
    form.RunOpenDialog = [&](QFileDialog& d) -> std::optional<QString> {
      offered = d.selectedFiles().value(0);
      return std::nullopt;
    };
    QTest::mouseClick(form.btnFileName, Qt::LeftButton);
    QCOMPARE(form.edtFileName->text(), QString("/some/where.doc"));
    QVERIFY(offered.endsWith("where.doc"));
    form.RunOpenDialog = [](QFileDialog&) -> std::optional<QString> { return QString("/picked.docx"); };
    QTest::mouseClick(form.btnFileName, Qt::LeftButton);
    QCOMPARE(form.edtFileName->text(), QString("/picked.docx"));
  }

  void ContentChoiceIsOfferedForARefusedFile() {
    const QString path = QDir::temp().filePath("kvword-mainform-rtf.doc");
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("{\\rtf1\\ansi Saved as RTF\\par}");
    }
    TfrmMain form;
    QStringList shown, asked;
    form.ShowError = [&](const QString& m) { shown << m; };
    form.edtFileName->setText(path);
    form.memoPlainText->setPlainText("earlier text");
    // Declined: nothing is read, the offer carried the refusal.
    form.AskContentChoice = [&](const QString& m, const QString& reader) {
      asked << m + " | " + reader;
      return false;
    };
    QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
    QCOMPARE(asked, QStringList{"File " + path + " is not valid MS Word document | an RTF document"});
    QVERIFY(shown.isEmpty());
    QCOMPARE(form.memoPlainText->toPlainText(), QString("earlier text"));
    // Accepted: the RTF reader reads it.
    form.AskContentChoice = [](const QString&, const QString&) { return true; };
    QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
    QVERIFY(shown.isEmpty());
    QVERIFY(form.memoPlainText->toPlainText().contains("Saved as RTF"));
    // A file whose content is no other reader's gets the refusal alone.
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("plain words");
    }
    asked.clear();
    QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
    QCOMPARE(shown, QStringList{"File " + path + " is not valid MS Word document"});
    QFile::remove(path);
  }

  void LoadedDocumentsShowTheReadersText() {
    const QStringList documents = QStringList{ShippedSample("sample.doc"), ShippedSample("sample.docx")} +
                                  CorpusDocuments();
    for (const QString& name : documents) {
      TfrmMain form;
      QStringList shown;
      form.ShowError = [&](const QString& m) { shown << m; };
      form.edtFileName->setText(name);
      QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
      QVERIFY2(shown.isEmpty(), qPrintable(shown.value(0)));
      // The text the front door reads with the window's settings (the library's
      // defaults, the reader by extension), every line ended by CR LF.
      std::u16string read;
      for (const std::u16string& line :
           kvword::ReadDocument(kvword::TReadSource::FromName(ToWide(name)), TfrmMain::ReadOptions()).Text)
        read += line + u"\r\n";
      QString expected = FromWide(read);
      if (name.contains("sample")) QVERIFY(expected.contains("kvword sample document"));
      QVERIFY(!expected.trimmed().isEmpty());
      // The text box keeps lines, not line-end characters.
      expected.replace("\r\n", "\n");
      QCOMPARE(form.memoPlainText->toPlainText().replace(QChar(0x2029), "\n"), expected);

      // A failed load after a successful one keeps the text.
      form.edtFileName->setText("/no/such/file.doc");
      QTest::mouseClick(form.btnLoadDocument, Qt::LeftButton);
      QCOMPARE(shown.size(), 1);
      QCOMPARE(form.memoPlainText->toPlainText().replace(QChar(0x2029), "\n"), expected);
    }
  }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
