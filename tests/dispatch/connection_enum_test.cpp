// Containers that list connection points and connections instead of asking for one.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

IConnectionPointContainer* ContainerOf(CTestCtrl* ctrl) {
  IConnectionPointContainer* container = nullptr;
  EXPECT_EQ(ctrl->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  return container;
}

}  // namespace

TEST(ConnectionEnumerators, TheControlListsItsOneEventPoint) {
  CTestCtrl* ctrl = new CTestCtrl();
  IConnectionPointContainer* container = ContainerOf(ctrl);
  IEnumConnectionPoints* points = nullptr;
  ASSERT_EQ(container->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* got[2] = {nullptr, nullptr};
  ULONG fetched = 99;
  EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE) << "fewer than asked for";
  ASSERT_EQ(fetched, 1u);
  IID iid = IID_NULL;
  got[0]->GetConnectionInterface(&iid);
  EXPECT_TRUE(iid == IID_DTestCtrlEvents) << "the point of the event interface";
  got[0]->Release();
  EXPECT_EQ(points->Next(1, got, nullptr), S_FALSE) << "at the end";
  EXPECT_EQ(points->Reset(), S_OK);
  EXPECT_EQ(points->Skip(1), S_OK);
  EXPECT_EQ(points->Skip(1), S_FALSE);
  IEnumConnectionPoints* clone = nullptr;
  ASSERT_EQ(points->Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(1, got, nullptr), S_FALSE) << "a clone starts where the original stands";
  clone->Reset();
  EXPECT_EQ(clone->Next(1, got, nullptr), S_OK);
  got[0]->Release();
  clone->Release();
  points->Release();
  container->Release();
  const ULONG left = ctrl->Release();
  EXPECT_EQ(left, 0u) << "the enumerators let go of every reference they took";
}

TEST(ConnectionEnumerators, ConnectionsAreASnapshotWithTheirCookies) {
  CTestCtrl* ctrl = new CTestCtrl();
  IConnectionPointContainer* container = ContainerOf(ctrl);
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(IID_DTestCtrlEvents, &point), S_OK);
  CRecordingDispatch first, second;
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(point->Advise(&first, &c1), S_OK);
  ASSERT_EQ(point->Advise(&second, &c2), S_OK);
  IEnumConnections* connections = nullptr;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  point->Unadvise(c1);  // after the snapshot: still listed
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, c1);
  EXPECT_EQ(data[1].dwCookie, c2);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  connections->Release();
  point->Unadvise(c2);
  point->Release();
  container->Release();
  ctrl->Release();
}
