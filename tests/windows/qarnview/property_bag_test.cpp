// The editor's properties kept as text: the JSON form. The round trip through the
// registered control and the file beside a drawing is main_window_test's.
#include <gtest/gtest.h>

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

TEST(TextPropertyBag, ReadsConvertNamesReplaceAndObjectsOrMissingNamesAreRefused) {
  TextPropertyBag bag;
  Variant color(static_cast<long>(255)), again(static_cast<long>(2)), object(static_cast<IDispatch*>(nullptr));
  ASSERT_EQ(S_OK, bag.Write(L"penColor", &color.v));
  Variant asked;
  asked.v.vt = VT_UI4;  // the type the caller asks for
  ASSERT_EQ(S_OK, bag.Read(L"penColor", &asked.v, nullptr));
  EXPECT_EQ(VT_UI4, asked.v.vt);
  EXPECT_EQ(255u, asked.v.ulVal);
  Variant out;
  EXPECT_EQ(E_INVALIDARG, bag.Read(L"fillStyle", &out.v, nullptr)) << "a missing name";
  bag.Write(L"PenColor", &again.v);
  ASSERT_EQ(1u, bag.Entries().size()) << "the same name written again replaces it";
  EXPECT_EQ(L"2", bag.Entries()[0].text);
  EXPECT_EQ(E_INVALIDARG, bag.Write(L"qarnocx", &object.v)) << "objects are not kept as text";
  EXPECT_EQ(1u, bag.Entries().size());
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

}  // namespace
