#pragma once
// The bytes of a reply buffer, written by ReplyEncoder and consumed in order by ReplyReader.
//
//   reply        := list-reply | class-reply | attr-reply | object-reply
//   list-reply   := kind:u8=1 count:u32 entry{count}
//   entry        := flags:u32 subordinates:u32 modified:u32 attrCount:u32 name:text class:text
//   class-reply  := kind:u8=2 infoType:u8 count:u32 class{count}
//   class        := name:text [flags:u32 oidLength:u32 oid:byte{32}]   (info types 1, 2, 3)
//                   [items{5}]                                         (info types 1, 2)
//   items        := count:u32 name:text{count}          (in ClassItemKind order)
//   attr-reply   := kind:u8=3 infoType:u8 count:u32 attrdef{count}
//   attrdef      := name:text [flags:u32 syntax:u32 lower:u32 upper:u32 oidLength:u32 oid:byte{32}]
//                                                       (the bracket for info type 1)
//   object-reply := kind:u8=4 infoType:u8 count:u32 attr{count}
//   attr         := name:text syntax:u32 valueCount:u32 value{valueCount}   (no values for type 0)
//   value        := length:u32 byte{length}             (the value codec's form)
//                 | 0xFFFFFFFF index:u32               (a value larger than a whole reply: the
//                                                       index-th of the values held beside it)
//   text         := length:u16 byte{length}             (no terminating zero)
//   numbers are little-endian.
//
// The reader's malformed cases, one status each (platform/client/ClientStatus.h): unknown
// kind, truncated number, truncated text or value, text longer than its out-buffer, count
// larger than the remaining bytes can hold, object identifier over 32 bytes, information type
// the reply cannot have.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "directory/DirectoryClient.h"
#include "platform/client/ByteCoding.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

enum class ReplyKind : std::uint8_t { kList = 1, kClassDefs = 2, kAttrDefs = 3, kObject = 4 };

// Writes one reply into a buffer of fixed capacity. Every Add either writes its whole item or
// nothing and answers false when the item does not fit.
class ReplyEncoder {
 public:
  ReplyEncoder(std::uint8_t* data, std::size_t capacity) : out_(data, capacity) {}

  // false when not even the header fits.
  bool Begin(ReplyKind kind, std::uint8_t infoType);
  bool AddEntry(std::string_view name, const service::EntrySummary& entry);
  // def must already hold what the info type asks for (expanded lists for type 2).
  bool AddClass(const service::ClassDefinition& def);
  bool AddAttrDef(const service::AttributeDefinition& def);
  // An attribute header; its values follow with AddValue. The attribute counts as written
  // only once EndAttribute was called.
  bool BeginAttribute(std::string_view name, std::uint32_t syntax);
  bool AddValue(std::string_view encoded);
  // A reference to the index-th value held beside the reply (ReplyReader::Reset's outsized).
  bool AddOutsizedValue(std::uint32_t index);
  // Drops the attribute again when keep is false (no value of it fitted).
  void EndAttribute(bool keep);
  std::uint32_t attributeValues() const { return attrValues_; }
  std::uint32_t count() const { return count_; }
  // The number of bytes used; patches the count.
  std::size_t Finish();

 private:
  ByteWriter out_;
  std::uint8_t infoType_ = 0;
  std::size_t countAt_ = 0;
  std::uint32_t count_ = 0;
  std::size_t attrMark_ = 0;
  std::size_t attrCountAt_ = 0;
  std::uint32_t attrValues_ = 0;
};

// Reads one reply in order. Each reader fails without consuming anything: kErrBadVerb when the
// buffer holds a reply of another kind, kErrOutOfTurn when another reader is due,
// kErrBufferEmpty after the last item, and the malformed-case statuses above. The data must
// stay in place while it is read.
class ReplyReader {
 public:
  // outsized: the values the reply refers to instead of holding them; they must stay in
  // place while the reply is read.
  void Reset(const std::uint8_t* data, std::size_t size, const std::vector<std::string>* outsized = nullptr);
  // No reply: every reader answers kErrOutOfTurn.
  void Clear();

  DirStatus ObjectCount(std::uint32_t* count);
  DirStatus ObjectName(std::string_view* name, std::uint32_t* attrCount, ObjectInfo* info);
  DirStatus ClassDefCount(std::uint32_t* count);
  // info may be null.
  DirStatus ClassDef(std::string_view* name, ClassInfo* info);
  DirStatus ClassItemCount(std::uint32_t* count);
  DirStatus ClassItem(std::string_view* name);
  DirStatus AttrCount(std::uint32_t* count);
  // info may be null.
  DirStatus AttrDef(std::string_view* name, AttrInfo* info);
  DirStatus AttrName(std::string_view* name, std::uint32_t* valueCount, std::uint32_t* syntax);
  // The next value of the current attribute; Peek leaves it to be read again.
  DirStatus PeekValue(std::string_view* encoded, std::uint32_t* syntax);
  DirStatus NextValue(std::string_view* encoded, std::uint32_t* syntax);
  // The attribute whose values are being read (valid while the data stays in place).
  std::string_view currentAttribute() const { return attrName_; }
  // Where the reader stands: equal positions mean the same reply and the same item.
  std::pair<std::uint64_t, std::size_t> Position() const { return {resets_, offset_}; }

 private:
  enum class Due {
    kNothing,    // no reply
    kCount,      // the reply's count
    kEntry,      // list entry
    kClass,      // class definition
    kItemCount,  // count of the next item list
    kItem,       // item of the current list
    kAttrDef,
    kAttrName,
    kValue,
    kEnd,
  };
  DirStatus Expect(ReplyKind kind, Due due) const;
  DirStatus ReadCount(ReplyKind kind, std::size_t minimumItemSize, std::uint32_t* count);
  void AfterClass();
  void AfterItemList();
  DirStatus ValueAt(std::string_view* encoded, std::uint32_t* syntax, std::size_t* next) const;

  std::uint64_t resets_ = 0;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  const std::vector<std::string>* outsized_ = nullptr;
  std::size_t offset_ = 0;
  Due due_ = Due::kNothing;
  std::uint8_t infoType_ = 0;
  std::uint32_t left_ = 0;       // top-level items not yet read
  std::uint32_t kindsLeft_ = 0;  // item lists of the current class not yet begun
  std::uint32_t itemsLeft_ = 0;  // items of the current list, or values of the current attribute
  std::uint32_t syntax_ = 0;
  std::string_view attrName_;
};

}  // namespace recast::client
