#pragma once
// An automation server for tests: records every call as a readable line and fails the calls
// it is told to. Objects are named by the path they were reached by, so the record reads
// like the script that made it:
//   Create(Excel.Application)
//   Set(Excel.Application, Visible, true)
//   Get(Excel.Application, Workbooks)
//   Call(Excel.Application.Workbooks, Add)
//   Call(QuattroPro.PerfectScript, SelectBlock, "A:A1")     (text arguments quoted,
//   Call(QuattroPro.PerfectScript, EditPaste, <missing>)     a left-out one as <missing>)
//   Release(Excel.Application.Workbooks)

#include <map>
#include <string>
#include <vector>

#include "util/Automation.h"

namespace recast {

class RecordingAutomation : public Automation {
 public:
  // The call whose record line equals call fails with message (and is still recorded).
  void FailOn(const std::string& call, const std::string& message) { failures_[call] = message; }

  const std::vector<std::string>& calls() const { return calls_; }
  // The calls without the Release lines.
  std::vector<std::string> CallsWithoutReleases() const;
  // Objects handed out and not yet released.
  std::size_t liveObjects() const { return paths_.size(); }

  AutomationStatus CreateObject(const std::string& className, AutomationHandle* object) override;
  AutomationStatus SetProperty(AutomationHandle object, const std::string& name, const AutomationValue& value) override;
  AutomationStatus GetProperty(AutomationHandle object, const std::string& name, AutomationValue* value) override;
  AutomationStatus CallMethod(AutomationHandle object, const std::string& name,
                              const std::vector<AutomationValue>& args, AutomationValue* result) override;
  void Release(AutomationHandle object) override;

 private:
  AutomationStatus Record(const std::string& call);
  AutomationHandle NewObject(const std::string& path);
  std::string PathOf(AutomationHandle object) const;

  std::vector<std::string> calls_;
  std::map<std::string, std::string> failures_;
  std::map<AutomationHandle, std::string> paths_;
  AutomationHandle next_ = 1;
};

std::string DescribeAutomationValue(const AutomationValue& value);

}  // namespace recast
