#pragma once
// Automation on Linux: no spreadsheet application offers an automation server here, so
// every object creation fails with a message that names the class.

#include "util/Automation.h"

namespace recast {

class LinuxAutomation : public Automation {
 public:
  // Fails with "No automation server for \"<className>\" on this system".
  AutomationStatus CreateObject(const std::string& className, AutomationHandle* object) override;
  // The others fail with "No automation object", as no object can exist.
  AutomationStatus SetProperty(AutomationHandle object, const std::string& name, const AutomationValue& value) override;
  AutomationStatus GetProperty(AutomationHandle object, const std::string& name, AutomationValue* value) override;
  AutomationStatus CallMethod(AutomationHandle object, const std::string& name,
                              const std::vector<AutomationValue>& args, AutomationValue* result) override;
  void Release(AutomationHandle object) override;
};

}  // namespace recast
