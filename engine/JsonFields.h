#pragma once
// Engine-internal: reading and writing the members of the JSON lines of plans and journals
// without letting the JSON library throw.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace recast::engine::json {

using Object = nlohmann::ordered_json;  // members in the order written
using Value = nlohmann::json;

// Compact text of object; invalid UTF-8 in a text shows as U+FFFD (callers that must keep
// texts exactly check them with IsUtf8 first).
inline std::string Dump(const Object& object) {
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Whether c goes into a JSON string as it is: printable ASCII but '"' and '\'. A table, since
// every byte of every plan line is looked up.
inline bool IsPlainTextByte(char c) {
  static constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x7F; ++b) plain[static_cast<std::size_t>(b)] = b != '"' && b != '\\';
    return plain;
  }();
  return kPlain[static_cast<unsigned char>(c)];
}

// Appends text as a JSON string, byte for byte as Dump writes it. Plain text (IsPlainTextByte),
// the usual case, is copied as it is; anything else is left to the JSON library.
inline void AppendText(std::string* out, std::string_view text) {
  bool plain = true;
  for (const char c : text) plain &= IsPlainTextByte(c);
  if (!plain) {
    *out += Dump(Object(std::string(text)));
    return;
  }
  // One growth for the quotes and the text: this runs for every name of every plan line.
  const std::size_t at = out->size();
  out->resize(at + text.size() + 2);
  char* p = out->data() + at;
  p[0] = '"';
  std::memcpy(p + 1, text.data(), text.size());
  p[text.size() + 1] = '"';
}

// Parses text as one JSON value; a discarded value when it is not JSON.
inline Value Parse(std::string_view text) { return Value::parse(text, nullptr, /*allow_exceptions=*/false); }

// The member, or null when o is not an object or has no such member.
inline const Value* Member(const Value& o, const char* name) {
  if (!o.is_object()) return nullptr;
  auto it = o.find(name);
  return it == o.end() ? nullptr : &*it;
}

inline bool GetText(const Value& o, const char* name, std::string* out) {
  const Value* v = Member(o, name);
  if (v == nullptr || !v->is_string()) return false;
  *out = v->get_ref<const std::string&>();
  return true;
}

inline bool GetInteger(const Value& o, const char* name, std::int64_t* out) {
  const Value* v = Member(o, name);
  if (v == nullptr) return false;
  if (v->is_number_unsigned()) {
    const auto u = v->get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(INT64_MAX)) return false;
    *out = static_cast<std::int64_t>(u);
    return true;
  }
  if (!v->is_number_integer()) return false;
  *out = v->get<std::int64_t>();
  return true;
}

inline bool GetBool(const Value& o, const char* name, bool* out) {
  const Value* v = Member(o, name);
  if (v == nullptr || !v->is_boolean()) return false;
  *out = v->get<bool>();
  return true;
}

// True when text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace recast::engine::json
