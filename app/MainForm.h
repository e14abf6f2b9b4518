// TfrmMain: the program's one window. Name a Word document (typed, or picked in
// the file dialog), press "Load document", read its text.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "msword/MSWord.h"

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
  msword::TMSWordDocument* MSWordDocument1;    // owned by FOwner
  msword::TMSWordXDocument* MSWordXDocument1;  // owned by FOwner
  // The reader of the last load by content (RTF, web page, Word XML, or the other
  // Word reader); null before any.
  msword::TMSCustomWordDocument* ContentReader = nullptr;  // owned by FOwner

 public slots:
  void FormCreate();
  void btnFileNameClick();
  void btnLoadDocumentClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::unique_ptr<Ui::TfrmMain> ui;
  // Reads the file named in the edit with the reader its content calls for, after
  // Refused, the message of the extension's reader; false when that is the same
  // reader or the user declines.
  bool LoadByContent(const QString& Refused);

  std::unique_ptr<msword::TComponent> FOwner;  // frees the reader components
};
