#pragma once
// The save dialog's filter in the program's form, "Text Files|*.txt|All Files|*.*"
// (description and pattern alternating), in Qt's form "Text Files (*.txt);;All Files (*.*)".

#include <QStringList>
#include <string_view>

namespace recast::qtui {

// One Qt name filter per description|pattern pair. A pattern list "*.htm;*.html" becomes
// "*.htm *.html". A description without a pattern is skipped (Qt would take the description's words
// for patterns).
QStringList ToQtNameFilters(std::string_view filter);

}  // namespace recast::qtui
