#pragma once
// The system clipboard as plain text. The program uses the platform/clipboard
// implementation; tests a fake.

#include <string>

namespace recast {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the clipboard's content with text (UTF-8).
  virtual void SetText(const std::string& text) = 0;
  // The clipboard's text (UTF-8); "" when it holds none.
  virtual std::string GetText() const = 0;
};

}  // namespace recast
