#include "refhost/host_script.h"
#include "platform/cstring.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "platform/oleauto.h"
#include "platform/record_access.h"

namespace {

enum ScriptDispid : DISPID {
  kWidth = 1001, kHeight, kPress, kMove, kRelease, kRightPress, kSetView, kSetWorkPlane, kEngineHandle,
  kFileVersion, kDetachOnReplace, kVariable, kInputState, kModePair, kReferencePoint, kCallLog, kClearLog,
  kReadMemory, kRepaint, kSavePicture, kDropPointerHandler, kDropOverlayPainter, kRepaintRequests,
  kRefuseEngine, kMessageBoxAnswer, kMessageBoxLog, kMenuAnswer, kMenuLog, kDialogAnswer, kDialogLog,
  kLogCalls,
};
// Type libraries describe the switches by these numbers (win32/qarnref.idl).
static_assert(kDetachOnReplace == 1011 && kRefuseEngine == 1024 && kLogCalls == 1031);

struct ScriptMember {
  const char* name;
  DISPID id;
  bool watcher;  // exists only while a desktop watcher runs
};

const ScriptMember kScriptMembers[] = {
    {"width", kWidth, false},
    {"height", kHeight, false},
    {"press", kPress, false},
    {"move", kMove, false},
    {"release", kRelease, false},
    {"rightPress", kRightPress, false},
    {"setView", kSetView, false},
    {"setWorkPlane", kSetWorkPlane, false},
    {"engineHandle", kEngineHandle, false},
    {"fileVersion", kFileVersion, false},
    {"detachOnReplace", kDetachOnReplace, false},
    {"variable", kVariable, false},
    {"inputState", kInputState, false},
    {"modePair", kModePair, false},
    {"referencePoint", kReferencePoint, false},
    {"callLog", kCallLog, false},
    {"clearLog", kClearLog, false},
    {"readMemory", kReadMemory, false},
    {"repaint", kRepaint, false},
    {"savePicture", kSavePicture, false},
    {"dropPointerHandler", kDropPointerHandler, false},
    {"dropOverlayPainter", kDropOverlayPainter, false},
    {"repaintRequests", kRepaintRequests, false},
    {"refuseEngine", kRefuseEngine, false},
    {"logCalls", kLogCalls, false},
    {"messageBoxAnswer", kMessageBoxAnswer, true},
    {"messageBoxLog", kMessageBoxLog, true},
    {"menuAnswer", kMenuAnswer, true},
    {"menuLog", kMenuLog, true},
    {"dialogAnswer", kDialogAnswer, true},
    {"dialogLog", kDialogLog, true},
};

std::string FormatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.17g", value);
  return text;
}

// Numbers separated by blanks, exactly count of them.
bool ParseNumbers(const std::string& text, double* out, int count) {
  std::istringstream in(text);
  for (int i = 0; i < count; ++i)
    if (!(in >> out[i])) return false;
  std::string rest;
  return !(in >> rest);
}

// The arguments of one call. A property put carries its value as the named argument;
// the others are positional and arrive last to first. Scripts pass variables by
// reference, so every read looks through VT_BYREF.
class ScriptArgs {
 public:
  ScriptArgs(DISPPARAMS* params, bool put, UINT* argErr) : m_params(params), m_put(put), m_argErr(argErr) {}

