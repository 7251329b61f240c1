#pragma once
// A clipboard held in memory, for tests.

#include <string>

#include "util/Clipboard.h"

namespace recast {

class MemoryClipboard : public Clipboard {
 public:
  void SetText(const std::string& text) override {
    text_ = text;
    ++setCount_;
  }
  std::string GetText() const override { return text_; }
  int setCount() const { return setCount_; }

 private:
  std::string text_;
  int setCount_ = 0;
};

}  // namespace recast
