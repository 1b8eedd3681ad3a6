#include "control/qarnedit_ctrl.h"

#include <array>
#include <cstring>

#include "commands/string_file.h"
#include "editcore/module_state.h"
#include "editcore/measure_format.h"
#include "hostlink/host_view.h"
#include "platform/afx_dc.h"
#include "platform/desktop.h"
#include "platform/gdi.h"
#include "resources/resource.h"

namespace {

using C = CQarneditCtrl;

// The entries' order fixes nothing here: every DISPID is given explicitly.
constexpr std::array kDispatchMap = {
    DispPropertyNotify<&C::m_penColor, &C::OnPropertyChanged>("penColor", QEDISPID_PENCOLOR),
    DispPropertyEx<&C::GetQarnocx, &C::SetQarnocx>("qarnocx", QEDISPID_QARNOCX),
    DispPropertyEx<&C::GetStringFile, &C::SetStringFile>("stringFile", QEDISPID_STRINGFILE),
    DispFunction<&C::drawPolyline>("drawPolyline", QEDISPID_DRAWPOLYLINE),
    DispFunction<&C::abortEdit>("abortEdit", QEDISPID_ABORTEDIT),
    DispFunction<&C::getDrawnNTT>("getDrawnNTT", QEDISPID_GETDRAWNNTT),
    DispFunction<&C::drawPolygon>("drawPolygon", QEDISPID_DRAWPOLYGON),
    DispFunction<&C::canSaveNow>("canSaveNow", QEDISPID_CANSAVENOW, VT_BOOL),
    DispFunction<&C::saveEdit>("saveEdit", QEDISPID_SAVEEDIT, VT_BOOL),
    DispFunction<&C::isEditing>("isEditing", QEDISPID_ISEDITING, VT_BOOL),
    DispFunction<&C::drawPoint>("drawPoint", QEDISPID_DRAWPOINT),
    DispFunction<&C::disableBeginEndPolylineEdit>("disableBeginEndPolylineEdit",
                                                  QEDISPID_DISABLEBEGINENDPOLYLINEEDIT),
    DispPropertyNotify<&C::m_noSnapKey, &C::OnPropertyChanged>("NoSnapKey", QEDISPID_NOSNAPKEY),
    DispPropertyNotify<&C::m_fillStyle, &C::OnPropertyChanged>("fillStyle", QEDISPID_FILLSTYLE),
    DispPropertyNotify<&C::m_formatPolylineParams, &C::OnPropertyChanged>("FormatPolylineParams",
                                                                          QEDISPID_FORMATPOLYLINEPARAMS),
    DispPropertyNotify<&C::m_formatPolygonParams, &C::OnPropertyChanged>("FormatPolygonParams",
                                                                         QEDISPID_FORMATPOLYGONPARAMS),
    DispPropertyNotify<&C::m_noPolarKey, &C::OnPropertyChanged>("NoPolarKey", QEDISPID_NOPOLARKEY),
    DispFunction<&C::Set3DMode>("Set3DMode", QEDISPID_SET3DMODE),
    DispFunction<&C::setMaxNumberOfRings>("setMaxNumberOfRings", QEDISPID_SETMAXNUMBEROFRINGS),
    DispFunction<&C::setBasePointQarnEdit>("setBasePointQarnEdit", QEDISPID_SETBASEPOINTQARNEDIT),
    DispFunction<&C::undo>("undo", QEDISPID_UNDO, VT_BOOL),
    DispFunction<&C::redo>("redo", QEDISPID_REDO, VT_BOOL),
    DispPropertyEx<&C::GetCanUndo>("canUndo", QEDISPID_CANUNDO, VT_BOOL),
    DispPropertyEx<&C::GetCanRedo>("canRedo", QEDISPID_CANREDO, VT_BOOL),
    DispPropertyEx<&C::GetUndoMemoryLimit, &C::SetUndoMemoryLimit>("undoMemoryLimit", QEDISPID_UNDOMEMORYLIMIT),
    // Entity members (editNTT, hiliteNttVertexes) go here.
    DispFunction<&C::editNTT>("editNTT", QEDISPID_EDITNTT, VT_BOOL),
    DispFunction<&C::hiliteNttVertexes>("hiliteNttVertexes", QEDISPID_HILITENTTVERTEXES),
    // The About box member goes here.
    DispFunction<&C::AboutBox>("AboutBox", DISPID_ABOUTBOX),
    DISP_STOCKPROP_BACKCOLOR(),
    DISP_STOCKPROP_FORECOLOR(),
    DISP_STOCKPROP_FONT(),
};

const std::array kEventMap = {
    DispEvent("EditDone", EVENTID_EDITDONE, VTS_NONE),
    DispEvent("EditAborted", EVENTID_EDITABORTED, VTS_NONE),
    DispEvent("Snap", EVENTID_SNAP, VTS_PR8 VTS_PR8),
    DispEvent("CaptionChanged", EVENTID_CAPTIONCHANGED, VTS_BSTR),
};

const CLSID kPropPages[] = {CLSID_QarneditPropPage, CLSID_QarneditPropPage2};

// The one check of loaded custom values, for streams and property bags alike (colours
// and the font are checked by the exchange itself): what is out of range takes its
// default.
void KeepLoadedValuesInRange(CQarneditCtrl& c) {
  auto virtualKey = [](short& key) {
    if (key < 0 || key > 255) key = 0;
  };
  virtualKey(c.m_noSnapKey);
  virtualKey(c.m_noPolarKey);
  for (CString* format : {&c.m_formatPolylineParams, &c.m_formatPolygonParams})
    if (static_cast<size_t>(format->GetLength()) > kMaxMeasureFormat) *format = CString("");
}

}  // namespace

