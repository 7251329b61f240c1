#include "platform/client/RequestFormat.h"

#include "platform/client/ClientStatus.h"

namespace recast::client {

bool PutNameItem(ByteWriter& out, std::string_view name) { return out.PutText(name); }

bool PutChangeItem(ByteWriter& out, const EncodedChange& change) {
  const std::size_t mark = out.used();
  bool ok = out.PutU32(change.type) && out.PutText(change.attrName) && out.PutU8(change.hasValue ? 1 : 0);
  if (ok && change.hasValue) ok = out.PutU32(change.syntax) && out.PutBlob(change.value);
  if (!ok) out.Rewind(mark);
  return ok;
}

DirStatus DecodeNameItems(const std::uint8_t* data, std::size_t size, std::vector<std::string>* names) {
  ByteReader in(data, size);
  std::vector<std::string> read;
  while (!in.AtEnd()) {
    std::string_view name;
    if (!in.GetText(&name)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
    read.emplace_back(name);
  }
  *names = std::move(read);
  return 0;
}

DirStatus DecodeChangeItems(const std::uint8_t* data, std::size_t size, std::vector<EncodedChange>* changes) {
  ByteReader in(data, size);
  std::vector<EncodedChange> read;
  while (!in.AtEnd()) {
    EncodedChange change;
    std::string_view name;
    std::uint8_t flag = 0;
    if (!in.GetU32(&change.type)) return kErrReplyTruncatedNumber;
    if (change.type > kChangeClearValue) return kErrRequestBadChange;
    if (!in.GetText(&name)) return in.remaining() < 2 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
    if (!in.GetU8(&flag)) return kErrReplyTruncatedNumber;
    if (flag > 1) return kErrRequestBadValueFlag;
    change.attrName = std::string(name);
    change.hasValue = flag == 1;
    if (change.hasValue) {
      std::string_view value;
      if (!in.GetU32(&change.syntax)) return kErrReplyTruncatedNumber;
      if (!in.GetBlob(&value)) return in.remaining() < 4 ? kErrReplyTruncatedNumber : kErrReplyTruncatedText;
      change.value = std::string(value);
    }
    read.push_back(std::move(change));
  }
  *changes = std::move(read);
  return 0;
}

}  // namespace recast::client
