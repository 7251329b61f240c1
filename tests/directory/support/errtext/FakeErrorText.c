/* Stands in for the client's error-text library in tests. */
#include <stdint.h>

const char* NWstrerror(int32_t status) {
  switch (status) {
    case -601: return "No such entry";
    case -603: return "No such attribute";
    default: return "Unknown error";
  }
}
