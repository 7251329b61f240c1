#include "platform/automation/LinuxAutomation.h"

#include "util/Format.h"

namespace recast {

namespace {
AutomationStatus NoObject() { return AutomationStatus::Failure("No automation object"); }
}  // namespace

AutomationStatus LinuxAutomation::CreateObject(const std::string& className, AutomationHandle*) {
  return AutomationStatus::Failure(Format("No automation server for \"%s\" on this system", {className}));
}

AutomationStatus LinuxAutomation::SetProperty(AutomationHandle, const std::string&, const AutomationValue&) {
  return NoObject();
}

AutomationStatus LinuxAutomation::GetProperty(AutomationHandle, const std::string&, AutomationValue*) {
  return NoObject();
}

AutomationStatus LinuxAutomation::CallMethod(AutomationHandle, const std::string&, const std::vector<AutomationValue>&,
                                             AutomationValue*) {
  return NoObject();
}

void LinuxAutomation::Release(AutomationHandle) {}

}  // namespace recast
