#include "platform/client/ValueExport.h"

#include <algorithm>
#include <charconv>

#include "platform/service/ValueCodec.h"
#include "util/Base64.h"

namespace recast::client {
namespace {

constexpr std::string_view kVersion = "v1;";

}  // namespace

DirStatus WriteValueExport(std::uint32_t syntax, const std::vector<service::DirValue>& values, std::string* text) {
  if (values.empty()) return kErrBadArgument;
  std::string out(kVersion);
  out += std::to_string(syntax);
  out.push_back(';');
  std::string encoded;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (DirStatus s = service::EncodeValue(syntax, values[i], &encoded); s != 0) return s;
    if (i > 0) out.push_back(',');
    out += Base64Encode(encoded);
  }
  *text = std::move(out);
  return 0;
}

DirStatus ReadValueExport(std::string_view text, std::uint32_t* syntax, std::vector<service::DirValue>* values) {
  if (text.substr(0, kVersion.size()) != kVersion) return kErrBadArgument;
  text.remove_prefix(kVersion.size());
  const std::size_t semicolon = text.find(';');
  if (semicolon == std::string_view::npos || semicolon == 0) return kErrBadArgument;
  const std::string_view digits = text.substr(0, semicolon);
  // Decimal as written: no sign, no leading zero.
  if (digits.size() > 1 && digits.front() == '0') return kErrBadArgument;
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return kErrBadArgument;
  text.remove_prefix(semicolon + 1);
  std::vector<service::DirValue> out;
  std::string bytes;
  while (true) {
    const std::size_t comma = text.find(',');
    if (!Base64Decode(text.substr(0, comma), &bytes, Base64Form::kCanonical)) return kErrBadArgument;
    service::DirValue value;
    if (service::DecodeValue(number, bytes, &value) != 0) return kErrBadArgument;
    out.push_back(std::move(value));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  *syntax = number;
  *values = std::move(out);
  return 0;
}

DirStatus ExportValues(service::DirectoryService& service, const service::EntryName& entry, const std::string& attrName,
                       bool derefAliases, std::string* text) {
  service::AttributeValues values;
  if (DirStatus s = service.ReadAttribute(entry, attrName, derefAliases, &values); s != 0) return s;
  if (values.values.empty()) return kErrNoSuchAttribute;
  return WriteValueExport(values.syntax, values.values, text);
}

DirStatus ImportValues(service::DirectoryService& service, const service::EntryName& entry, const std::string& attrName,
                       bool derefAliases, std::string_view text) {
  std::uint32_t syntax = 0;
  std::vector<service::DirValue> values;
  if (DirStatus s = ReadValueExport(text, &syntax, &values); s != 0) return s;
  service::AttributeValues present;
  const DirStatus read = service.ReadAttribute(entry, attrName, derefAliases, &present);
  if (read != 0 && read != kErrNoSuchAttribute) return read;
  std::vector<service::Change> changes;
  if (present.values.empty()) changes.push_back(service::Change{kChangeAddAttribute, attrName, std::nullopt});
  for (service::DirValue& value : values) {
    const auto same = [&value](const service::Change& change) { return change.value && *change.value == value; };
    if (std::find(present.values.begin(), present.values.end(), value) != present.values.end() ||
        std::any_of(changes.begin(), changes.end(), same)) {
      continue;
    }
    changes.push_back(service::Change{kChangeAddValue, attrName, std::move(value)});
  }
  if (changes.empty()) return 0;
  return service.Modify(entry, changes);
}

}  // namespace recast::client
