// The script that answers a modal dialog through its own controls, written as steps
// separated by ";": "1001=45" sets a control's text, "click 1005" clicks a button,
// "select 1007 2" chooses a combo box entry (0 first), "ok" and "cancel" close it.
// A text cannot hold ";"; steps after "ok" or "cancel" are never reached.
#pragma once

#include <string>
#include <vector>

struct DialogStep {
  enum Kind { kSetText, kClick, kSelect, kOk, kCancel };
  Kind kind = kOk;
  int id = 0;
  int index = 0;
  std::string text;
};

// False (and error says which step and why) when any step is malformed; a script that
// is all blanks has no steps.
bool ParseDialogScript(const std::string& script, std::vector<DialogStep>& steps, std::string* error = nullptr);
