// Persistence of the registered control as containers use it: IPersistStreamInit into
// an HGLOBAL stream (forms saved in binary), IPersistPropertyBag (forms saved as text),
// and the stream bytes compared with what the Linux build writes for the same values.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/byte_difference.h"
#include "com_client.h"
#include "control_ids.h"

using client::Ptr;
using client::Variant;

namespace {

// The six persisted properties of the control, in the order they are stored.
struct Values {
  LONG penColor;
  short noSnapKey;
  short noPolarKey;
  short fillStyle;
  std::string polyline;
  std::string polygon;
};

// The values of the committed fixtures; the Linux test writes the same ones.
const Values kFixture = {0x00123456, 16, 17, -2, "L=%.2f m", "A=%.1f m\xC2\xB2 (\xC3\xBC)"};
const Values kOther = {0x0000FF00, 91, 93, 5, "other polyline", "other polygon"};

std::string Describe(const Values& v) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "penColor=0x%08lX NoSnapKey=%d NoPolarKey=%d fillStyle=%d ",
                static_cast<unsigned long>(v.penColor), v.noSnapKey, v.noPolarKey, v.fillStyle);
  return buf + ("polyline=\"" + v.polyline + "\" polygon=\"" + v.polygon + "\"");
}

void Set(IDispatch* ctl, const Values& v) {
  ASSERT_EQ(client::PutProp(ctl, qarn::kPenColor, Variant::I4(v.penColor)).hr, S_OK);
  ASSERT_EQ(client::PutProp(ctl, qarn::kNoSnapKey, Variant::I2(v.noSnapKey)).hr, S_OK);
  ASSERT_EQ(client::PutProp(ctl, qarn::kNoPolarKey, Variant::I2(v.noPolarKey)).hr, S_OK);
  ASSERT_EQ(client::PutProp(ctl, qarn::kFillStyle, Variant::I2(v.fillStyle)).hr, S_OK);
  ASSERT_EQ(client::PutProp(ctl, qarn::kFormatPolyline, Variant::Str(v.polyline)).hr, S_OK);
  ASSERT_EQ(client::PutProp(ctl, qarn::kFormatPolygon, Variant::Str(v.polygon)).hr, S_OK);
}

std::string Read(IDispatch* ctl) {
  Values v = {};
  auto get = [&](DISPID id, VARTYPE vt, VARIANT* out) {
    client::CallResult r = client::GetProp(ctl, id);
    VariantInit(out);
    return SUCCEEDED(r.hr) && SUCCEEDED(VariantChangeType(out, &r.result.v, 0, vt));
  };
  VARIANT x;
  if (get(qarn::kPenColor, VT_I4, &x)) v.penColor = x.lVal;
  if (get(qarn::kNoSnapKey, VT_I2, &x)) v.noSnapKey = x.iVal;
  if (get(qarn::kNoPolarKey, VT_I2, &x)) v.noPolarKey = x.iVal;
  if (get(qarn::kFillStyle, VT_I2, &x)) v.fillStyle = x.iVal;
  if (get(qarn::kFormatPolyline, VT_BSTR, &x)) v.polyline = client::Utf8(x.bstrVal);
  VariantClear(&x);
  if (get(qarn::kFormatPolygon, VT_BSTR, &x)) v.polygon = client::Utf8(x.bstrVal);
  VariantClear(&x);
  return Describe(v);
}

using test_bytes::Difference;

std::vector<BYTE> WithLengthPrefix(const std::vector<BYTE>& body) {
  std::vector<BYTE> out(4 + body.size());
  DWORD n = static_cast<DWORD>(body.size());
  std::memcpy(out.data(), &n, 4);
  if (!body.empty()) std::memcpy(out.data() + 4, body.data(), body.size());
  return out;
}

class ControlPersistence : public ::testing::Test {
 protected:
  Ptr<IDispatch> NewControl() {
    HRESULT hr;
    Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
    EXPECT_TRUE(ctl) << "CoCreateInstance: " << client::Hr(hr);
    return ctl;
  }

