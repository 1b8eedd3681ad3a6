#include "qarnview/app/main_window.h"

#include <commdlg.h>
#include <ocidl.h>

#include <cmath>
#include <cstdio>

#include "qarnview/app/bmp_file.h"
#include "qarnview/app/property_bag.h"
#include "qarnview/figure_records.h"
#include "qarnview/geojson_drawing.h"

namespace {

const wchar_t kMainClass[] = L"QarnviewMain";
const wchar_t kStatusClass[] = L"QarnviewStatusLine";

struct ButtonSpec {
  int id;
  const wchar_t* text;
  int width;
};
const ButtonSpec kButtons[] = {
    {kPolyline, L"Polyline", 64},  {kPolygon, L"Polygon", 64},          {kPoint, L"Point", 48},
    {kEditSelected, L"Edit selected", 92}, {kHighlightSelected, L"Highlight selected", 118},
    {kSaveEdit, L"Save", 48},      {kAbortEdit, L"Abort", 48},          {k3D, L"3D", 36},
    {kPenColor, L"Pen colour...", 88}, {kStringFile, L"String file...", 88},
    {kUndo, L"Undo", 48},          {kRedo, L"Redo", 48},
};

constexpr int kMargin = 4;
constexpr int kToolbarHeight = 30;
constexpr int kListWidth = 300;
constexpr int kStatusHeight = 26;
constexpr int kMaxEvents = 500;  // Snap arrives with every move; old lines go

std::wstring Wide(const std::string& text) {
  std::wstring out;
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  out.resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring Number(double value) {
  wchar_t text[64];
  std::swprintf(text, 64, L"%.6g", value);
  return text;
}

HFONT UiFont() {
  static HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  return font;
}

}  // namespace

MainWindow::~MainWindow() { Shutdown(); }

void MainWindow::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  m_pick = Pick::kNone;
  // Aborted while the windows and the event sink are still there, so the container
  // hears EditAborted and the host has its pointer and state back before anything goes.
  if (m_hwnd && IsWindow(m_hwnd) && Editing()) AbortEdit();
  if (m_sink) {
    m_sink->Disconnect();
    m_sink->Release();
    m_sink = nullptr;
  }
  m_editor.Reset();
  m_editorSite.Reset();
  m_view.Close();
  if (m_editRecord) qarnview::ReleaseRecord(m_editRecord);
  m_editRecord = 0;
  m_editingIndex = -1;
}

std::wstring MainWindow::Create(int showCommand) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  RegisterClassW(&wc);
  WNDCLASSW status = {};
  status.lpfnWndProc = &StatusProc;
  status.hInstance = instance;
  status.hCursor = LoadCursor(nullptr, IDC_ARROW);
  status.lpszClassName = kStatusClass;
  RegisterClassW(&status);

  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kFileNew, L"&New");
  AppendMenuW(file, MF_STRING, kFileOpen, L"&Open...");
  AppendMenuW(file, MF_STRING, kFileSave, L"&Save");
  AppendMenuW(file, MF_STRING, kFileSaveAs, L"Save &As...");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kFileExit, L"E&xit");
  HMENU menu = CreateMenu();
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");

  m_hwnd = CreateWindowExW(0, kMainClass, L"qarnview", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, 1000, 640, nullptr, menu, instance, this);
  if (!m_hwnd) return L"the main window could not be made";

  int x = kMargin;
  for (const ButtonSpec& b : kButtons) {
    DWORD style = WS_CHILD | WS_VISIBLE | (b.id == k3D ? BS_AUTOCHECKBOX | BS_PUSHLIKE : BS_PUSHBUTTON);
    HWND button = CreateWindowExW(0, L"BUTTON", b.text, style, x, kMargin, b.width, kToolbarHeight - 6, m_hwnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
    if (b.id == k3D) m_button3D = button;
    if (b.id == kUndo) m_buttonUndo = button;
    if (b.id == kRedo) m_buttonRedo = button;
    x += b.width + 2;
  }
  m_list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
                           0, 0, kListWidth, 100, m_hwnd, nullptr, instance, nullptr);
  SendMessageW(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), TRUE);
  m_status = CreateWindowExW(WS_EX_CLIENTEDGE, kStatusClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, kStatusHeight,
                             m_hwnd, nullptr, instance, nullptr);
  SetWindowLongPtrW(m_status, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  std::wstring error = m_view.Create(m_hwnd, m_hwnd, kMargin, kToolbarHeight + kMargin,
                                     [this](const std::wstring& note) { Log(note); });
  if (!error.empty()) return error;
  m_view.onClick = [this](int px, int py) { return PickAt(px, py); };
  m_view.afterInput = [this] {
    if (m_status) InvalidateRect(m_status, nullptr, FALSE);
    // A drag's end changes the figure without an event.
    UpdateUndoButtons();
  };
  m_view.SetFigures(&m_drawing, -1);
  CreateEditor();
  UpdateUndoButtons();
  Layout();
  UpdateTitle();
  ShowWindow(m_hwnd, showCommand);
  UpdateWindow(m_hwnd);
  m_view.Refresh();
  return L"";
}

