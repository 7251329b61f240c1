#pragma once
// Qt texts to and from the program's internal UTF-8 texts.

#include <QString>
#include <string>
#include <string_view>

namespace recast::app {

inline std::string ToText(const QString& text) { return text.toUtf8().toStdString(); }
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace recast::app
