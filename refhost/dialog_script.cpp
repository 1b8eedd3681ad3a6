#include "refhost/dialog_script.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

std::string Trim(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1]))) --last;
  return s.substr(first, last - first);
}

// A whole word of decimal digits that fits a control id or an index.
bool ParseNumber(const std::string& word, int& out) {
  if (word.empty() || word.size() > 9) return false;
  for (char c : word)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  out = std::atoi(word.c_str());
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ParseStep(const std::string& text, DialogStep& step) {
  const size_t equals = text.find('=');
  if (equals != std::string::npos) {
    // The text is kept as written after "=", blanks included, so a field can be set to " 4".
    step.kind = DialogStep::kSetText;
    step.text = text.substr(equals + 1);
    return ParseNumber(Trim(text.substr(0, equals)), step.id);
  }
  std::istringstream words(text);
  std::string verb, first, second, extra;
  words >> verb >> first >> second >> extra;
  if (!extra.empty()) return false;
  verb = Lower(verb);
  if (verb == "ok" || verb == "cancel") {
    step.kind = verb == "ok" ? DialogStep::kOk : DialogStep::kCancel;
    return first.empty();
  }
  if (verb == "click") {
    step.kind = DialogStep::kClick;
    return second.empty() && ParseNumber(first, step.id);
  }
  if (verb == "select") {
    step.kind = DialogStep::kSelect;
    return ParseNumber(first, step.id) && ParseNumber(second, step.index);
  }
  return false;
}

}  // namespace

bool ParseDialogScript(const std::string& script, std::vector<DialogStep>& steps, std::string* error) {
  steps.clear();
  size_t start = 0;
  while (start <= script.size()) {
    size_t end = script.find(';', start);
    if (end == std::string::npos) end = script.size();
    const std::string raw = script.substr(start, end - start);
    start = end + 1;
    if (Trim(raw).empty()) continue;
    DialogStep step;
    if (!ParseStep(raw.find('=') != std::string::npos ? raw : Trim(raw), step)) {
      if (error) *error = "cannot read step \"" + Trim(raw) + "\"";
      steps.clear();
      return false;
    }
    steps.push_back(step);
  }
  return true;
}
