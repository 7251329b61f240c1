// The exported routines of librecast-errtext.so.
#include "platform/errtext/ErrorTextLibrary.h"

#include <array>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/errtext/ErrorTexts.h"

namespace {

constexpr std::size_t kKeptDiagnostics = 16;
constexpr std::size_t kMaxDiagnosticBytes = 1024;

struct Diagnostic {
  std::int32_t status = 0;
  std::string text;  // empty: slot unused
};

// The library's one piece of shared state: the recent server messages, a fixed ring.
struct DiagnosticRing {
  std::mutex mutex;
  std::array<Diagnostic, kKeptDiagnostics> slots;
  std::size_t next = 0;
};

DiagnosticRing& Ring() {
  static DiagnosticRing ring;
  return ring;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char* NWstrerror(std::int32_t status) {
  thread_local std::string answer;
  {
    DiagnosticRing& ring = Ring();
    std::lock_guard<std::mutex> lock(ring.mutex);
    // The newest message for status wins.
    for (std::size_t i = 0; i < kKeptDiagnostics; ++i) {
      const Diagnostic& slot = ring.slots[(ring.next + kKeptDiagnostics - 1 - i) % kKeptDiagnostics];
      if (!slot.text.empty() && slot.status == status) {
        answer = slot.text;
        return answer.c_str();
      }
    }
  }
  answer = recast::errtext::DescribeStatus(status);
  if (answer.empty()) answer = "Unknown error";
  return answer.c_str();
}

extern "C" __attribute__((visibility("default"))) void RecastErrtextRecordDiagnostic(std::int32_t status,
                                                                                     const char* text) {
  DiagnosticRing& ring = Ring();
  std::lock_guard<std::mutex> lock(ring.mutex);
  for (Diagnostic& slot : ring.slots) {
    if (slot.status == status) slot.text.clear();
  }
  if (text == nullptr || *text == '\0') return;
  Diagnostic& slot = ring.slots[ring.next];
  slot.status = status;
  slot.text.assign(text, strnlen(text, kMaxDiagnosticBytes));
  ring.next = (ring.next + 1) % kKeptDiagnostics;
}
