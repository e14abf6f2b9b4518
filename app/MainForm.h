// TfrmMain: the program's one window. Name a Word document (typed, or picked in
// the file dialog), press "Load document", read its text.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "frontdoor/DocumentRead.h"

namespace Ui {
class TfrmMain;
}
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The extension rule of the load command: the text from the last "." that comes
  // after the last path separator ("\", ":" or "/"); empty when there is none.
  static QString ExtractFileExt(const QString& FileName);
  // True when the ".docx" reader is the one for FileName (ASCII case ignored).
  static bool IsDocxFileName(const QString& FileName);
  // The error dialog's text: a full stop is added when the message ends in a
  // character above ".".
  static QString ErrorDialogText(const QString& Message);

  // Shows a failed load's message; replaceable so that tests see it without a modal loop.
  std::function<void(const QString& Message)> ShowError;
  // Offers to read a file its extension's reader refused with the reader its
  // content calls for: Message is the refusal, ReaderName the other reader's name
  // ("RTF", "web page", ...); true reads it so. Replaceable for tests.
  std::function<bool(const QString& Message, const QString& ReaderName)> AskContentChoice;
  // Runs the open dialog; no value means the user cancelled. Replaceable for tests.
  std::function<std::optional<QString>(QFileDialog& Dialog)> RunOpenDialog;

  QLabel* lblFileName;
  QLineEdit* edtFileName;
  QPushButton* btnFileName;
  QFileDialog* OpenDialog1;
  QPlainTextEdit* memoPlainText;
  QPushButton* btnLoadDocument;
  // How the window reads a document: with the library's default settings, the
  // reader chosen by the file name's extension.
  static kvword::TReadOptions ReadOptions();

 public slots:
  void FormCreate();
  void btnFileNameClick();
  void btnLoadDocumentClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::unique_ptr<Ui::TfrmMain> ui;
  // Reads the file named in the edit with the reader its content calls for, after
  // Refused, the failure of the extension's reader; false when the file cannot be
  // read at all or its content calls for the same reader.
  bool LoadByContent(const kvword::TReadResult& Refused);
  void ShowText(const kvword::TReadResult& Result);
};
