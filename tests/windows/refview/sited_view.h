// The view control sited in place in a container window of the test's own: what the
// view tests and the end-to-end tests both start from, and how they leave.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "../control/com_client.h"
#include "../control/test_container.h"

// The view control, and where both its tests site it: a 640 x 480 view.
inline constexpr wchar_t kViewProgId[] = L"QARNREF.RefView.1";
inline constexpr int kViewWidth = 640, kViewHeight = 480;
inline constexpr RECT kSitePosition{12, 8, 12 + kViewWidth, 8 + kViewHeight};

class SitedViewControl {
 public:
  // Shows a container window (window class className, caption title) big enough for
  // position, creates the view control with message boxes answered OK, and activates it
  // in place at position. Empty on success, else what failed.
  std::string OpenSitedView(const wchar_t* className, const wchar_t* title, const RECT& position);
  // Deactivates and closes the view, lets it go and destroys the container window.
  void CloseSitedView();

  HWND container = nullptr;
  std::unique_ptr<container::Site> site;  // its posRect is the position given
  client::Ptr<IDispatch> view;
  client::Ptr<IOleObject> object;
  client::Ptr<IOleInPlaceObject> inPlace;
  HWND viewWindow = nullptr;
};

// Dispatches every waiting message.
void PumpMessages();
