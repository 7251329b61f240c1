#pragma once
// The table as separated text, for the clipboard and text files.

#include <string>
#include <string_view>

#include "util/Clipboard.h"
#include "util/TextTable.h"

namespace recast {

// The cell for separated text: trailing CR and LF removed, each CR LF made a single LF;
// a text that still holds an LF gets its double quotes turned into apostrophes and is
// enclosed in double quotes. Other texts are used as they stand (tabs and quotes too).
std::string TextCell(const TextTable& table, int col, int row);

// One line per row (cells joined by separator), followed by rowTrailer as a line of its own
// when it is not empty; every line followed by CR LF.
std::string TableToText(const TextTable& table, std::string_view separator, std::string_view rowTrailer);

// Replaces the clipboard's content with TableToText and returns that text.
std::string TableToClipboard(Clipboard& clipboard, const TextTable& table, std::string_view separator,
                             std::string_view rowTrailer);

}  // namespace recast
