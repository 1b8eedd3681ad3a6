// The host view in the container's window. The view control is hosted in place when
// it is registered; otherwise the reference host is created without a window of its
// own and this pane shows its picture and hands it the mouse, so the editor still
// works against a host.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "qarnview/app/control_site.h"
#include "qarnview/app/dispatch_client.h"
#include "qarnview/app/view_geometry.h"
#include "qarnview/drawing.h"

// The host view control.
inline constexpr const wchar_t* kViewProgId = L"QARNREF.RefView.1";
// What runs when the view control is missing: the same dispatch interface, no window.
inline constexpr const wchar_t* kFallbackHostProgId = L"QARNREF.RefHost.1";
// The view's member that takes an entity record (a long address) into its drawing.
inline constexpr const wchar_t* kViewAddRecordMember = L"addRecord";
// The view's member that puts a record in place of one it was given (index from 0).
inline constexpr const wchar_t* kViewReplaceRecordMember = L"replaceRecord";

class ViewPane {
 public:
  ViewPane() = default;
  ViewPane(const ViewPane&) = delete;
  ViewPane& operator=(const ViewPane&) = delete;
  ~ViewPane();

  // Makes the pane's window at (x, y) in `parent` and the view in it. Notes for the
  // user (such as running on the fallback host) go to `note`. "" on success.
  std::wstring Create(HWND parent, HWND frame, int x, int y, const std::function<void(const std::wstring&)>& note);
  // A fresh, empty view in place of the old one (File New and Open). The old view is
  // released only after `adopt` has been given the new one, so whoever still points at
  // the old view (the editor's qarnocx) can be moved first.
  std::wstring Recreate(const std::function<void(IDispatch*)>& adopt);
  // Deactivates and lets the view go (the window closing). Safe to call twice.
  void Close();

  HWND Window() const { return m_hwnd; }
  // The window the user's mouse reaches: the view control's own window when it is
  // hosted in place, otherwise the pane (which hands the input to the fallback host).
  HWND InputWindow() const { return !m_fallback && m_controlWindow ? m_controlWindow : m_hwnd; }
  IDispatch* HostDispatch() const { return m_host.Object(); }
  DispatchClient& Host() { return m_host; }
  bool IsFallback() const { return m_fallback; }
  // Whether the view draws records it is given (kViewAddRecordMember); otherwise the
  // pane draws the figures itself where it can.
  bool TakesRecords() { return !m_fallback && m_host.Has(kViewAddRecordMember); }
  // Hands the drawing's figures to the view in place of those it shows, each with its
  // pen colour. A view that takes records without a colour gets them plain, and the
  // pane then draws the figures in their colours over its picture. Failures go to
  // `note`; returns how many figures the view took.
  int ShowFigures(const qarnview::Drawing& drawing, const std::function<void(const std::wstring&)>& note);
  // After a saved edit: the drawing's last figure is new, or figure `index` changed.
  // Only that figure goes to the view; a view that cannot take it so is given the
  // whole drawing again.
  void FigureAdded(const qarnview::Drawing& drawing, const std::function<void(const std::wstring&)>& note);
  void FigureReplaced(const qarnview::Drawing& drawing, size_t index,
                      const std::function<void(const std::wstring&)>& note);
  const ViewTransform& Transform() const { return m_view; }
  int Width() const { return m_view.width; }
  int Height() const { return m_view.height; }

  // The figures the pane draws over the fallback host's picture, and the selected one.
  void SetFigures(const qarnview::Drawing* drawing, int selected) {
    m_drawing = drawing;
    m_selected = selected;
  }
  // Marks the record's vertices in a view that draws records itself (0: none).
  void HighlightRecord(RECORDADDR record) {
    if (TakesRecords() && m_host.Has(L"highlightRecord")) m_host.Put(L"highlightRecord", static_cast<long>(record));
  }
  // Paints the view again (the host's picture with the editor's overlay).
  void Refresh();
  // The view's picture as the user sees it, drawn into `hdc` at (0, 0).
  void PaintTo(HDC hdc);

  // Called with each left click in view pixels before the view sees it; returning true
  // keeps the click from the view (a pick for Edit or Highlight selected).
  std::function<bool(int x, int y)> onClick;
  // Called after each mouse event the view handled, so the container can refresh.
  std::function<void()> afterInput;

 private:
  static LRESULT CALLBACK PaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  std::wstring MakeView();
  void ReadViewSize();
  void ReloadPicture();
  void ForwardMouse(UINT msg, int x, int y);
  void AlignFallbackWindow();
  void ReleasePicture();
  void RestoreControlProc();
  // Hands one figure to the view: added (viewIndex < 0) or in place of the view's
  // record viewIndex. False when the view did not take it.
  bool SendFigure(const qarnview::Figure& figure, size_t number, long viewIndex,
                  const std::function<void(const std::wstring&)>& note);

  HWND m_hwnd = nullptr;
  HWND m_frame = nullptr;
  std::function<void(const std::wstring&)> m_note;
  ControlSitePtr m_site;       // the view control, when it is hosted
  HWND m_controlWindow = nullptr;
  WNDPROC m_controlProc = nullptr;
  DispatchClient m_host;       // the view's dispatch, control or fallback host
  bool m_fallback = false;
  ViewTransform m_view;
  HBITMAP m_picture = nullptr;  // the fallback host's last picture
  std::wstring m_picturePath;
  const qarnview::Drawing* m_drawing = nullptr;
  int m_selected = -1;
  bool m_paintsOverView = false;  // the view drew the figures without their colours
  bool m_colours = true;          // the view takes a pen colour with each record
  // For each figure of the drawing last shown, its record's place in the view (-1: not
  // taken), so an edited figure replaces its own record.
  std::vector<long> m_viewIndex;
  long m_viewRecords = 0;         // records the view was given since it was cleared
  bool m_leftDown = false;        // a left press reached the view and its release has not
  bool m_paneCaptured = false;    // the pane took the mouse for that press
  LPARAM m_lastPoint = 0;         // where the view last saw the pointer (client pixels)
  POINT m_lastPointer = {-1, -1};  // the last point handed to the fallback host
};
