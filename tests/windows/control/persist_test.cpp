// Persistence of the registered control through the runtime's own ole32 streams: the
// bytes the real module writes are the Linux build's behind a length prefix, so a form
// saved by either build loads in the other. What the property stream holds, older and
// broken streams and the property bag's names and conversions are the framework's
// (tests/dispatch/persist_test.cpp); the bag through a real container is qarnview's
// (main_window_test).
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

// The six persisted properties, as the committed fixtures hold them (the Linux test
// writes the same values).
const std::vector<std::pair<const char*, Variant>> kFixture = {
    {"penColor", Variant::I4(0x00123456)},    {"NoSnapKey", Variant::I2(16)},
    {"NoPolarKey", Variant::I2(17)},          {"fillStyle", Variant::I2(-2)},
    {"FormatPolylineParams", Variant::Str("L=%.2f m")},
    {"FormatPolygonParams", Variant::Str("A=%.1f m\xC2\xB2 (\xC3\xBC)")}};
const std::vector<std::pair<const char*, Variant>> kOther = {
    {"penColor", Variant::I4(0x0000FF00)}, {"NoSnapKey", Variant::I2(91)}, {"NoPolarKey", Variant::I2(93)},
    {"fillStyle", Variant::I2(5)}, {"FormatPolylineParams", Variant::Str("other polyline")},
    {"FormatPolygonParams", Variant::Str("other polygon")}};

void Set(IDispatch* ctl, const std::vector<std::pair<const char*, Variant>>& values) {
  for (const auto& [name, value] : values) ASSERT_EQ(client::PutByName(ctl, name, value).hr, S_OK) << name;
}

std::string Read(IDispatch* ctl) {
  std::string out;
  for (const auto& [name, value] : kFixture) out += std::string(name) + "=" + client::Show(client::GetByName(ctl, name).result.v) + " ";
  return out;
}

std::string Describe(const std::vector<std::pair<const char*, Variant>>& values) {
  std::string out;
  for (const auto& [name, value] : values) out += std::string(name) + "=" + client::Show(value.v) + " ";
  return out;
}

std::vector<BYTE> WithLengthPrefix(const std::vector<BYTE>& body) {
  std::vector<BYTE> out(4 + body.size());
  DWORD n = static_cast<DWORD>(body.size());
  std::memcpy(out.data(), &n, 4);
  if (!body.empty()) std::memcpy(out.data() + 4, body.data(), body.size());
  return out;
}

Ptr<IDispatch> NewControl() {
  HRESULT hr;
  Ptr<IDispatch> ctl = client::Create(qarn::kControlProgId, &hr);
  EXPECT_TRUE(ctl) << "CoCreateInstance: " << client::Hr(hr);
  return ctl;
}

Ptr<IPersistStreamInit> Persist(IDispatch* ctl) {
  Ptr<IPersistStreamInit> persist;
  ctl->QueryInterface(IID_IPersistStreamInit, persist.OutVoid());
  return persist;
}

HRESULT SaveStream(IDispatch* ctl, std::vector<BYTE>* out) {
  Ptr<IPersistStreamInit> persist = Persist(ctl);
  Ptr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Out());
  if (FAILED(hr) || !persist) return FAILED(hr) ? hr : E_NOINTERFACE;
  if (FAILED(hr = persist->Save(stream.Get(), TRUE))) return hr;
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

// Loads from a stream holding `bytes`; *left is what Load did not read.
HRESULT LoadStream(IDispatch* ctl, const std::vector<BYTE>& bytes, ULONG* left = nullptr) {
  Ptr<IPersistStreamInit> persist = Persist(ctl);
  Ptr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, stream.Out());
  ULONG written = 0;
  if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  if (!persist) return E_NOINTERFACE;
  HRESULT hr = persist->Load(stream.Get());
  ULARGE_INTEGER pos = {};
  stream->Seek(zero, STREAM_SEEK_CUR, &pos);
  if (left) *left = static_cast<ULONG>(bytes.size() - pos.QuadPart);
  return hr;
}

