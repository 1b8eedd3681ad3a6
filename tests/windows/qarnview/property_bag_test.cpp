// The editor's properties kept as text: the JSON form, and a round trip through the
// registered control's IPersistPropertyBag.
#include <gtest/gtest.h>

#include <ocidl.h>

#include "qarnview/app/dispatch_client.h"
#include "qarnview/app/property_bag.h"

namespace {

TEST(TextPropertyBag, WrittenValuesReadBackWithTheirTypes) {
  TextPropertyBag bag;
  Variant color(static_cast<long>(0x00FF8000));
  Variant style;
  style.v.vt = VT_I2;
  style.v.iVal = -3;
  Variant format(L"L=%.2f m");
  ASSERT_EQ(S_OK, bag.Write(L"penColor", &color.v));
  ASSERT_EQ(S_OK, bag.Write(L"fillStyle", &style.v));
  ASSERT_EQ(S_OK, bag.Write(L"formatPolylineParams", &format.v));

  TextPropertyBag copy;
  ASSERT_EQ("", copy.FromJson(bag.ToJson()));
  Variant out;
  ASSERT_EQ(S_OK, copy.Read(L"penColor", &out.v, nullptr));
  EXPECT_EQ(VT_I4, out.v.vt);
  EXPECT_EQ(0x00FF8000, out.v.lVal);
  Variant shortOut;
  ASSERT_EQ(S_OK, copy.Read(L"FILLSTYLE", &shortOut.v, nullptr));  // names are not case-sensitive
  EXPECT_EQ(VT_I2, shortOut.v.vt);
  EXPECT_EQ(-3, shortOut.v.iVal);
  Variant text;
  ASSERT_EQ(S_OK, copy.Read(L"formatPolylineParams", &text.v, nullptr));
  EXPECT_EQ(L"L=%.2f m", text.AsText());
}

TEST(TextPropertyBag, ReadConvertsToTheTypeTheCallerAsksFor) {
  TextPropertyBag bag;
  Variant color(static_cast<long>(255));
  ASSERT_EQ(S_OK, bag.Write(L"penColor", &color.v));
  Variant asked;
  asked.v.vt = VT_UI4;
  ASSERT_EQ(S_OK, bag.Read(L"penColor", &asked.v, nullptr));
  EXPECT_EQ(VT_UI4, asked.v.vt);
  EXPECT_EQ(255u, asked.v.ulVal);
}

TEST(TextPropertyBag, AMissingNameIsInvalidArgument) {
  TextPropertyBag bag;
  Variant out;
  EXPECT_EQ(E_INVALIDARG, bag.Read(L"penColor", &out.v, nullptr));
}

TEST(TextPropertyBag, WritingTheSameNameAgainReplacesIt) {
  TextPropertyBag bag;
  Variant a(static_cast<long>(1)), b(static_cast<long>(2));
  bag.Write(L"penColor", &a.v);
  bag.Write(L"PenColor", &b.v);
  ASSERT_EQ(1u, bag.Entries().size());
  EXPECT_EQ(L"2", bag.Entries()[0].text);
}

TEST(TextPropertyBag, ObjectsAreNotKeptAsText) {
  TextPropertyBag bag;
  Variant object(static_cast<IDispatch*>(nullptr));
  EXPECT_EQ(E_INVALIDARG, bag.Write(L"qarnocx", &object.v));
  EXPECT_TRUE(bag.Entries().empty());
}

TEST(TextPropertyBag, BadJsonIsRefusedAndLeavesTheEntries) {
  TextPropertyBag bag;
  Variant color(static_cast<long>(7));
  bag.Write(L"penColor", &color.v);
  const char* bad[] = {
      "not json",
      "[1, 2]",
      "{\"other\": {}}",
      "{\"qarnedit\": {\"penColor\": 5}}",
      "{\"qarnedit\": {\"penColor\": {\"type\": 3}}}",
      "{\"qarnedit\": {\"penColor\": {\"type\": -1, \"value\": \"1\"}}}",
      "{\"qarnedit\": {\"penColor\": {\"type\": 9, \"value\": \"1\"}}}",  // VT_DISPATCH
      "{\"qarnedit\": {\"penColor\": {\"type\": 3, \"value\": 1}}}",
  };
  for (const char* json : bad) {
    EXPECT_NE("", bag.FromJson(json)) << json;
    ASSERT_EQ(1u, bag.Entries().size()) << json;
    EXPECT_EQ(L"7", bag.Entries()[0].text) << json;
  }
}

TEST(PropertiesPathFor, SitsBesideTheDrawing) {
  EXPECT_EQ(std::filesystem::path("C:/d/plan.geojson.props.json"), PropertiesPathFor("C:/d/plan.geojson"));
}

// The registered editor control, created as a container creates it.
IUnknown* CreateEditor() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"QARNEDIT.QarneditCtrl.1", &clsid))) return nullptr;
  IUnknown* object = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object));
  return object;
}

TEST(TextPropertyBag, CarriesTheEditorsPropertiesToANewControlThroughTheFile) {
  IUnknown* first = CreateEditor();
  if (!first) GTEST_SKIP() << "QARNEDIT.OCX is not registered";
  IDispatch* firstDispatch = nullptr;
  ASSERT_EQ(S_OK, first->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&firstDispatch)));
  DispatchClient editor(firstDispatch);
  firstDispatch->Release();
  ASSERT_EQ(S_OK, editor.Put(L"penColor", static_cast<long>(0x0000FF00)));
  ASSERT_EQ(S_OK, editor.Put(L"fillStyle", 4));
  ASSERT_EQ(S_OK, editor.Put(L"FormatPolylineParams", L"length %.1f"));
  ASSERT_EQ(S_OK, editor.Put(L"NoSnapKey", 17));

  TextPropertyBag saved;
  IPersistPropertyBag* persist = nullptr;
  ASSERT_EQ(S_OK, first->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)));
  ASSERT_EQ(S_OK, persist->Save(&saved, FALSE, TRUE));
  persist->Release();
  first->Release();

  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::filesystem::path file = std::filesystem::path(folder) / "qarnview-props-test.props.json";
  ASSERT_EQ("", saved.SaveFile(file));
  TextPropertyBag loaded;
  ASSERT_EQ("", loaded.LoadFile(file));
  std::filesystem::remove(file);

  IUnknown* second = CreateEditor();
  ASSERT_NE(nullptr, second);
  IPersistPropertyBag* persist2 = nullptr;
  ASSERT_EQ(S_OK, second->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist2)));
  ASSERT_EQ(S_OK, persist2->Load(&loaded, nullptr));
  persist2->Release();
  IDispatch* secondDispatch = nullptr;
  ASSERT_EQ(S_OK, second->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&secondDispatch)));
  DispatchClient copy(secondDispatch);
  secondDispatch->Release();
  second->Release();
  Variant pen, fill, format, key;
  ASSERT_EQ(S_OK, copy.Get(L"penColor", pen));
  ASSERT_EQ(S_OK, copy.Get(L"fillStyle", fill));
  ASSERT_EQ(S_OK, copy.Get(L"FormatPolylineParams", format));
  ASSERT_EQ(S_OK, copy.Get(L"NoSnapKey", key));
  EXPECT_EQ(0x0000FF00, pen.AsLong());
  EXPECT_EQ(4, fill.AsLong());
  EXPECT_EQ(L"length %.1f", format.AsText());
  EXPECT_EQ(17, key.AsLong());
}

}  // namespace
