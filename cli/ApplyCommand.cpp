#include "cli/Commands.h"

namespace recast::cli {

int RunApply(const Arguments&, const Environment& env) { return Failure(env, "not yet available"); }

}  // namespace recast::cli
