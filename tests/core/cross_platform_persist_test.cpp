// The control's saved stream is one format on both builds: the Linux build must keep
// writing the committed bytes, and must read what the Windows module wrote (its
// IPersistStreamInit stream: a 32-bit byte count, then the same property bytes).
//
// QARN_WRITE_FIXTURES=1 rewrites tests/windows/data/stream_linux.bin; the Windows
// runtime test writes stream_windows.bin the same way.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/byte_difference.h"
#include "control/qarnedit_ctrl.h"
#include "editcore/measure_format.h"
#include "platform/prop_exchange.h"

namespace {

struct Values {
  OLE_COLOR penColor;
  short noSnapKey;
  short noPolarKey;
  short fillStyle;
  std::string polyline;
  std::string polygon;
};

// The values the fixtures hold; the Windows runtime test uses the same ones.
const Values kFixture = {0x00123456, 16, 17, -2, "L=%.2f m", "A=%.1f m\xC2\xB2 (\xC3\xBC)"};
const Values kOther = {0x0000FF00, 91, 93, 5, "other polyline", "other polygon"};

std::string Describe(const Values& v) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "penColor=0x%08X NoSnapKey=%d NoPolarKey=%d fillStyle=%d ",
                static_cast<unsigned>(v.penColor), v.noSnapKey, v.noPolarKey, v.fillStyle);
  return buf + ("polyline=\"" + v.polyline + "\" polygon=\"" + v.polygon + "\"");
}

std::string Describe(const CQarneditCtrl& c) {
  return Describe(Values{c.m_penColor, c.m_noSnapKey, c.m_noPolarKey, c.m_fillStyle, c.m_formatPolylineParams.str(),
                         c.m_formatPolygonParams.str()});
}

void Set(CQarneditCtrl& c, const Values& v) {
  c.m_penColor = v.penColor;
  c.m_noSnapKey = v.noSnapKey;
  c.m_noPolarKey = v.noPolarKey;
  c.m_fillStyle = v.fillStyle;
  c.m_formatPolylineParams = CString(v.polyline.c_str());
  c.m_formatPolygonParams = CString(v.polygon.c_str());
}

std::filesystem::path DataDir() {
  if (const char* dir = std::getenv("QARN_TEST_DATA_DIR")) return dir;
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "windows" / "data";
}

using test_bytes::Difference;

// Owns one control, as its container would.
struct Control {
  Control() {
    QarneditModuleInit();
    p = new CQarneditCtrl();
  }
  ~Control() { p->Release(); }
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  CQarneditCtrl* p;
};

TEST(CrossPlatformPersist, LinuxBuildWritesTheCommittedBytes) {
  Control ctl;
  Set(*ctl.p, kFixture);
  std::vector<BYTE> written;
  ASSERT_EQ(QarnSaveToStream(ctl.p, written, FALSE), S_OK);
  const std::filesystem::path file = DataDir() / "stream_linux.bin";
  if (std::getenv("QARN_WRITE_FIXTURES")) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(written.data()), static_cast<std::streamsize>(written.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << file;
  }
  std::ifstream in(file, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << file << " (set QARN_TEST_DATA_DIR?)";
  const std::vector<BYTE> committed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Difference(committed, written), "") << "the saved stream is no longer the committed one";

  // The committed bytes load back into the same values.
  Control back;
  Set(*back.p, kOther);
  ASSERT_EQ(QarnLoadFromStream(back.p, committed.data(), committed.size()), S_OK);
  EXPECT_EQ(Describe(*back.p), Describe(kFixture));
}

}  // namespace

TEST(ControlPersist, OutOfRangeValuesTakeTheirDefaultsFromStreamsAndBagsAlike) {
  const std::string longFormat(kMaxMeasureFormat + 1, 'x');
  const Values spoiled = {0x7F000000, 300, -1, 9, longFormat, longFormat};
  const Values expected = {255, 0, 0, 9, "", ""};
  Control src, fromStream, fromBag;
  Set(*src.p, spoiled);
  std::vector<BYTE> bytes;
  QarnSaveToStream(src.p, bytes);
  CQarnPropertyBag bag;
  QarnSaveToBag(src.p, bag);
  ASSERT_EQ(QarnLoadFromStream(fromStream.p, bytes.data(), bytes.size()), S_OK);
  QarnLoadFromBag(fromBag.p, bag);
  EXPECT_EQ(Describe(*fromStream.p), Describe(expected)) << "from a stream";
  EXPECT_EQ(Describe(*fromBag.p), Describe(expected)) << "from a property bag";
  // The longest format honoured still loads.
  Set(*src.p, Values{255, 255, 0, 0, std::string(kMaxMeasureFormat, 'y'), ""});
  QarnSaveToStream(src.p, bytes);
  ASSERT_EQ(QarnLoadFromStream(fromStream.p, bytes.data(), bytes.size()), S_OK);
  EXPECT_EQ(fromStream.p->m_formatPolylineParams.GetLength(), static_cast<int>(kMaxMeasureFormat));
  EXPECT_EQ(fromStream.p->m_noSnapKey, 255);
}

TEST(ControlPersist, TheControlCountsItsOneTypeInfo) {
  Control c;
  UINT count = 0;
  ASSERT_EQ(c.p->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(&count);
  EXPECT_EQ(c.p->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
}

// A container asks IsDirty before it saves: every property put marks the control
// modified, also the two that are not saved (the host and the string file).
TEST(ControlPersist, EveryPropertyPutMarksTheControlModified) {
  Control c;
  IDispatch* disp = c.p->GetIDispatch(FALSE);
  CQarnVariant number, text, host;
  number.vt = VT_I4;
  number.lVal = 3;
  text.vt = VT_BSTR;
  text.bstrVal = QarnBstrFromUtf8("x");
  host.vt = VT_DISPATCH;
  host.pdispVal = disp;  // any dispatch will do: the control keeps it without a reference
  disp->AddRef();        // the variant's own
  const std::pair<DISPID, CQarnVariant*> puts[] = {
      {QEDISPID_PENCOLOR, &number}, {QEDISPID_QARNOCX, &host},           {QEDISPID_STRINGFILE, &text},
      {QEDISPID_NOSNAPKEY, &number}, {QEDISPID_FILLSTYLE, &number},       {QEDISPID_FORMATPOLYLINEPARAMS, &text},
      {QEDISPID_NOPOLARKEY, &number}, {QEDISPID_FORMATPOLYGONPARAMS, &text}};
  for (const auto& [id, value] : puts) {
    ASSERT_EQ(QarnInitNew(c.p), S_OK);
    ASSERT_FALSE(c.p->IsModified()) << id;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &named, 1, 1};
    ASSERT_EQ(disp->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK) << id;
    EXPECT_TRUE(c.p->IsModified()) << "dispid " << id;
  }
  c.p->SetQarnocx(nullptr);
}