  static HRESULT SaveStream(IDispatch* ctl, std::vector<BYTE>* out, BOOL clearDirty = TRUE) {
    Ptr<IPersistStreamInit> persist;
    HRESULT hr = ctl->QueryInterface(IID_IPersistStreamInit, persist.OutVoid());
    if (FAILED(hr)) return hr;
    Ptr<IStream> stream;
    hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Out());
    if (FAILED(hr)) return hr;
    hr = persist->Save(stream.Get(), clearDirty);
    if (FAILED(hr)) return hr;
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER end = {};
    stream->Seek(zero, STREAM_SEEK_CUR, &end);
    HGLOBAL mem = nullptr;
    GetHGlobalFromStream(stream.Get(), &mem);
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(mem));
    out->assign(p, p + end.QuadPart);
    GlobalUnlock(mem);
    return hr;
  }

  // Loads from a stream holding `bytes` then `trailer`; *left is what Load did not read.
  static HRESULT LoadStream(IDispatch* ctl, const std::vector<BYTE>& bytes, ULONG* left = nullptr,
                            const std::vector<BYTE>& trailer = {}) {
    Ptr<IPersistStreamInit> persist;
    HRESULT hr = ctl->QueryInterface(IID_IPersistStreamInit, persist.OutVoid());
    if (FAILED(hr)) return hr;
    Ptr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.Out());
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (!trailer.empty()) stream->Write(trailer.data(), static_cast<ULONG>(trailer.size()), &written);
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    hr = persist->Load(stream.Get());
    if (left) {
      ULARGE_INTEGER pos = {};
      stream->Seek(zero, STREAM_SEEK_CUR, &pos);
      *left = static_cast<ULONG>(bytes.size() + trailer.size() - pos.QuadPart);
    }
    return hr;
  }

  static HRESULT IsDirty(IDispatch* ctl) {
    Ptr<IPersistStreamInit> persist;
    HRESULT hr = ctl->QueryInterface(IID_IPersistStreamInit, persist.OutVoid());
    return FAILED(hr) ? hr : persist->IsDirty();
  }
};

TEST_F(ControlPersistence, StreamRoundTripRestoresAllSixProperties) {
  Ptr<IDispatch> src = NewControl(), dst = NewControl();
  ASSERT_TRUE(src && dst);
  Set(src.Get(), kFixture);
  EXPECT_EQ(IsDirty(src.Get()), S_OK) << "written properties make the control dirty";

  std::vector<BYTE> bytes;
  ASSERT_EQ(SaveStream(src.Get(), &bytes), S_OK);
  EXPECT_EQ(IsDirty(src.Get()), S_FALSE) << "Save(fClearDirty) leaves the control clean";
  ASSERT_GE(bytes.size(), 4u);
  DWORD prefix = 0;
  std::memcpy(&prefix, bytes.data(), 4);
  EXPECT_EQ(prefix, bytes.size() - 4) << "the stream starts with the byte count of what follows";

  Ptr<IPersistStreamInit> persist;
  ASSERT_EQ(src->QueryInterface(IID_IPersistStreamInit, persist.OutVoid()), S_OK);
  ULARGE_INTEGER max = {};
  EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
  EXPECT_EQ(max.QuadPart, bytes.size()) << "GetSizeMax";
  CLSID clsid = {}, registered = {};
  EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
  CLSIDFromProgID(qarn::kControlProgId, &registered);
  EXPECT_TRUE(IsEqualCLSID(clsid, registered)) << "GetClassID";

  // The container keeps its own data after the control's: Load reads only its part.
  ULONG left = 0;
  ASSERT_EQ(LoadStream(dst.Get(), bytes, &left, {0xAB, 0xCD}), S_OK);
  EXPECT_EQ(left, 2u) << "bytes of the container's data left unread after Load";
  EXPECT_EQ(Read(dst.Get()), Describe(kFixture));
  EXPECT_EQ(IsDirty(dst.Get()), S_FALSE) << "a freshly loaded control is clean";
}

// IPersistStreamInit's own length prefix is this module's code: a stream shorter than
// the prefix promises, or than the prefix itself, is refused and the control keeps its
// values. Cuts inside the property bytes are the framework's and tested with it.
TEST_F(ControlPersistence, StreamShorterThanItsLengthPrefixIsRefused) {
  Ptr<IDispatch> src = NewControl(), dst = NewControl();
  ASSERT_TRUE(src && dst);
  Set(src.Get(), kFixture);
  std::vector<BYTE> saved;
  ASSERT_EQ(SaveStream(src.Get(), &saved), S_OK);

  Set(dst.Get(), kOther);
  std::vector<BYTE> shortStream(saved.begin(), saved.end() - 1);
  EXPECT_EQ(LoadStream(dst.Get(), shortStream), STG_E_READFAULT) << "stream shorter than its prefix";
  EXPECT_EQ(Read(dst.Get()), Describe(kOther)) << "after a refused load";
  EXPECT_EQ(LoadStream(dst.Get(), {0x10, 0x00}), STG_E_READFAULT) << "stream shorter than the prefix itself";
  EXPECT_EQ(Read(dst.Get()), Describe(kOther)) << "after a refused load";
}

