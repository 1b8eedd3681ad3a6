// How the dialog answer scripts read.
#include <gtest/gtest.h>

#include "refhost/dialog_script.h"

namespace {

std::string Describe(const std::vector<DialogStep>& steps) {
  std::string text;
  for (const DialogStep& s : steps) {
    if (!text.empty()) text += " / ";
    switch (s.kind) {
      case DialogStep::kSetText: text += "set " + std::to_string(s.id) + " [" + s.text + "]"; break;
      case DialogStep::kClick: text += "click " + std::to_string(s.id); break;
      case DialogStep::kSelect: text += "select " + std::to_string(s.id) + " " + std::to_string(s.index); break;
      case DialogStep::kOk: text += "ok"; break;
      case DialogStep::kCancel: text += "cancel"; break;
    }
  }
  return text;
}

TEST(DialogScript, StepsReadInOrderWithTheirArguments) {
  const struct {
    const char* script;
    const char* expected;
  } cases[] = {
      {"1001=45;click 1005;select 1007 2;ok", "set 1001 [45] / click 1005 / select 1007 2 / ok"},
      {"  1001 =-3.5 ; OK ", "set 1001 [-3.5 ] / ok"},
      {"1002=;cancel", "set 1002 [] / cancel"},
      {"1003= a b", "set 1003 [ a b]"},
      {"select 1007 0;;  ;Cancel", "select 1007 0 / cancel"},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::vector<DialogStep> steps;
    std::string error;
    EXPECT_TRUE(ParseDialogScript(c.script, steps, &error)) << c.script << ": " << error;
    EXPECT_EQ(c.expected, Describe(steps)) << "script \"" << c.script << "\"";
  }
}

TEST(DialogScript, MalformedStepsRejectTheWholeScript) {
  const char* cases[] = {"click", "click 10x", "click 1 2", "select 1007", "select 1007 -1", "ok 1",
                         "press 1001", "x=5", "=5", "1001=4;frobnicate"};
  for (const char* script : cases) {
    std::vector<DialogStep> steps(1);
    std::string error;
    EXPECT_FALSE(ParseDialogScript(script, steps, &error)) << "accepted \"" << script << "\"";
    EXPECT_TRUE(steps.empty()) << "steps kept for \"" << script << "\"";
    EXPECT_FALSE(error.empty()) << "no reason given for \"" << script << "\"";
  }
}

}  // namespace
