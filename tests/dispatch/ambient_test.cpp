// The container's ambient BackColor, ForeColor and Font, answered by its site's
// IDispatch, stand in for the control's stock properties until the control has its own.
#include <gtest/gtest.h>

#include <map>

#include "tests/dispatch/test_support.h"

namespace {

// A site answering property gets of the ambients it holds; others are unknown.
struct AmbientSite {
  CRecordingDispatch* disp = new CRecordingDispatch();
  std::map<DISPID, CQarnVariant> values;
  AmbientSite() {
    disp->action = [this](DISPID id, DISPPARAMS*, VARIANT* result) -> HRESULT {
      auto it = values.find(id);
      if (it == values.end()) return DISP_E_MEMBERNOTFOUND;
      return VariantCopy(result, &it->second);
    };
  }
  ~AmbientSite() { disp->Release(); }
};

CQarnVariant FontVariant(const char* name, LONGLONG cy, short weight) {
  QarnFontDesc d;
  d.name = name;
  d.cySize.int64 = cy;
  d.sWeight = weight;
  auto* font = new CQarnFontObject(d);
  CQarnVariant v;
  v.vt = VT_DISPATCH;
  v.pdispVal = font->GetIDispatch(FALSE);  // the variant owns the creation reference
  return v;
}

TEST(AmbientProperties, ColoursFollowTheContainerUntilTheControlsOwnArePut) {
  CtrlPtr c;
  AmbientSite site;
  site.values[DISPID_AMBIENT_BACKCOLOR] = VI4(0x00800000);
  site.values[DISPID_AMBIENT_FORECOLOR] = VI2(0x00FF);  // any type converting to a colour
  EXPECT_EQ(c->GetBackColor(), 0x80000005u) << "no site yet: the stock default";
  c->QarnSetAmbientDispatch(site.disp);
  EXPECT_EQ(c->GetBackColor(), 0x00800000u);
  EXPECT_EQ(c->GetForeColor(), 0x000000FFu);
  EXPECT_FALSE(c->IsStockPropertySet(STOCKPROP_BACKCOLOR));

  // Through dispatch, as a container's property sheet puts it.
  CQarnVariant out;
  EXPECT_FALSE(c->IsModified());
  ASSERT_EQ(CallInvoke(c.p, DISPID_BACKCOLOR, DISPATCH_PROPERTYPUT, {VI4(0x00112233)}, nullptr), S_OK);
  EXPECT_TRUE(c->IsModified()) << "a stock property put marks the control modified";
  ASSERT_EQ(CallInvoke(c.p, DISPID_BACKCOLOR, DISPATCH_PROPERTYGET, {}, &out), S_OK);
  EXPECT_EQ(static_cast<ULONG>(out.lVal), 0x00112233u) << "the control's own colour wins";
  EXPECT_EQ(c->GetForeColor(), 0x000000FFu) << "ForeColor still follows the container";

  // The container changes its mind: only what the control has not set follows.
  site.values[DISPID_AMBIENT_FORECOLOR] = VI4(0x0000FF00);
  site.values[DISPID_AMBIENT_BACKCOLOR] = VI4(0x00FFFFFF);
  EXPECT_EQ(c->GetForeColor(), 0x0000FF00u);
  EXPECT_EQ(c->GetBackColor(), 0x00112233u);

  // A site without these ambients, and no site at all, give the stock defaults.
  site.values.clear();
  EXPECT_EQ(c->GetForeColor(), 0x80000008u);
  c->QarnSetAmbientDispatch(nullptr);
  EXPECT_EQ(site.disp->refs, 1u) << "the control let go of the site";
  EXPECT_EQ(c->GetForeColor(), 0x80000008u);
}

TEST(AmbientProperties, FontFollowsTheContainerUntilOneIsSet) {
  CtrlPtr c;
  AmbientSite site;
  site.values[DISPID_AMBIENT_FONT] = FontVariant("DejaVu Sans", 200000, 700);
  c->QarnSetAmbientDispatch(site.disp);
  QarnStockFontInfo info = c->GetStockFontInfo();
  EXPECT_EQ(info.faceName, "DejaVu Sans");
  EXPECT_EQ(info.lfHeight, -27) << "20 pt at 96 DPI";
  EXPECT_EQ(info.lfWeight, 700);

  // Reading the Font shows the container's; changing it through that object makes it the control's.
  IDispatch* font = c->GetFont();
  COleDispatchDriver f(font);
  CString name;
  f.GetProperty(DISPID_FONT_NAME, VT_BSTR, &name);
  EXPECT_EQ(name, "DejaVu Sans");
  f.SetProperty(DISPID_FONT_SIZE, VT_R8, 10.0);
  site.values[DISPID_AMBIENT_FONT] = FontVariant("Other", 90000, 400);
  EXPECT_EQ(c->GetStockFontInfo().faceName, "DejaVu Sans") << "set through the Font object";
  EXPECT_EQ(c->GetStockFontInfo().lfHeight, -13);

  // Putting no font gives the control back to the container's.
  c->SetFont(nullptr);
  EXPECT_EQ(c->GetStockFontInfo().faceName, "Other");
}

TEST(AmbientProperties, UnsetValuesPersistAsDefaultsAndKeepFollowingAfterALoad) {
  AmbientSite site;
  site.values[DISPID_AMBIENT_BACKCOLOR] = VI4(0x00800000);
  site.values[DISPID_AMBIENT_FORECOLOR] = VI4(0x00008000);
  site.values[DISPID_AMBIENT_FONT] = FontVariant("DejaVu Sans", 200000, 700);
  CtrlPtr plain, following;
  following->QarnSetAmbientDispatch(site.disp);
  IDispatch* shown = following->GetFont();  // the Font object now shows the container's font
  shown->Release();
  std::vector<BYTE> a, b;
  ASSERT_EQ(QarnSaveToStream(plain.p, a), S_OK);
  ASSERT_EQ(QarnSaveToStream(following.p, b), S_OK);
  EXPECT_EQ(a, b) << "the container's values are not the control's to save";

  CtrlPtr loaded;
  loaded->QarnSetAmbientDispatch(site.disp);
  ASSERT_EQ(QarnLoadFromStream(loaded.p, b.data(), b.size()), S_OK);
  EXPECT_EQ(loaded->GetBackColor(), 0x00800000u) << "defaults in the data leave the container in charge";

  CtrlPtr own;
  own->SetBackColor(0x00010203);
  own->SetForeColor(0x00040506);
  std::vector<BYTE> c;
  ASSERT_EQ(QarnSaveToStream(own.p, c), S_OK);
  ASSERT_EQ(QarnLoadFromStream(loaded.p, c.data(), c.size()), S_OK);
  EXPECT_EQ(loaded->GetBackColor(), 0x00010203u) << "a colour of its own, loaded, stays the control's";
  EXPECT_TRUE(loaded->IsStockPropertySet(STOCKPROP_BACKCOLOR));
  EXPECT_EQ(loaded->GetForeColor(), 0x00040506u);
  EXPECT_FALSE(loaded->IsStockPropertySet(STOCKPROP_FONT));
}

}  // namespace
