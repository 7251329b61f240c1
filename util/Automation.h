#pragma once
// Late-bound automation of another application: create an object by class name, set and
// get its properties, call its methods. Every failure comes back with a message text.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace recast {

// An object of the automation server; 0 is no object.
using AutomationHandle = std::uint32_t;

// An argument or a property value.
struct AutomationValue {
  enum class Kind { Missing, Text, Bool, Int, Object };
  Kind kind = Kind::Missing;
  std::string text;
  bool flag = false;
  std::int32_t number = 0;
  AutomationHandle object = 0;

  // An optional argument left out.
  static AutomationValue Missing() { return {}; }
  static AutomationValue Text(std::string v) { return {Kind::Text, std::move(v), false, 0, 0}; }
  static AutomationValue Bool(bool v) { return {Kind::Bool, {}, v, 0, 0}; }
  static AutomationValue Int(std::int32_t v) { return {Kind::Int, {}, false, v, 0}; }
  static AutomationValue Object(AutomationHandle v) { return {Kind::Object, {}, false, 0, v}; }
  bool operator==(const AutomationValue&) const = default;
};

// Success, or a failure with the server's (or the seam's) message text.
struct AutomationStatus {
  bool ok = true;
  std::string message;
  static AutomationStatus Ok() { return {}; }
  static AutomationStatus Failure(std::string text) { return {false, std::move(text)}; }
};

class Automation {
 public:
  virtual ~Automation() = default;
  // Creates an object of className; *object is set only on success.
  virtual AutomationStatus CreateObject(const std::string& className, AutomationHandle* object) = 0;
  virtual AutomationStatus SetProperty(AutomationHandle object, const std::string& name,
                                       const AutomationValue& value) = 0;
  // *value is set only on success. An object in *value must be released by the caller.
  virtual AutomationStatus GetProperty(AutomationHandle object, const std::string& name, AutomationValue* value) = 0;
  // result may be null when the caller does not want the method's value.
  virtual AutomationStatus CallMethod(AutomationHandle object, const std::string& name,
                                      const std::vector<AutomationValue>& args, AutomationValue* result) = 0;
  virtual void Release(AutomationHandle object) = 0;
};

// Owns one object handle and releases it when it goes.
class AutomationRef {
 public:
  explicit AutomationRef(Automation& automation, AutomationHandle handle = 0)
      : automation_(automation), handle_(handle) {}
  ~AutomationRef() { Reset(0); }
  AutomationRef(const AutomationRef&) = delete;
  AutomationRef& operator=(const AutomationRef&) = delete;

  AutomationHandle get() const { return handle_; }
  void Reset(AutomationHandle handle) {
    if (handle_ != 0) automation_.Release(handle_);
    handle_ = handle;
  }

 private:
  Automation& automation_;
  AutomationHandle handle_;
};

}  // namespace recast