CQarneditCtrl::CQarneditCtrl() {
  QarneditModuleInit();
  m_pEditController = std::make_unique<EditController>(this);
  m_pEditController->SetUndoMemoryLimit(m_undoMemoryLimit);
  InitializeIIDs(&IID_DQarnedit, &IID_DQarneditEvents);
  m_pQarnocx = nullptr;
  m_caption = "";
  m_is3DMode = FALSE;
}

CQarneditCtrl::~CQarneditCtrl() {
  // Before the members it reads through the site go.
  m_pEditController.reset();
  // m_pQarnocx was never referenced by the control, so it is not released.
}

std::span<const AFX_DISPMAP_ENTRY> CQarneditCtrl::GetDispatchMap() const { return kDispatchMap; }

std::span<const AFX_EVENTMAP_ENTRY> CQarneditCtrl::GetEventMap() const { return kEventMap; }

void CQarneditCtrl::DoPropExchange(CPropExchange* pPX) {
  COleControl::DoPropExchange(pPX);  // version 1.0, then the stock properties
  PX_Color(pPX, "penColor", m_penColor, 255);
  PX_Short(pPX, "NoSnapKey", m_noSnapKey, 0);
  PX_Short(pPX, "NoPolarKey", m_noPolarKey, 0);
  PX_Short(pPX, "fillStyle", m_fillStyle, 0);
  PX_String(pPX, "formatPolylineParams", m_formatPolylineParams, CString(""));
  PX_String(pPX, "formatPolygonParams", m_formatPolygonParams, CString(""));
  if (pPX->IsLoading() && !pPX->IsDryRun()) KeepLoadedValuesInRange(*this);
}

void CQarneditCtrl::OnResetState() { COleControl::OnResetState(); }

