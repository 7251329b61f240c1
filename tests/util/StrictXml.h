#pragma once
// A strict check of exported XML: expat (through python3) decodes the declared encoding and
// rejects bytes it leaves undefined, which QXmlStreamReader lets pass.

#include <gtest/gtest.h>

#include <string>

namespace recast {

// Success when bytes are a well-formed XML document; otherwise the parser's complaint.
::testing::AssertionResult IsWellFormedXml(const std::string& bytes);

}  // namespace recast
