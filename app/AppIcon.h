#pragma once
// The program's icon: the shipped recast-object.svg (the picture the desktop uses too), built
// into the program as a Qt resource and rendered with Qt SVG, so the window needs no image
// plugin. An unreadable resource gives an empty icon.

#include <QIcon>

namespace recast::app {

QIcon AppIcon();

}  // namespace recast::app
