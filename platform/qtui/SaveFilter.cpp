#include "platform/qtui/SaveFilter.h"

#include <QString>

namespace recast::qtui {

QStringList ToQtNameFilters(std::string_view filter) {
  QStringList filters;
  if (filter.empty()) return filters;
  const QStringList parts =
      QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    if (patterns.isEmpty()) continue;
    filters << QStringLiteral("%1 (%2)").arg(description.isEmpty() ? patterns : description, patterns);
  }
  return filters;
}

}  // namespace recast::qtui
