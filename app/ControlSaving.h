#pragma once
// Recording the values shown by a window's controls in the settings file (written for the
// record; the program never reads them back). The kinds of controls and what is stored for
// each are listed in app/ControlKinds.h.

#include <string>

#include "settings/SettingsFile.h"
#include "util/TaggedList.h"

class QComboBox;
class QWidget;

namespace recast::app {

// Walks control's children in child order and writes each saved kind under its objectName
// into section. A window (the control itself or one met on the way) first changes the
// section to section + " " + its name and saves its placement there. Check lists, memos and
// grids get a section of their own (section + " " + name) that is erased first, so it holds
// only non-empty texts, non-zero integers and true booleans; a read-only memo's section is
// erased and left empty. Editable combo boxes are saved by SaveComboHistory into
// "History " + name. Each child is handled on its own: the first failed write ends that
// child's saving and the walk goes on with the next.
void SaveControls(const settings::SettingsFile& file, const std::string& section, QWidget& control);

// AddTextToHistory, then "Current" = the edit text in double quotes, then every entry i under
// the key i in decimal, in double quotes. The section is not erased (higher keys left from a
// longer history stay). With more than 255 entries only "Current" is written. False at the
// first failed write.
bool SaveComboHistory(const settings::SettingsFile& file, const std::string& section, QComboBox& combo);

// When the edit text is not empty and no entry equals it (ASCII case ignored), removes the
// entry at index 30 if there is one and inserts the text as entry 0. The edit text stays.
void AddTextToHistory(QComboBox& combo);

// Erases section, then writes line i under the key i in decimal (or, with keysFromTags, under
// the line's tag), each only when not empty. False at the first failed write. The design calls for
// the keys-from-tags form; the walk only saves memos (keys by index) and nothing else calls it
// yet. Keep it as it is.
bool SaveStringList(const settings::SettingsFile& file, const std::string& section, const TaggedList& lines,
                    bool keysFromTags);

}  // namespace recast::app