void MainWindow::CreateEditor() {
  RECT client;
  GetClientRect(m_status, &client);
  m_editorSite.Reset(new ControlSite(m_status, m_hwnd, Ambients{}));
  std::wstring error = m_editorSite->Create(kEditorProgId, client);
  if (!error.empty()) {
    Log(L"Editor control " + std::wstring(kEditorProgId) + L" unavailable: " + error);
    m_editorSite.Reset();
    return;
  }
  m_editor.Reset(m_editorSite->Dispatch());
  EditorEvents events;
  events.editDone = [this] {
    Log(L"EditDone");
    OnEditDone();
    UpdateUndoButtons();
  };
  events.editAborted = [this] {
    Log(L"EditAborted");
    OnEditEnded();
    UpdateUndoButtons();
  };
  events.snap = [this](double& sx, double& sy) { Log(L"Snap (" + Number(sx) + L", " + Number(sy) + L")"); };
  events.captionChanged = [this](const std::wstring& caption) {
    Log(L"CaptionChanged \"" + caption + L"\"");
    InvalidateRect(m_status, nullptr, TRUE);
    UpdateUndoButtons();
  };
  m_sink = new EditorEventSink(std::move(events));
  error = m_sink->Connect(m_editorSite->Control());
  if (!error.empty()) Log(L"Editor events: " + error);
  ConnectEditorToView(m_view.HostDispatch());
}

void MainWindow::ConnectEditorToView(IDispatch* view) {
  if (!m_editor || !view) return;
  if (FAILED(m_editor.PutObject(L"qarnocx", view))) LogFailure(L"qarnocx");
}

void MainWindow::Layout() {
  RECT client;
  GetClientRect(m_hwnd, &client);
  int viewRight = kMargin + m_view.Width() + 4;
  int viewBottom = kToolbarHeight + kMargin + m_view.Height() + 4;
  int listLeft = viewRight + kMargin;
  int statusTop = std::max<int>(viewBottom + kMargin, client.bottom - kMargin - kStatusHeight);
  MoveWindow(m_list, listLeft, kToolbarHeight + kMargin, std::max<int>(120, client.right - kMargin - listLeft),
             statusTop - kMargin - kToolbarHeight - kMargin, TRUE);
  MoveWindow(m_status, kMargin, statusTop, std::max<int>(100, client.right - 2 * kMargin), kStatusHeight, TRUE);
  if (m_editorSite) {
    RECT strip;
    GetClientRect(m_status, &strip);
    m_editorSite->SetRect(strip);
  }
}

