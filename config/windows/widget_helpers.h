// Small constructors the configuration windows share: the UTF-8 text of the
// library as a QString, and a named push button that never becomes the
// dialog's default (Enter in a field must not press it).
#pragma once

#include <QPushButton>
#include <QString>
#include <string_view>

namespace korvale::config {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace korvale::config
