#pragma once
// Reading and driving a TTarnoFileList as a user sees it.
#include <QListWidget>
#include <QStringList>
#include <QTest>

#include "controls/TarnoFileListBox.h"

namespace velora::app::test {

inline QStringList Names(const QListWidget& list) {
  QStringList names;
  for (int row = 0; row < list.count(); ++row) names.append(list.item(row)->text());
  return names;
}

// The selected entries, top to bottom.
inline QStringList SelectedNames(const QListWidget& list) {
  QStringList names;
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->isSelected()) names.append(list.item(row)->text());
  }
  return names;
}

inline void ClickRow(QListWidget& list, int row, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = {}) {
  QTest::mouseClick(list.viewport(), button, modifiers,
                    list.visualItemRect(list.item(row)).center());
}

}  // namespace velora::app::test
