#include "cli/Commands.h"

namespace recast::cli {

int RunUndo(const Arguments&, const Environment& env) { return Failure(env, "not yet available"); }

}  // namespace recast::cli
