#pragma once
// Reading and moving a context between trees and containers.

#include <cstdint>
#include <string>
#include <string_view>

#include "directory/DirectorySession.h"

namespace recast {

// GetContextValue(ctx, key) into a 256-byte buffer with the first "CN=" removed (case
// counts; later ones stay). Empty when the read fails.
std::string GetContextText(DirectorySession& session, DirContext ctx, std::uint32_t key);
std::string GetContextTreeName(DirectorySession& session, DirContext ctx);  // key 11
std::string GetNameContext(DirectorySession& session, DirContext ctx);      // key 3

// Switches ctx to tree (unless tree is empty or already the context's tree, ignoring ASCII
// case), then sets the name context: nameContext without its leading ".", or when empty the
// login's default container of the (new) tree, or "[Root]" when there is none.
// setPreferred also makes tree the client's preferred tree once it is set (status ignored).
// A failed tree switch is returned and leaves the name context as it was; otherwise the
// status of setting the name context is returned.
DirStatus SelectTreeAndContext(DirectorySession& session, DirContext ctx, std::string_view tree,
                               std::string_view nameContext, bool setPreferred);
// SelectTreeAndContext(ctx, tree, "", setPreferred).
DirStatus SetTree(DirectorySession& session, DirContext ctx, std::string_view tree, bool setPreferred);
// SelectTreeAndContext(ctx, "", name, false).
DirStatus SetNameContext(DirectorySession& session, DirContext ctx, std::string_view name);

// op '+' sets bits in the context's flags word, '-' clears them, any other op writes the
// word back unchanged. Statuses are ignored.
void ChangeContextFlags(DirectorySession& session, DirContext ctx, char op, std::uint32_t bits);

}  // namespace recast