void CQarneditCtrl::OnDraw(CDC* pdc, const CRect& rcBounds, const CRect&) {
  CBrush background(TranslateColor(GetBackColor()));
  pdc->FillRect(rcBounds, &background);

  COLORREF oldBack = pdc->SetBkColor(TranslateColor(GetBackColor()));
  COLORREF oldText = pdc->SetTextColor(TranslateColor(GetForeColor()));
  QarnStockFontInfo info = GetStockFontInfo();
  LOGFONTA lf = {};
  lf.lfHeight = info.lfHeight;
  lf.lfWeight = info.lfWeight;
  lf.lfItalic = static_cast<BYTE>(info.bItalic ? 1 : 0);
  lf.lfUnderline = static_cast<BYTE>(info.bUnderline ? 1 : 0);
  lf.lfStrikeOut = static_cast<BYTE>(info.bStrikeOut ? 1 : 0);
  lf.lfCharSet = info.lfCharSet;
  std::strncpy(lf.lfFaceName, info.faceName.c_str(), sizeof(lf.lfFaceName) - 1);
  CFont font;
  font.CreateFontIndirect(&lf);
  CFont* oldFont = pdc->SelectObject(&font);

  TEXTMETRICA tm = {};
  HDC attrib = pdc->m_hAttribDC ? pdc->m_hAttribDC : pdc->m_hDC;
  GetTextMetricsA(attrib, &tm);
  pdc->SetTextAlign(TA_CENTER | TA_TOP);
  const int x = (rcBounds.left + rcBounds.right) / 2;
  const int y = (rcBounds.top + rcBounds.bottom - static_cast<int>(tm.tmHeight)) / 2;
  pdc->ExtTextOut(x, y, ETO_CLIPPED, rcBounds, m_caption, nullptr);

  pdc->SelectObject(oldFont);
  pdc->SetBkColor(oldBack);
  pdc->SetTextColor(oldText);
}

HRESULT CQarneditCtrl::GetClassID(LPCLSID pclsid) {
  if (!pclsid) return E_POINTER;
  *pclsid = CLSID_Qarnedit;
  return S_OK;
}

UINT CQarneditCtrl::GetUserTypeNameID() { return IDS_QARNEDIT; }

const CLSID* CQarneditCtrl::GetPropPageIDs(ULONG& cPropPages) {
  cPropPages = 2;
  return kPropPages;
}

HRESULT CQarneditCtrl::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

#if defined(_WIN32)

HRESULT CQarneditCtrl::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  ITypeLib* pLib = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_QARNEDITLib, 1, 0, lcid, &pLib);
  if (FAILED(hr)) return hr;
  hr = pLib->GetTypeInfoOfGuid(IID_DQarnedit, ppTInfo);
  pLib->Release();
  return hr;
}
#else
HRESULT CQarneditCtrl::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  // What LoadRegTypeLib reports where no type library is registered.
  constexpr HRESULT kCantLoadLibrary = static_cast<HRESULT>(0x80029C4AL);
  return iTInfo != 0 ? DISP_E_BADINDEX : kCantLoadLibrary;
}
#endif

LPDISPATCH CQarneditCtrl::GetQarnocx() {
  if (m_pQarnocx) m_pQarnocx->AddRef();  // the caller's reference
  return m_pQarnocx;
}

void CQarneditCtrl::SetQarnocx(LPDISPATCH pHost) {
  // An edit belongs to the host it started on: it is ended there, with that host still
  // current, before the control turns to another one, so no host is left holding a
  // handler of ours. Clearing the property alone leaves the edit running. The
  // EditAborted handler may set the property itself; the last value set wins.
  EditController& editor = *m_pEditController;
  // The EditAborted handler may release the control; it lives until the property is set.
  AddRef();
  if (pHost && pHost != m_pQarnocx && (editor.IsEditing() || editor.HoldsRegistration())) editor.EndBeforeHostSwitch();
  m_pQarnocx = pHost;  // not owned: no reference is taken
  SetModifiedFlag(TRUE);
  Release();
}

CString CQarneditCtrl::GetStringFile() { return m_stringFile; }

void CQarneditCtrl::SetStringFile(const char* path) {
  m_stringFile = path;
  SetModifiedFlag(TRUE);
}

