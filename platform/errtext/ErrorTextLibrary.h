#pragma once
// The client's error-text library (librecast-errtext.so, beside the program). The directory
// layer loads it by path and asks NWstrerror; services record the server's own message for a
// status they return, so that the text the user sees is the server's.

#include <cstdint>

extern "C" {

// A description of status: every directory, client and connection code the client returns,
// the server's own message where one was recorded for status, else "Unknown error". The text
// stays valid until the calling thread's next call. Thread-safe.
const char* NWstrerror(std::int32_t status);

// Records text as the server's message for status (the last 16 statuses are kept; a text is
// cut at 1024 bytes). A null or empty text forgets status's message. Thread-safe.
void RecastErrtextRecordDiagnostic(std::int32_t status, const char* text);
}
