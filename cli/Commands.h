#pragma once
// The commands, each given its parsed arguments; each returns the exit code.

#include "cli/Arguments.h"
#include "cli/CommandLine.h"

namespace recast::cli {

int RunAnalyse(const Arguments& args, const Environment& env);
int RunPlan(const Arguments& args, const Environment& env);
int RunApply(const Arguments& args, const Environment& env);
int RunUndo(const Arguments& args, const Environment& env);

// Writes "recast-object: message" and the short usage to env.err; returns kExitUsage.
int UsageError(const Environment& env, const std::string& message);
// Writes "recast-object: message" to env.err; returns kExitFailed.
int Failure(const Environment& env, const std::string& message);

}  // namespace recast::cli