void MainWindow::Log(const std::wstring& line) {
  if (onLog) onLog(line);
  if (!m_list || !IsWindow(m_list)) return;
  if (SendMessageW(m_list, LB_GETCOUNT, 0, 0) >= kMaxEvents) SendMessageW(m_list, LB_DELETESTRING, 0, 0);
  LRESULT at = SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(m_list, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
}

void MainWindow::LogFailure(const wchar_t* what) {
  std::wstring reason = m_editor.LastError();
  Log(std::wstring(what) + L": " + (reason.empty() ? L"failed" : reason));
}

bool MainWindow::Editing() {
  Variant editing;
  return m_editor && SUCCEEDED(m_editor.Call(L"isEditing", {}, &editing)) && editing.AsBool();
}

void MainWindow::StartDrawing(const wchar_t* method) {
  if (!m_editor) return;
  m_pick = Pick::kNone;
  if (FAILED(m_editor.Call(method))) LogFailure(method);
  m_view.Refresh();
  SetFocus(m_view.InputWindow());
}

void MainWindow::SaveEdit() {
  if (!m_editor) return;
  Variant canSave;
  if (FAILED(m_editor.Call(L"canSaveNow", {}, &canSave)) || !canSave.AsBool()) {
    Log(L"Nothing to save yet");
    return;
  }
  Variant saved;
  if (FAILED(m_editor.Call(L"saveEdit", {}, &saved))) LogFailure(L"saveEdit");
  m_view.Refresh();
}

void MainWindow::AbortEdit() {
  if (!m_editor) return;
  m_pick = Pick::kNone;
  if (FAILED(m_editor.Call(L"abortEdit"))) LogFailure(L"abortEdit");
  m_view.Refresh();
}

void MainWindow::UndoOrRedo(bool redo) {
  if (!m_editor) return;
  const wchar_t* method = redo ? L"redo" : L"undo";
  Variant done;
  if (FAILED(m_editor.Call(method, {}, &done)))
    LogFailure(method);
  else
    Log(done.AsBool() ? (redo ? L"Redo" : L"Undo") : (redo ? L"Nothing to redo" : L"Nothing to undo"));
  m_view.Refresh();
  InvalidateRect(m_status, nullptr, FALSE);
  UpdateUndoButtons();
}

void MainWindow::UpdateUndoButtons() {
  auto flag = [this](const wchar_t* name) {
    Variant value;
    return m_editor && SUCCEEDED(m_editor.Get(name, value)) && value.AsBool();
  };
  if (m_buttonUndo) EnableWindow(m_buttonUndo, flag(L"canUndo"));
  if (m_buttonRedo) EnableWindow(m_buttonRedo, flag(L"canRedo"));
}

bool MainWindow::PickAt(int x, int y) {
  if (m_pick == Pick::kNone) return false;
  Pick pick = m_pick;
  m_pick = Pick::kNone;
  double X = 0, Y = 0;
  m_view.Transform().PixelToWorld(x, y, X, Y);
  // A few pixels of slack, however far the view is zoomed.
  int index = NearestFigure(m_drawing, X, Y, 5.0 / m_view.Transform().scale);
  if (index < 0) {
    Log(L"No figure there");
    return true;
  }
  RECORDADDR record = 0;
  std::string error = qarnview::FigureToRecord(m_drawing.figures[static_cast<size_t>(index)], record);
  if (!error.empty()) {
    Log(L"Figure " + std::to_wstring(index + 1) + L": " + Wide(error));
    return true;
  }
  m_selected = index;
  m_view.SetFigures(&m_drawing, m_selected);
  m_view.HighlightRecord(record);
  if (pick == Pick::kHighlight) {
    // The editor copies the vertices, so the record is not needed afterwards.
    if (FAILED(m_editor.Call(L"hiliteNttVertexes", {static_cast<long>(record)}))) LogFailure(L"hiliteNttVertexes");
    qarnview::ReleaseRecord(record);
    Log(L"Highlighted figure " + std::to_wstring(index + 1));
  } else {
    Variant loaded;
    if (SUCCEEDED(m_editor.Call(L"editNTT", {static_cast<long>(record)}, &loaded)) && loaded.AsBool()) {
      if (m_editRecord) qarnview::ReleaseRecord(m_editRecord);
      m_editRecord = record;
      m_editingIndex = index;
      Log(L"Editing figure " + std::to_wstring(index + 1));
    } else {
      qarnview::ReleaseRecord(record);
      Log(L"The editor did not take figure " + std::to_wstring(index + 1));
    }
  }
  m_view.Refresh();
  return true;
}

void MainWindow::OnEditDone() {
  Variant address, pen;
  bool added = false;
  m_editor.Call(L"getDrawnNTT", {}, &address);
  m_editor.Get(L"penColor", pen);
  qarnview::Figure figure;
  std::string error = qarnview::FigureFromRecord(static_cast<RECORDADDR>(address.AsLong()), figure,
                                                 static_cast<uint32_t>(pen.AsLong(255)));
  if (!error.empty()) {
    Log(L"The saved figure could not be read: " + Wide(error));
  } else if (m_editingIndex >= 0 && m_editingIndex < static_cast<int>(m_drawing.figures.size())) {
    m_drawing.figures[static_cast<size_t>(m_editingIndex)] = figure;
    Log(L"Figure " + std::to_wstring(m_editingIndex + 1) + L" replaced");
    m_modified = true;
  } else {
    m_drawing.figures.push_back(figure);
    Log(L"Figure " + std::to_wstring(m_drawing.figures.size()) + L" added");
    m_modified = true;
    added = true;
  }
  const int replaced = added ? -1 : m_editingIndex;
  OnEditEnded();
  // A view that draws the figures itself is given the one figure that changed.
  auto note = [this](const std::wstring& line) { Log(line); };
  if (error.empty() && added)
    m_view.FigureAdded(m_drawing, note);
  else if (error.empty() && replaced >= 0)
    m_view.FigureReplaced(m_drawing, static_cast<size_t>(replaced), note);
  UpdateTitle();
}

void MainWindow::OnEditEnded() {
  m_editingIndex = -1;
  if (m_editRecord) qarnview::ReleaseRecord(m_editRecord);
  m_editRecord = 0;
  m_selected = -1;
  m_view.SetFigures(&m_drawing, m_selected);
  m_view.HighlightRecord(0);
  InvalidateRect(m_view.Window(), nullptr, FALSE);
  m_view.Refresh();
}

void MainWindow::ChoosePenColor() {
  static COLORREF custom[16] = {};
  Variant current;
  m_editor.Get(L"penColor", current);
  CHOOSECOLORW cc = {};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = m_hwnd;
  cc.rgbResult = static_cast<COLORREF>(current.AsLong(255));
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&cc)) return;
  if (FAILED(m_editor.Put(L"penColor", static_cast<long>(cc.rgbResult))))
    LogFailure(L"penColor");
  else
    Log(L"Pen colour " + std::to_wstring(cc.rgbResult));
}

