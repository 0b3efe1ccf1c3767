#pragma once
// The header's link ("www"): underlined text that turns red under the mouse and, once its
// address has been opened, shows the visited colour.
#include <QColor>
#include <string>

#include "controls/click_label.h"

namespace velora::app {

class TInternetLabel : public TClickLabel {
  Q_OBJECT

 public:
  explicit TInternetLabel(const QString& text = QStringLiteral("www"), QWidget* parent = nullptr);

  // The address a click opens; nothing is opened while it is empty.
  void SetLink(const std::string& link) { link_ = link; }
  const std::string& Link() const { return link_; }
  // True once a click's address was accepted by the desktop; false again after a refusal.
  bool Visited() const { return visited_; }

  static inline const QColor NotVisitedColor{0, 0, 255};  // blue
  static inline const QColor VisitedColor{128, 0, 128};   // purple
  static inline const QColor OverColor{255, 0, 0};        // red

  // The colour the text is drawn in now.
  QColor TextColor() const;
  bool Underlined() const { return font().underline(); }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void OpenLink();
  void Show(const QColor& color, bool underline);

  std::string link_;
  bool visited_ = false;
};

}  // namespace velora::app
