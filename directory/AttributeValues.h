#pragma once
// Reading one attribute of one object as text.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirGuards.h"
#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast {

// The attribute that holds an object's classes, its base class first.
inline constexpr const char* kObjectClassAttribute = "Object Class";

// Appends the text of every value of attrName on objectName (numbered 0; some syntaxes give
// several entries per value). Works on a duplicate of ctx, freed before returning; for
// "Aliased Object Name" (any case) the duplicate does not follow aliases, so an alias is
// read itself. A value that cannot be read is skipped; a value that cannot be formatted
// shows as its error text; a value of a secret (kAttrSecret) shows as "(secret, N bytes)".
// Returns the status of the last directory step; a missing object or attribute appends
// nothing and returns the client's failure.
DirStatus ReadAttributeValues(DirectorySession& session, DirContext ctx, std::string_view objectName,
                              std::string_view attrName, TaggedList& values);

// ReadAttributeValues into a fresh list; *text is all entries joined by CR LF, trailing CR
// and LF characters removed. Returns the status of ReadAttributeValues.
DirStatus GetAttributeValueText(DirectorySession& session, DirContext ctx, std::string_view objectName,
                                std::string_view attrName, std::string* text);

// One attribute of a read of several: its name as asked, what ReadAttributeValues would have
// appended for it, and the status ReadAttributeValues would have returned.
struct AttributeRead {
  std::string name;
  DirStatus status = 0;
  VectorTaggedList values;
};

// Reads the names given at construction from one object after another, each time as
// ReadAttributeValues would read each of them, but in one request to the directory rather than
// one per attribute; the request is built once (bulk work asks the same names of every object
// of a class). When that request fails, or its answer cannot be matched to the names, each
// attribute is read on its own, so one unreadable attribute never hides the others' values.
// Holds two directory buffers until destroyed; session must outlive it.
class AttributeReader {
 public:
  AttributeReader(DirectorySession& session, std::vector<std::string> names);
  AttributeReader(const AttributeReader&) = delete;
  AttributeReader& operator=(const AttributeReader&) = delete;

  const std::vector<std::string>& names() const { return names_; }
  // Makes *reads one per name, in names() order, filled as described above. Without nameEach their names are left empty
  // (names() has them): bulk work reads many objects and need not copy the names for each.
  void Read(DirContext ctx, std::string_view objectName, std::vector<AttributeRead>* reads, bool nameEach = true);

 private:
  bool ReadInOne(DirContext ctx, const std::string& object, std::vector<AttributeRead>* reads, DirStatus* overall);

  DirectorySession& session_;
  const std::vector<std::string> names_;
  bool aliasAmongNames_ = false;  // it needs a context of its own: each name is read alone
  ScopedBuffer request_;
  ScopedBuffer reply_;
};

// The entries of values joined by CR LF, trailing CR and LF characters removed.
std::string JoinValueText(const VectorTaggedList& values);
// Whether JoinValueText(values) is empty, without joining: the joined text loses only line
// ends at its end, so it is empty when nothing else is there.
inline bool JoinedValueTextEmpty(const VectorTaggedList& values) {
  return std::all_of(values.entries().begin(), values.entries().end(),
                     [](const auto& entry) { return entry.text.find_first_not_of("\r\n") == std::string::npos; });
}

// Appends the entries for one value record of syntax (a block of size bytes as GetAttrVal
// writes it). References outside the block are never followed: such a value shows as an
// error text entry.
void FormatAttributeValue(const void* value, std::uint32_t syntax, std::uint32_t size, std::string_view attrName,
                          TaggedList& values);

}  // namespace recast
