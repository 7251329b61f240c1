// Reads arbitrary text as a plan: never crashes, and ends either with a checked summary or
// with an error on a line the text has (or the one after its last).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/PlanFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::int64_t lines = 0;
  for (char c : text) lines += c == '\n';
  recast::engine::PlanReader reader;
  const recast::engine::FileError opened = reader.OpenText(text);
  std::int64_t objects = 0;
  if (opened.ok()) {
    recast::engine::PlanObject object;
    while (reader.Next(&object)) {
      if (object.object.empty() || object.target.empty()) std::abort();
      ++objects;
    }
    if (reader.finished() != reader.error().ok()) std::abort();
    if (reader.finished() && reader.summary().objects != objects) std::abort();
  }
  const recast::engine::FileError& error = opened.ok() ? reader.error() : opened;
  if (!error.ok() && (error.line < 0 || error.line > lines + 1)) std::abort();
  return 0;
}
