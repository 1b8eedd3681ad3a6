// qarnview's main window: the host view, the editor control as the status line, the
// command buttons, the event list and the drawing kept as a GeoJSON file.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "qarnview/app/control_site.h"
#include "qarnview/app/dispatch_client.h"
#include "qarnview/app/event_sink.h"
#include "qarnview/app/view_pane.h"
#include "qarnview/drawing.h"

inline constexpr const wchar_t* kEditorProgId = L"QARNEDIT.QarneditCtrl.1";

// WM_COMMAND ids of the buttons and the File menu.
enum MainCommand : int {
  kPolyline = 100, kPolygon, kPoint, kEditSelected, kHighlightSelected, kSaveEdit, kAbortEdit, k3D, kPenColor,
  kStringFile, kUndo, kRedo, kFileNew = 200, kFileOpen, kFileSave, kFileSaveAs, kFileExit,
};

class MainWindow {
 public:
  MainWindow() = default;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Makes the window, the view and the editor. "" on success; otherwise the reason.
  std::wstring Create(int showCommand);
  HWND Window() const { return m_hwnd; }
  HWND ViewWindow() const { return m_view.Window(); }
  // Where the view's mouse input arrives (the view control's window when it is hosted).
  HWND ViewInputWindow() const { return m_view.InputWindow(); }
  // The view's dispatch (the control, or the fallback host) and whether it is the fallback.
  IDispatch* ViewDispatch() const { return m_view.HostDispatch(); }
  bool ViewIsFallback() const { return m_view.IsFallback(); }
  // The editor control's dispatch; null when it could not be made or has been let go.
  IDispatch* EditorDispatch() const { return m_editor.Object(); }

  // Each line of the event pane as it is added (it outlives the window, for callers
  // that look at what happened while it closed).
  std::function<void(const std::wstring&)> onLog;

  // Replaces the drawing by the file's (with the editor's saved properties beside it).
  // "" on success; otherwise the message, and the current drawing stays.
  std::wstring OpenFile(const std::filesystem::path& path);
  std::wstring SaveFile(const std::filesystem::path& path);
  // Writes the view's picture as a 24-bit BMP.
  std::string SaveViewPicture(const std::filesystem::path& path);

  // Enter, Escape, Ctrl+Z (undo) and Ctrl+Y (redo) reach the window whichever child
  // has the focus.
  bool TranslateKey(const MSG& msg);

 private:
  enum class Pick { kNone, kEdit, kHighlight };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StatusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id);
  void Layout();
  void CreateEditor();
  void ConnectEditorToView(IDispatch* view);
  void Log(const std::wstring& line);
  void LogFailure(const wchar_t* what);
  bool Editing();

  void StartDrawing(const wchar_t* method);
  void SaveEdit();
  void AbortEdit();
  // undo or redo in the running edit; then the buttons follow the editor.
  void UndoOrRedo(bool redo);
  // Grays Undo and Redo by the editor's canUndo and canRedo.
  void UpdateUndoButtons();
  bool PickAt(int x, int y);
  void OnEditDone();
  void OnEditEnded();
  void ChoosePenColor();
  void ChooseStringFile();
  void NewDrawing();
  void OpenDrawing();
  void SaveDrawingAs(bool ask);
  void ShowDrawing();
  void UpdateTitle();
  // Ends an edit still running (EditAborted, the host's state given back) and lets the
  // controls go, the editor before the view it points at. Safe to call twice.
  void Shutdown();

  HWND m_hwnd = nullptr;
  HWND m_list = nullptr;
  HWND m_status = nullptr;
  HWND m_button3D = nullptr;
  HWND m_buttonUndo = nullptr;
  HWND m_buttonRedo = nullptr;
  ViewPane m_view;
  ControlSitePtr m_editorSite;
  DispatchClient m_editor;
  EditorEventSink* m_sink = nullptr;

  qarnview::Drawing m_drawing;
  std::filesystem::path m_path;
  bool m_modified = false;
  int m_editingIndex = -1;      // the figure editNTT is changing, -1 for a new one
  RECORDADDR m_editRecord = 0;  // its record, kept until the edit ends
  int m_selected = -1;
  Pick m_pick = Pick::kNone;
  bool m_3d = false;
  bool m_shutDown = false;
};