// The same property values make the same bytes on Windows and on Linux, and the Linux
// build's bytes load here.
TEST(ControlPersistence, StreamBytesAreTheSameAsTheLinuxBuilds) {
  const std::wstring dir = client::DataDir();
  const std::string where = client::Utf8(dir.c_str(), dir.size());
  Ptr<IDispatch> ctl = NewControl();
  ASSERT_TRUE(ctl);
  Set(ctl.Get(), kFixture);
  std::vector<BYTE> written;
  ASSERT_EQ(SaveStream(ctl.Get(), &written), S_OK);
  if (client::WantFixturesWritten()) {
    ASSERT_TRUE(client::WriteFile(dir + L"stream_windows.bin", written)) << "cannot write " << where;
    std::printf("wrote %sstream_windows.bin\n", where.c_str());
  }
  std::vector<BYTE> windowsFixture, linuxFixture;
  ASSERT_TRUE(client::ReadFile(dir + L"stream_windows.bin", &windowsFixture))
      << "missing " << where << "stream_windows.bin (set QARN_TEST_DATA_DIR?)";
  ASSERT_TRUE(client::ReadFile(dir + L"stream_linux.bin", &linuxFixture)) << "missing " << where << "stream_linux.bin";
  EXPECT_EQ(test_bytes::Difference(windowsFixture, written), "") << "this build writes other bytes than stream_windows.bin";
  EXPECT_EQ(test_bytes::Difference(WithLengthPrefix(linuxFixture), windowsFixture), "")
      << "stream_windows.bin is not the length prefix followed by stream_linux.bin";

  Ptr<IDispatch> fromLinux = NewControl();
  ASSERT_TRUE(fromLinux);
  Set(fromLinux.Get(), kOther);
  ASSERT_EQ(LoadStream(fromLinux.Get(), WithLengthPrefix(linuxFixture)), S_OK) << "loading the Linux build's bytes";
  EXPECT_EQ(Read(fromLinux.Get()), Describe(kFixture)) << "values from the Linux build's bytes";
}

// IPersistStreamInit is this module's: the dirty flag, the class it reports, and the
// length prefix, which leaves a container's own data after the control's unread and
// refuses a stream shorter than it promises, keeping the control's values. GetSizeMax
// is the module smoke's (control/win32/module_smoke.cpp).
TEST(ControlPersistence, StreamInitReportsItsStateAndTheLengthPrefixBoundsWhatLoadReads) {
  Ptr<IDispatch> src = NewControl(), dst = NewControl();
  ASSERT_TRUE(src && dst);
  Set(src.Get(), kFixture);
  EXPECT_EQ(Persist(src.Get())->IsDirty(), S_OK) << "written properties make the control dirty";
  std::vector<BYTE> saved;
  ASSERT_EQ(SaveStream(src.Get(), &saved), S_OK);
  EXPECT_EQ(Persist(src.Get())->IsDirty(), S_FALSE) << "Save(fClearDirty) leaves the control clean";
  CLSID clsid = {}, registered = {};
  EXPECT_EQ(Persist(src.Get())->GetClassID(&clsid), S_OK);
  CLSIDFromProgID(qarn::kControlProgId, &registered);
  EXPECT_TRUE(IsEqualCLSID(clsid, registered)) << "GetClassID";

  Set(dst.Get(), kOther);
  std::vector<BYTE> tooShort(saved.begin(), saved.end() - 1);
  EXPECT_EQ(LoadStream(dst.Get(), tooShort), STG_E_READFAULT) << "stream shorter than its prefix";
  EXPECT_EQ(LoadStream(dst.Get(), {0x10, 0x00}), STG_E_READFAULT) << "stream shorter than the prefix itself";
  EXPECT_EQ(Read(dst.Get()), Describe(kOther)) << "after refused loads";

  std::vector<BYTE> withTrailer = saved;
  withTrailer.insert(withTrailer.end(), {0xAB, 0xCD});
  ULONG left = 0;
  ASSERT_EQ(LoadStream(dst.Get(), withTrailer, &left), S_OK);
  EXPECT_EQ(left, 2u) << "bytes of the container's data left unread after Load";
  EXPECT_EQ(Read(dst.Get()), Describe(kFixture));
  EXPECT_EQ(Persist(dst.Get())->IsDirty(), S_FALSE) << "a freshly loaded control is clean";
}

}  // namespace