void CQarneditCtrl::StartDrawingIfConnected(int32_t mode) {
  if (HostEngine* pEngine = ConnectToHost()) m_pEditController->StartDrawing(pEngine, mode);
}

void CQarneditCtrl::drawPolyline() { StartDrawingIfConnected(MODE_POLYLINE); }

void CQarneditCtrl::drawPolygon() { StartDrawingIfConnected(MODE_POLYGON); }

void CQarneditCtrl::drawPoint() { StartDrawingIfConnected(MODE_POINT); }

void CQarneditCtrl::abortEdit() { m_pEditController->EndEdit(false); }

LONG CQarneditCtrl::getDrawnNTT() { return static_cast<LONG>(m_pEditController->GetDrawnNtt()); }

BOOL CQarneditCtrl::isEditing() { return m_pEditController->IsEditing(); }

BOOL CQarneditCtrl::canSaveNow() { return isEditing() ? m_pEditController->CanSave() : FALSE; }

BOOL CQarneditCtrl::saveEdit() {
  if (!canSaveNow()) return FALSE;
  m_pEditController->EndEdit(true);
  return TRUE;
}

void CQarneditCtrl::disableBeginEndPolylineEdit() { m_pEditController->DisableBeginEndEdit(); }

void CQarneditCtrl::Set3DMode(LONG NewMode) { m_is3DMode = NewMode != 0; }

void CQarneditCtrl::setMaxNumberOfRings(LONG newVal) { m_pEditController->SetMaxRings(newVal); }

void CQarneditCtrl::setBasePointQarnEdit(double BaseX, double BaseY, double BaseZ) {
  m_pEditController->SetBasePoint({BaseX, BaseY, BaseZ});
}

// The history belongs to the running edit: with none, there is nothing to take back.
BOOL CQarneditCtrl::undo() { return isEditing() ? m_pEditController->Undo() : FALSE; }

BOOL CQarneditCtrl::redo() { return isEditing() ? m_pEditController->Redo() : FALSE; }

BOOL CQarneditCtrl::GetCanUndo() { return isEditing() && m_pEditController->CanUndo(); }

BOOL CQarneditCtrl::GetCanRedo() { return isEditing() && m_pEditController->CanRedo(); }

LONG CQarneditCtrl::GetUndoMemoryLimit() { return m_undoMemoryLimit; }

void CQarneditCtrl::SetUndoMemoryLimit(LONG bytes) {
  // A history that may hold nothing is no setting: refused, and the limit stays.
  if (bytes <= 0) {
    ThrowError(E_INVALIDARG, "undoMemoryLimit must be above 0 bytes");
    return;
  }
  m_undoMemoryLimit = bytes;
  m_pEditController->SetUndoMemoryLimit(bytes);
}

HostEngine* CQarneditCtrl::ConnectToHost() {
  if (!m_pQarnocx) {
    AfxMessageBox(IDS_ERR_NO_QARNOCX, MB_ICONSTOP | MB_OK);
    return nullptr;
  }
  HostEngine* pEngine = nullptr;
  {
    HostView view(m_pQarnocx);  // lets go of the pointer without releasing it
    LONG handle = view.GetEngineHandle();
    if (handle != 0) pEngine = LookupHostEngine(handle);
  }
  if (!pEngine) AfxMessageBox(IDS_ERR_CONNECT, MB_ICONSTOP | MB_OK);
  return pEngine;
}

void CQarneditCtrl::SetCaption(const CString& caption) {
  m_caption = caption;
  InvalidateControl(nullptr, TRUE);
  FireCaptionChanged(m_caption);
}

CString CQarneditCtrl::LocalizedString(UINT id) { return ::LoadLocalizedString(m_stringFile, id); }

void CQarneditCtrl::LocalizeMenu(const CString& title, CMenu* pPopup) { ::LocalizeMenu(m_stringFile, title, pPopup); }
