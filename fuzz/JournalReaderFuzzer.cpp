// Reads arbitrary text as a journal: never crashes; what it calls sound reads again alone as
// the same records without a torn tail, numbered 1, 2, ...
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/Journal.h"

using recast::engine::JournalContent;
using recast::engine::ReadJournalText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  JournalContent content;
  if (!ReadJournalText(text, "fuzz", &content).ok()) return 0;
  if (content.soundBytes > size || content.tornTail != (content.soundBytes != size)) std::abort();
  for (std::size_t i = 0; i < content.entries.size(); ++i) {
    if (content.entries[i].record.number != static_cast<std::int64_t>(i + 1)) std::abort();
  }
  JournalContent sound;
  if (!ReadJournalText(text.substr(0, content.soundBytes), "fuzz", &sound).ok()) std::abort();
  if (sound.tornTail || sound.entries.size() != content.entries.size() || sound.form != content.form) std::abort();
  return 0;
}
