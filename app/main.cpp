// kvword-gui: the desktop program. An optional file name argument is loaded at start.
#include <QApplication>
#include <QLineEdit>

#include "MainForm.h"

int main(int argc, char** argv) {
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