  HRESULT Expect(UINT positional) const {
    const UINT named = m_params ? m_params->cNamedArgs : 0;
    const UINT total = m_params ? m_params->cArgs : 0;
    if (m_put) {
      if (named != 1 || m_params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
      return total == positional + 1 ? S_OK : DISP_E_BADPARAMCOUNT;
    }
    if (named) return DISP_E_NONAMEDARGS;
    return total == positional ? S_OK : DISP_E_BADPARAMCOUNT;
  }
  HRESULT Long(UINT index, LONG& out) const {
    VARIANT v;
    HRESULT hr = Convert(index, VT_I4, v);
    if (SUCCEEDED(hr)) out = v.lVal;
    return hr;
  }
  HRESULT Double(UINT index, double& out) const {
    VARIANT v;
    HRESULT hr = Convert(index, VT_R8, v);
    if (SUCCEEDED(hr)) out = v.dblVal;
    return hr;
  }
  HRESULT Bool(UINT index, bool& out) const {
    VARIANT v;
    HRESULT hr = Convert(index, VT_BOOL, v);
    if (SUCCEEDED(hr)) out = v.boolVal != VARIANT_FALSE;
    return hr;
  }
  HRESULT Text(UINT index, std::string& out) const {
    VARIANT v;
    HRESULT hr = Convert(index, VT_BSTR, v);
    if (FAILED(hr)) return hr;
    out = QarnUtf8FromBstr(v.bstrVal);
    VariantClear(&v);
    return S_OK;
  }
  // The value of a property put.
  static constexpr UINT kValue = ~0u;

 private:
  UINT Slot(UINT index) const { return index == kValue ? 0 : m_params->cArgs - 1 - index; }
  HRESULT Convert(UINT index, VARTYPE vt, VARIANT& out) const {
    VariantInit(&out);
    VARIANT direct;
    VariantInit(&direct);
    HRESULT hr = VariantCopyInd(&direct, &m_params->rgvarg[Slot(index)]);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&out, &direct, 0, vt);
    VariantClear(&direct);
    if (FAILED(hr)) {
      if (m_argErr) *m_argErr = Slot(index);
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  }
  DISPPARAMS* m_params;
  bool m_put;
  UINT* m_argErr;
};

void ReturnLong(VARIANT* result, LONG value) {
  if (!result) return;
  result->vt = VT_I4;
  result->lVal = value;
}

void ReturnBool(VARIANT* result, bool value) {
  if (!result) return;
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnText(VARIANT* result, const std::string& value) {
  if (!result) return;
  result->vt = VT_BSTR;
  result->bstrVal = QarnBstrFromUtf8(value);
}

#define SCRIPT_TRY(expr)          \
  do {                            \
    HRESULT hr_ = (expr);         \
    if (FAILED(hr_)) return hr_;  \
  } while (0)

// Pointer input and view set-up: methods with a fixed number of numbers.
HRESULT InvokeAction(ReferenceHost& host, DISPID id, const ScriptArgs& args) {
  if (id == kPress || id == kMove || id == kRelease || id == kRightPress) {
    SCRIPT_TRY(args.Expect(2));
    LONG x = 0, y = 0;
    SCRIPT_TRY(args.Long(0, x));
    SCRIPT_TRY(args.Long(1, y));
    if (id == kPress) host.Press(x, y);
    if (id == kMove) host.Move(x, y);
    if (id == kRelease) host.Release(x, y);
    if (id == kRightPress) host.RightPress(x, y);
    return S_OK;
  }
  const UINT count = id == kSetView ? 3 : 6;
  SCRIPT_TRY(args.Expect(count));
  double v[6] = {0, 0, 0, 0, 0, 0};
  for (UINT i = 0; i < count; ++i) SCRIPT_TRY(args.Double(i, v[i]));
  if (id == kSetView)
    host.SetView(v[0], v[1], v[2]);
  else
    host.SetWorkPlane(v[0], v[1], v[2], v[3], v[4], v[5]);
  return S_OK;
}

// A record address from a script: VBScript has no unsigned long, so addresses at or
// above 2^31 arrive negative or as doubles.
HRESULT AddressArg(const ScriptArgs& args, UINT index, uint32_t& address) {
  double value = 0;
  SCRIPT_TRY(args.Double(index, value));
  if (value < 0) value += 4294967296.0;
  if (value < 0 || value >= 4294967296.0 || value != std::floor(value)) return DISP_E_OVERFLOW;
  address = static_cast<uint32_t>(value);
  return S_OK;
}

}  // namespace

DesktopWatch& TheDesktopWatch() {
  static DesktopWatch watch;
  return watch;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

std::string ReadMemoryHex(uint32_t address, long count) {
  // A script reads records, not images: a megabyte is more than any record holds.
  if (count <= 0 || count > (1L << 20)) return std::string();
  std::vector<unsigned char> bytes(static_cast<size_t>(count));
  if (!RecordRead(address, 0, bytes.data(), bytes.size())) return std::string();
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

DISPID ScriptMemberId(const std::string& name) {
  for (const ScriptMember& member : kScriptMembers)
    if (QarnEqualNoCase(name, member.name) && (!member.watcher || TheDesktopWatch().active)) return member.id;
  return DISPID_UNKNOWN;
}

HRESULT InvokeScriptMember(ReferenceHost& host, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                           UINT* argErr) {
  const ScriptMember* member = nullptr;
  for (const ScriptMember& m : kScriptMembers)
    if (m.id == id) member = &m;
  DesktopWatch& watch = TheDesktopWatch();
  if (!member || (member->watcher && !watch.active)) return DISP_E_MEMBERNOTFOUND;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (!put && !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  ScriptArgs args(params, put, argErr);
  if (result) VariantInit(result);
  const UINT value = ScriptArgs::kValue;

  switch (id) {
    case kPress:
    case kMove:
    case kRelease:
    case kRightPress:
    case kSetView:
    case kSetWorkPlane:
      if (put) return DISP_E_MEMBERNOTFOUND;
      return InvokeAction(host, id, args);
    case kWidth:
    case kHeight:
    case kRepaintRequests:
      if (put) return DISP_E_MEMBERNOTFOUND;
      SCRIPT_TRY(args.Expect(0));
      ReturnLong(result, id == kWidth ? host.Width() : id == kHeight ? host.Height() : host.repaintRequests);
      return S_OK;
    case kEngineHandle:
    case kMessageBoxAnswer:
    case kMenuAnswer: {
      LONG& field = id == kEngineHandle ? host.engineHandle : id == kMessageBoxAnswer ? watch.messageBoxAnswer
                                                                                       : watch.menuAnswer;
      SCRIPT_TRY(args.Expect(0));
      if (put) return args.Long(value, field);
      ReturnLong(result, field);
      return S_OK;
    }
    case kDetachOnReplace:
    case kRefuseEngine:
    case kLogCalls: {
      bool& field = id == kDetachOnReplace ? host.detachOnReplace : id == kLogCalls ? host.logCalls : host.refuseEngine;
      SCRIPT_TRY(args.Expect(0));
      if (put) return args.Bool(value, field);
      ReturnBool(result, field);
      return S_OK;
    }
    case kFileVersion: {
      SCRIPT_TRY(args.Expect(0));
      if (put) {
        std::string version;
        SCRIPT_TRY(args.Text(value, version));
        ReferenceHost::SetFileVersion(version.empty() ? std::nullopt : std::optional<std::string>(version));
        return S_OK;
      }
      ReturnText(result, ReferenceHost::GetFileVersion().value_or(std::string()));
      return S_OK;
    }
    case kDialogAnswer: {
      SCRIPT_TRY(args.Expect(0));
      if (put) return args.Text(value, watch.dialogAnswer);
      ReturnText(result, watch.dialogAnswer);
      return S_OK;
    }
    case kVariable: {
      SCRIPT_TRY(args.Expect(1));
      std::string name;
      SCRIPT_TRY(args.Text(0, name));
      if (put) return args.Text(value, host.variables[name]);
      auto it = host.variables.find(name);
      ReturnText(result, it == host.variables.end() ? std::string() : it->second);
      return S_OK;
    }
    case kInputState:
    case kModePair: {
      SCRIPT_TRY(args.Expect(0));
      int* fields = id == kInputState ? host.inputState : host.modePair;
      const int count = id == kInputState ? 3 : 2;
      if (put) {
        std::string text;
        double v[3];
        SCRIPT_TRY(args.Text(value, text));
        if (!ParseNumbers(text, v, count)) return DISP_E_TYPEMISMATCH;
        for (int i = 0; i < count; ++i) fields[i] = static_cast<int>(v[i]);
        return S_OK;
      }
      std::string text = std::to_string(fields[0]);
      for (int i = 1; i < count; ++i) {
        text += ' ';
        text += std::to_string(fields[i]);
      }
      ReturnText(result, text);
      return S_OK;
    }
    case kReferencePoint: {
      SCRIPT_TRY(args.Expect(0));
      if (put) {
        std::string text;
        double v[4];
        SCRIPT_TRY(args.Text(value, text));
        if (!ParseNumbers(text, v, 4)) return DISP_E_TYPEMISMATCH;
        host.refOn = static_cast<int>(v[0]);
        for (int i = 0; i < 3; ++i) host.refPoint[i] = v[i + 1];
        return S_OK;
      }
      ReturnText(result, std::to_string(host.refOn) + " " + FormatNumber(host.refPoint[0]) + " " +
                             FormatNumber(host.refPoint[1]) + " " + FormatNumber(host.refPoint[2]));
      return S_OK;
    }
    case kCallLog:
    case kMessageBoxLog:
    case kMenuLog:
    case kDialogLog: {
      if (put) return DISP_E_MEMBERNOTFOUND;
      SCRIPT_TRY(args.Expect(0));
      if (id == kCallLog) {
        std::vector<std::string> lines;
        for (const HostCall& call : host.calls) lines.push_back(call.ToString());
        ReturnText(result, JoinLines(lines));
      } else {
        ReturnText(result, JoinLines(id == kMessageBoxLog ? watch.messageBoxLog
                                     : id == kMenuLog     ? watch.menuLog
                                                          : watch.dialogLog));
      }
      return S_OK;
    }
    case kClearLog:
    case kRepaint:
    case kDropPointerHandler:
    case kDropOverlayPainter:
      if (put) return DISP_E_MEMBERNOTFOUND;
      SCRIPT_TRY(args.Expect(0));
      if (id == kClearLog) host.calls.clear();
      if (id == kRepaint) host.Repaint();
      if (id == kDropPointerHandler) host.DropPointerHandler();
      if (id == kDropOverlayPainter) host.DropOverlayPainter();
      return S_OK;
    case kReadMemory: {
      if (put) return DISP_E_MEMBERNOTFOUND;
      SCRIPT_TRY(args.Expect(2));
      uint32_t address = 0;
      LONG count = 0;
      SCRIPT_TRY(AddressArg(args, 0, address));
      SCRIPT_TRY(args.Long(1, count));
      ReturnText(result, ReadMemoryHex(address, count));
      return S_OK;
    }
    case kSavePicture: {
      if (put) return DISP_E_MEMBERNOTFOUND;
      SCRIPT_TRY(args.Expect(1));
      std::string path;
      SCRIPT_TRY(args.Text(0, path));
      ReturnBool(result, host.SavePicture(path.c_str()));
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}
