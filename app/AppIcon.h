#pragma once
// The program's icon, drawn in code (the same picture as recast-object.svg, which the desktop
// uses), so the window needs no image plugin.

#include <QIcon>

namespace recast::app {

QIcon AppIcon();

}  // namespace recast::app