// The same property values make the same bytes on Windows and on Linux, so a form
// saved by either build loads in the other.
TEST_F(ControlPersistence, StreamBytesAreTheSameAsTheLinuxBuilds) {
  const std::wstring dir = client::DataDir();
  Ptr<IDispatch> ctl = NewControl();
  ASSERT_TRUE(ctl);
  Set(ctl.Get(), kFixture);
  std::vector<BYTE> written;
  ASSERT_EQ(SaveStream(ctl.Get(), &written), S_OK);
  if (client::WantFixturesWritten()) {
    ASSERT_TRUE(client::WriteFile(dir + L"stream_windows.bin", written))
        << "cannot write " << client::Utf8(dir.c_str(), dir.size()) << "stream_windows.bin";
    std::printf("wrote %sstream_windows.bin\n", client::Utf8(dir.c_str(), dir.size()).c_str());
  }

  std::vector<BYTE> windowsFixture, linuxFixture;
  ASSERT_TRUE(client::ReadFile(dir + L"stream_windows.bin", &windowsFixture))
      << "missing " << client::Utf8(dir.c_str(), dir.size()) << "stream_windows.bin (set QARN_TEST_DATA_DIR?)";
  ASSERT_TRUE(client::ReadFile(dir + L"stream_linux.bin", &linuxFixture))
      << "missing " << client::Utf8(dir.c_str(), dir.size()) << "stream_linux.bin";
  EXPECT_EQ(Difference(windowsFixture, written), "") << "this build writes other bytes than stream_windows.bin";
  EXPECT_EQ(Difference(WithLengthPrefix(linuxFixture), windowsFixture), "")
      << "stream_windows.bin is not the length prefix followed by stream_linux.bin";

  Ptr<IDispatch> fromLinux = NewControl();
  ASSERT_TRUE(fromLinux);
  ASSERT_EQ(LoadStream(fromLinux.Get(), WithLengthPrefix(linuxFixture)), S_OK) << "loading the Linux build's bytes";
  EXPECT_EQ(Read(fromLinux.Get()), Describe(kFixture)) << "values from the Linux build's bytes";
}

// ---------------------------------------------------------------- property bags

// A container's property bag: names in the order written; Read converts to the type
// asked for, as the containers' bags do, and fails for names it does not hold.
class Bag : public IPropertyBag {
 public:
  ~Bag() {
    for (auto& item : items) VariantClear(&item.second);
  }
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IPropertyBag) {
      *ppv = static_cast<IPropertyBag*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    reads.push_back(client::Utf8(name, wcslen(name)));
    for (auto& item : items) {
      if (item.first != name) continue;
      if (value->vt == VT_EMPTY) return VariantCopy(value, &item.second);
      VARTYPE want = value->vt;
      return VariantChangeType(value, &item.second, 0, want);
    }
    return E_INVALIDARG;
  }
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, value);
    if (FAILED(hr)) return hr;
    for (auto& item : items) {
      if (item.first == name) {
        VariantClear(&item.second);
        item.second = copy;
        return S_OK;
      }
    }
    items.emplace_back(name, copy);
    return S_OK;
  }
  void Put(const wchar_t* name, Variant v) { Write(name, &v.v); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (auto& item : items) out.push_back(client::Utf8(item.first.c_str(), item.first.size()));
    return out;
  }

  std::vector<std::pair<std::wstring, VARIANT>> items;
  std::vector<std::string> reads;
  ULONG refs = 1;
};

// The module hands a container's bag the framework's names and values (tested on Linux,
// with their conversions and defaults) and asks it back for those names only.
TEST_F(ControlPersistence, PropertyBagRoundTripByNameAsksOnlyForTheControlsNames) {
  Ptr<IDispatch> src = NewControl(), dst = NewControl();
  ASSERT_TRUE(src && dst);
  Set(src.Get(), kFixture);
  Set(dst.Get(), kOther);
  auto save = src.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  auto load = dst.As<IPersistPropertyBag>(IID_IPersistPropertyBag);
  ASSERT_TRUE(save && load) << "no IPersistPropertyBag";
  Bag bag;
  ASSERT_EQ(save->Save(&bag, TRUE, TRUE), S_OK);
  EXPECT_EQ(IsDirty(src.Get()), S_FALSE) << "Save(fClearDirty) leaves the control clean";
  EXPECT_EQ(bag.refs, 1u) << "the control keeps a reference on the bag";
  const std::vector<std::string> expectedNames = {
      "_Version",    "_ExtentX",     "_ExtentY",       "_StockProps",         "BackColor",
      "ForeColor",   "Font.Name",    "Font.Size",      "Font.Weight",         "Font.Charset",
      "Font.Italic", "Font.Underline", "Font.Strikethrough", "penColor",       "NoSnapKey",
      "NoPolarKey",  "fillStyle",    "formatPolylineParams", "formatPolygonParams"};
  EXPECT_EQ(bag.Names(), expectedNames);

  bag.Put(L"noSuchProperty", Variant::I4(7));
  bag.Put(L"Caption", Variant::Str("a form's own entry"));
  ASSERT_EQ(load->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(Read(dst.Get()), Describe(kFixture));
  EXPECT_EQ(IsDirty(dst.Get()), S_FALSE) << "a freshly loaded control is clean";
  for (const std::string& asked : bag.reads)
    EXPECT_TRUE(asked != "noSuchProperty" && asked != "Caption") << "Load asked the bag for " << asked;
}

}  // namespace
