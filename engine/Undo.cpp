#include "engine/Undo.h"

namespace recast::engine {

DirStatus UndoJournal(DirectorySession&, DirContext, const std::string&, const std::string*, UndoReport*) {
  return kErrNotSupported;
}

}  // namespace recast::engine
