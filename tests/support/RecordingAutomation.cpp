#include "tests/support/RecordingAutomation.h"

namespace recast {

std::string DescribeAutomationValue(const AutomationValue& value) {
  switch (value.kind) {
    case AutomationValue::Kind::Missing:
      return "<missing>";
    case AutomationValue::Kind::Text:
      return "\"" + value.text + "\"";
    case AutomationValue::Kind::Bool:
      return value.flag ? "true" : "false";
    case AutomationValue::Kind::Int:
      return std::to_string(value.number);
    case AutomationValue::Kind::Object:
      return "<object " + std::to_string(value.object) + ">";
  }
  return "?";
}

std::vector<std::string> RecordingAutomation::CallsWithoutReleases() const {
  std::vector<std::string> out;
  for (const std::string& call : calls_) {
    if (call.rfind("Release(", 0) != 0) out.push_back(call);
  }
  return out;
}

AutomationStatus RecordingAutomation::Record(const std::string& call) {
  calls_.push_back(call);
  const auto failure = failures_.find(call);
  if (failure != failures_.end()) return AutomationStatus::Failure(failure->second);
  return AutomationStatus::Ok();
}

AutomationHandle RecordingAutomation::NewObject(const std::string& path) {
  const AutomationHandle handle = next_++;
  paths_[handle] = path;
  return handle;
}

std::string RecordingAutomation::PathOf(AutomationHandle object) const {
  const auto it = paths_.find(object);
  return it == paths_.end() ? "<unknown " + std::to_string(object) + ">" : it->second;
}

AutomationStatus RecordingAutomation::CreateObject(const std::string& className, AutomationHandle* object) {
  AutomationStatus status = Record("Create(" + className + ")");
  if (status.ok) *object = NewObject(className);
  return status;
}

AutomationStatus RecordingAutomation::SetProperty(AutomationHandle object, const std::string& name,
                                                  const AutomationValue& value) {
  return Record("Set(" + PathOf(object) + ", " + name + ", " + DescribeAutomationValue(value) + ")");
}

AutomationStatus RecordingAutomation::GetProperty(AutomationHandle object, const std::string& name,
                                                  AutomationValue* value) {
  const std::string path = PathOf(object);
  AutomationStatus status = Record("Get(" + path + ", " + name + ")");
  if (status.ok) *value = AutomationValue::Object(NewObject(path + "." + name));
  return status;
}

AutomationStatus RecordingAutomation::CallMethod(AutomationHandle object, const std::string& name,
                                                 const std::vector<AutomationValue>& args, AutomationValue* result) {
  std::string call = "Call(" + PathOf(object) + ", " + name;
  for (const AutomationValue& arg : args) call += ", " + DescribeAutomationValue(arg);
  call += ")";
  AutomationStatus status = Record(call);
  if (status.ok && result != nullptr) *result = AutomationValue::Missing();
  return status;
}

void RecordingAutomation::Release(AutomationHandle object) {
  calls_.push_back("Release(" + PathOf(object) + ")");
  paths_.erase(object);
}

}  // namespace recast
