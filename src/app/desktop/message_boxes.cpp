#include "desktop/message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Info:
      return QMessageBox::Information;
    case MessageKind::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void InstallMessageBoxes() {
  SetMessageHook([](MessageKind kind, const std::string& text) {
    QMessageBox box(IconOf(kind), QString::fromUtf8(MessageTitle(kind)), QString::fromUtf8(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    // Texts may carry file names: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
  });
}

}  // namespace velora::app
