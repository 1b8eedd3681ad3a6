#include "sited_view.h"

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::string SitedViewControl::OpenSitedView(const wchar_t* className, const wchar_t* title, const RECT& position) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = className;
  RegisterClassW(&wc);  // already there from an earlier test: fine
  RECT frame{0, 0, position.right + 12, position.bottom + 8};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  container = CreateWindowW(className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
  if (!container) return "no container window";
  ShowWindow(container, SW_SHOW);
  UpdateWindow(container);
  site = std::make_unique<container::Site>(container);
  site->posRect = position;

  HRESULT hr;
  view = client::Create(kViewProgId, &hr);
  if (!view) return "CoCreateInstance(QARNREF.RefView.1): " + client::Hr(hr);
  // A menu or message box must not wait for a user who is not there.
  hr = client::PutByName(view.Get(), "messageBoxAnswer", client::Variant::I4(IDOK)).hr;
  if (FAILED(hr)) return "messageBoxAnswer: " + client::Hr(hr);
  object = view.As<IOleObject>(IID_IOleObject);
  if (!object) return "no IOleObject";
  hr = object->SetClientSite(site.get());
  if (FAILED(hr)) return "SetClientSite: " + client::Hr(hr);
  RECT at = position;
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, container, &at);
  if (hr != S_OK) return "in-place activation: " + client::Hr(hr);
  inPlace = view.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
  if (!inPlace) return "no IOleInPlaceObject";
  hr = inPlace->GetWindow(&viewWindow);
  if (hr != S_OK) return "no window after in-place activation: " + client::Hr(hr);
  return "";
}

void SitedViewControl::CloseSitedView() {
  if (inPlace) inPlace->InPlaceDeactivate();
  if (object) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  inPlace.Reset();
  object.Reset();
  view.Reset();
  if (container) DestroyWindow(container);
  container = nullptr;
  viewWindow = nullptr;
  PumpMessages();
}
