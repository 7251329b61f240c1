#pragma once
// Engine-internal: the members of a plan's object line. apply reads a plan twice (checked
// whole, then carried out), so the lines PlanWriter writes are scanned directly; anything
// else goes through the JSON document, which words what is wrong.

#include <string_view>

#include "engine/JsonFields.h"
#include "engine/PlanFile.h"

namespace recast::engine {

// Reads the object of o, a parsed object line (its seal removed); withUnvalued for plans that
// list the unvalued conflicts apart (version 2 on). Returns nullptr and fills *object, or the
// name of the first member that is missing or not valid (then *object is unspecified).
const char* ReadPlanObjectMembers(const json::Value& o, bool withUnvalued, PlanObject* object);

// The same for json, an object line's text (its seal removed), when it has exactly the form
// PlanWriter writes (members in the written order, no spaces, texts of printable ASCII without
// escapes, a stamp of at most 18 digits) and every member is valid: true, and *object as
// ReadPlanObjectMembers gives it. False for anything else, *object unspecified.
bool ScanPlanObjectLine(std::string_view json, bool withUnvalued, PlanObject* object);

}  // namespace recast::engine
