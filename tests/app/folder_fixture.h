#pragma once
// A test fixture for the window's controls: a temporary folder to fill with files, the
// engine's messages recorded instead of shown, and the process's current folder put back
// afterwards (the file list changes it).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "controls/question_box.h"
#include "util/TarnoTPU.h"

// Test failures print texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace velora::app::test {

struct RecordedMessage {
  MessageKind kind;
  std::string text;
};

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_temp.isValid());
    m_savedCurrent = QDir::currentPath();
    SetMessageHook([this](MessageKind kind, const std::string& text) {
      messages.push_back({kind, text});
    });
    SetQuestionHook([this](const std::string&, const std::string& text) {
      questions.push_back(text);
      return answer;
    });
  }
  void TearDown() override {
    QDir::setCurrent(m_savedCurrent);
    SetMessageHook(nullptr);
    SetQuestionHook(nullptr);
  }

  // The temporary folder, without a trailing "/".
  QString Root() const { return m_temp.path(); }
  QString Path(const QString& name) const { return Root() + u'/' + name; }
  // Creates empty files (and the folders above them); returns the path of the last.
  QString Touch(const QStringList& names) const {
    QString path;
    for (const QString& name : names) {
      path = Path(name);
      QDir().mkpath(QFileInfo(path).path());
      QFile file(path);
      EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    return path;
  }
  QString MakeFolder(const QString& name) const {
    EXPECT_TRUE(QDir().mkpath(Path(name)));
    return Path(name);
  }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> questions;
  bool answer = false;  // the answer to every question

 private:
  QTemporaryDir m_temp;
  QString m_savedCurrent;
};

}  // namespace velora::app::test
