#include "util/SpreadsheetPaste.h"

#include <string>
#include <vector>

#include "util/Dialogs.h"
#include "util/Format.h"

namespace recast {

namespace {

// Fetches the object property name of object into *out, which owns it from then on.
AutomationStatus GetObject(Automation& automation, AutomationHandle object, const std::string& name,
                           AutomationRef* out) {
  AutomationValue value;
  AutomationStatus status = automation.GetProperty(object, name, &value);
  if (!status.ok) return status;
  if (value.kind != AutomationValue::Kind::Object || value.object == 0) {
    return AutomationStatus::Failure(Format("Property \"%s\" is not an object", {name}));
  }
  out->Reset(value.object);
  return status;
}

// Fetches the object property name of object and calls its method with no arguments.
AutomationStatus CallOnProperty(Automation& automation, AutomationHandle object, const std::string& property,
                                const std::string& method) {
  AutomationRef target(automation);
  AutomationStatus status = GetObject(automation, object, property, &target);
  if (!status.ok) return status;
  return automation.CallMethod(target.get(), method, {}, nullptr);
}

AutomationStatus RunExcelSteps(Automation& automation) {
  AutomationHandle created = 0;
  AutomationStatus status = automation.CreateObject("Excel.Application", &created);
  if (!status.ok) return status;
  AutomationRef app(automation, created);

  status = automation.SetProperty(app.get(), "Visible", AutomationValue::Bool(true));
  if (!status.ok) return status;
  for (const auto& [property, method] : std::vector<std::pair<std::string, std::string>>{
           {"Workbooks", "Add"}, {"ActiveSheet", "Paste"}, {"Cells", "Select"}}) {
    status = CallOnProperty(automation, app.get(), property, method);
    if (!status.ok) return status;
  }
  for (const char* part : {"Columns", "Rows"}) {
    AutomationRef selection(automation);
    status = GetObject(automation, app.get(), "Selection", &selection);
    if (!status.ok) return status;
    status = CallOnProperty(automation, selection.get(), part, "AutoFit");
    if (!status.ok) return status;
  }
  return status;
}

AutomationStatus Call(Automation& automation, AutomationHandle object, const std::string& method,
                      std::vector<AutomationValue> args) {
  return automation.CallMethod(object, method, args, nullptr);
}

AutomationStatus RunQuattroProSteps(Automation& automation) {
  AutomationHandle created = 0;
  AutomationStatus status = automation.CreateObject("QuattroPro.PerfectScript", &created);
  if (!status.ok) return status;
  AutomationRef app(automation, created);
  const auto text = AutomationValue::Text;

  if (!(status = Call(automation, app.get(), "FileNew", {})).ok) return status;
  if (!(status = Call(automation, app.get(), "SelectBlock", {text("A:A1")})).ok) return status;
  if (!(status = Call(automation, app.get(), "EditPaste", {AutomationValue::Missing()})).ok) return status;

  // Formatting is a courtesy: the pasted data stays whatever happens here.
  const std::vector<std::pair<std::string, std::vector<AutomationValue>>> formatting = {
      {"SelectBlock", {text("A:")}},
      {"Setproperty", {text("Font.Point_Size"), text("8")}},
      {"Setproperty", {text("Column_Width"), text("Auto Width;;1")}},
      {"SelectBlock", {text("A:A1")}},
  };
  for (const auto& [method, args] : formatting) {
    if (!Call(automation, app.get(), method, args).ok) break;
  }
  return AutomationStatus::Ok();
}

}  // namespace

bool PasteIntoExcel(UserInterface& ui, Automation& automation) {
  const AutomationStatus status = RunExcelSteps(automation);
  if (!status.ok) {
    ShowMessageBox(ui, MessageBoxKind::Custom,
                   Format("Error saving to Excel (%s) - Results are in clipboard", {status.message}));
  }
  return status.ok;
}

bool PasteIntoQuattroPro(UserInterface& ui, Automation& automation) {
  const AutomationStatus status = RunQuattroProSteps(automation);
  if (!status.ok) {
    ShowMessageBox(ui, MessageBoxKind::Custom,
                   Format("Error saving to QP (%s) - Results are in clipboard", {status.message}));
  }
  return status.ok;
}

}  // namespace recast