void MainWindow::ChooseStringFile() {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = m_hwnd;
  ofn.lpstrFilter = L"String files (*.ini)\0*.ini\0All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_HIDEREADONLY;  // the file need not exist: the editor fills it
  if (!GetOpenFileNameW(&ofn)) return;
  if (FAILED(m_editor.Put(L"stringFile", file)))
    LogFailure(L"stringFile");
  else
    Log(std::wstring(L"String file ") + file);
}

// A fresh view that shows exactly the drawing: figures a previous drawing left in the
// old view do not come along.
void MainWindow::ShowDrawing() {
  if (Editing()) AbortEdit();
  std::wstring error = m_view.Recreate([this](IDispatch* view) { ConnectEditorToView(view); });
  if (!error.empty()) Log(error);
  m_selected = -1;
  m_view.SetFigures(&m_drawing, m_selected);
  m_view.ShowFigures(m_drawing, [this](const std::wstring& line) { Log(line); });
  m_view.Refresh();
}

void MainWindow::NewDrawing() {
  m_drawing = {};
  m_path.clear();
  m_modified = false;
  ShowDrawing();
  UpdateTitle();
  Log(L"New drawing");
}

std::wstring MainWindow::OpenFile(const std::filesystem::path& path) {
  qarnview::Drawing drawing;
  std::string error = qarnview::LoadDrawing(path, drawing);
  if (!error.empty()) return Wide(error);
  m_drawing = std::move(drawing);
  m_path = path;
  m_modified = false;
  ShowDrawing();
  std::filesystem::path props = PropertiesPathFor(path);
  std::error_code ec;
  if (m_editorSite && std::filesystem::exists(props, ec)) {
    TextPropertyBag bag;
    std::string bagError = bag.LoadFile(props);
    IPersistPropertyBag* persist = nullptr;
    if (!bagError.empty()) {
      Log(L"Editor properties not loaded: " + Wide(bagError));
    } else if (SUCCEEDED(m_editorSite->Control()->QueryInterface(IID_IPersistPropertyBag,
                                                                    reinterpret_cast<void**>(&persist)))) {
      HRESULT hr = persist->Load(&bag, nullptr);
      persist->Release();
      Log(SUCCEEDED(hr) ? L"Editor properties loaded" : L"The editor refused its saved properties");
    }
  }
  UpdateTitle();
  Log(L"Opened " + path.filename().wstring() + L" (" + std::to_wstring(m_drawing.figures.size()) + L" figures)");
  return L"";
}

std::wstring MainWindow::SaveFile(const std::filesystem::path& path) {
  std::string error = qarnview::SaveDrawing(path, m_drawing);
  if (!error.empty()) return Wide(error);
  if (m_editorSite) {
    TextPropertyBag bag;
    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(m_editorSite->Control()->QueryInterface(IID_IPersistPropertyBag,
                                                           reinterpret_cast<void**>(&persist)))) {
      HRESULT hr = persist->Save(&bag, FALSE, TRUE);
      persist->Release();
      std::string bagError = SUCCEEDED(hr) ? bag.SaveFile(PropertiesPathFor(path)) : "the editor gave no properties";
      if (!bagError.empty()) Log(L"Editor properties not saved: " + Wide(bagError));
    }
  }
  m_path = path;
  m_modified = false;
  UpdateTitle();
  Log(L"Saved " + path.filename().wstring());
  return L"";
}

