#include "desktop/shell_open.h"

#include <QDesktopServices>
#include <QDir>
#include <QRegularExpression>
#include <QString>

#include "util/TarnoTPU.h"

namespace velora::app {

namespace {

DesktopOpener& CurrentOpener() {
  static DesktopOpener opener;
  return opener;
}

// A scheme of two or more characters, so a lone letter and colon reads as a name.
bool StartsWithScheme(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(text).hasMatch();
}

}  // namespace

void SetDesktopOpener(DesktopOpener opener) {
  CurrentOpener() = std::move(opener);
}

QUrl TargetUrl(const std::string& target) {
  if (target.empty()) return QUrl();
  const QString text = QString::fromUtf8(target);
  if (!text.startsWith(QLatin1Char('/')) && StartsWithScheme(text)) {
    return QUrl(text, QUrl::TolerantMode);
  }
  return QUrl::fromLocalFile(QDir::current().absoluteFilePath(text));
}

bool OpenTarget(const std::string& target) {
  const QUrl url = TargetUrl(target);
  if (url.isEmpty()) return false;
  const DesktopOpener& opener = CurrentOpener();
  return opener ? opener(url) : QDesktopServices::openUrl(url);
}

std::string NoProgramText(const std::string& target) {
  return "No program to open " + target + " was found.";
}

bool OpenTargetOrSay(const std::string& target) {
  if (target.empty()) return false;
  if (OpenTarget(target)) return true;
  MsgWarning(NoProgramText(target));
  return false;
}

void InstallShellOpen() {
  SetShellOpenHook([](const std::string& target) { OpenTargetOrSay(target); });
}

}  // namespace velora::app
