#pragma once
// The system clipboard through Qt. Needs a QGuiApplication (or QApplication) to exist;
// without one the clipboard reads as empty and writes are dropped.

#include "util/Clipboard.h"

namespace recast {

class QtClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override;
  std::string GetText() const override;
};

}  // namespace recast