void MainWindow::OpenDrawing() {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = m_hwnd;
  ofn.lpstrFilter = L"GeoJSON drawings (*.geojson;*.json)\0*.geojson;*.json\0All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return;
  std::wstring error = OpenFile(file);
  if (!error.empty()) MessageBoxW(m_hwnd, error.c_str(), L"qarnview: cannot open the drawing", MB_OK | MB_ICONSTOP);
}

void MainWindow::SaveDrawingAs(bool ask) {
  std::filesystem::path path = m_path;
  if (ask || path.empty()) {
    wchar_t file[MAX_PATH] = L"drawing.geojson";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hwnd;
    ofn.lpstrFilter = L"GeoJSON drawings (*.geojson)\0*.geojson\0All files\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = L"geojson";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) return;
    path = file;
  }
  std::wstring error = SaveFile(path);
  if (!error.empty()) MessageBoxW(m_hwnd, error.c_str(), L"qarnview: cannot save the drawing", MB_OK | MB_ICONSTOP);
}

void MainWindow::UpdateTitle() {
  std::wstring title = L"qarnview - " + (m_path.empty() ? std::wstring(L"(new drawing)") : m_path.filename().wstring());
  if (m_modified) title += L" *";
  SetWindowTextW(m_hwnd, title.c_str());
}

std::string MainWindow::SaveViewPicture(const std::filesystem::path& path) {
  m_view.Refresh();
  HDC screen = GetDC(m_hwnd);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, m_view.Width(), m_view.Height());
  HGDIOBJ old = SelectObject(memory, bitmap);
  m_view.PaintTo(memory);
  std::string error = SaveDcPicture(memory, m_view.Width(), m_view.Height(), path);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(m_hwnd, screen);
  return error;
}

bool MainWindow::TranslateKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool undoKey = control && (msg.wParam == 'Z' || msg.wParam == 'Y');
  if (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE && !undoKey) return false;
  if (msg.hwnd != m_hwnd && !IsChild(m_hwnd, msg.hwnd)) return false;
  if (undoKey) {
    UndoOrRedo(msg.wParam == 'Y');
    return true;
  }
  if (msg.wParam == VK_RETURN) {
    SaveEdit();
  } else {
    m_pick = Pick::kNone;
    AbortEdit();
  }
  return true;
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kPolyline: StartDrawing(L"drawPolyline"); break;
    case kPolygon: StartDrawing(L"drawPolygon"); break;
    case kPoint: StartDrawing(L"drawPoint"); break;
    case kEditSelected:
      m_pick = Pick::kEdit;
      Log(L"Click the figure to edit");
      SetFocus(m_view.InputWindow());
      break;
    case kHighlightSelected:
      m_pick = Pick::kHighlight;
      Log(L"Click the figure to highlight");
      SetFocus(m_view.InputWindow());
      break;
    case kSaveEdit: SaveEdit(); break;
    case kAbortEdit: AbortEdit(); break;
    case kUndo:
    case kRedo:
      UndoOrRedo(id == kRedo);
      // The button may have just been grayed; the keys go on reaching the view.
      SetFocus(m_view.InputWindow());
      break;
    case k3D:
      m_3d = SendMessageW(m_button3D, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (FAILED(m_editor.Call(L"Set3DMode", {m_3d ? 1L : 0L}))) LogFailure(L"Set3DMode");
      Log(m_3d ? L"3D mode on (from the next drawing)" : L"3D mode off (from the next drawing)");
      SetFocus(m_view.InputWindow());
      break;
    case kPenColor: ChoosePenColor(); break;
    case kStringFile: ChooseStringFile(); break;
    case kFileNew: NewDrawing(); break;
    case kFileOpen: OpenDrawing(); break;
    case kFileSave: SaveDrawingAs(false); break;
    case kFileSaveAs: SaveDrawingAs(true); break;
    case kFileExit: SendMessageW(m_hwnd, WM_CLOSE, 0, 0); break;
  }
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_SIZE:
      if (m_list) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {830, 600};  // every toolbar button stays in sight
      return 0;
    }
    case WM_CLOSE:
      // File Exit, the system menu and the close box all end here, an edit running or not.
      Shutdown();
      DestroyWindow(m_hwnd);
      return 0;
    case WM_DESTROY:
      Shutdown();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<MainWindow*>(create->lpCreateParams)->m_hwnd = hwnd;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->Handle(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The editor draws its prompt through the site when it has no window of its own.
LRESULT CALLBACK MainWindow::StatusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    bool drawn = false;
    if (self && self->m_editorSite && !self->m_editorSite->ControlWindow())
      drawn = self->m_editorSite->Draw(hdc, client);
    if (!drawn) FillRect(hdc, &client, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}
