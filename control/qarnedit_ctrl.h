// CQarneditCtrl: the ActiveX control. Its automation surface starts, saves and
// aborts edits; the editing itself is done by the EditController it owns.
#pragma once

#include <memory>
#include <span>

#include "control/qarnedit_guids.h"
#include "editcore/edit_controller.h"
#include "editcore/edit_site.h"
#include "hostlink/host_interfaces.h"
#include "platform/afx_control.h"
#include "platform/cstring.h"
#include "platform/menu.h"

enum QarneditDispid : DISPID {
  QEDISPID_PENCOLOR = 1,
  QEDISPID_QARNOCX = 2,
  QEDISPID_STRINGFILE = 3,
  QEDISPID_DRAWPOLYLINE = 4,
  QEDISPID_ABORTEDIT = 5,
  QEDISPID_GETDRAWNNTT = 6,
  QEDISPID_EDITNTT = 7,
  QEDISPID_DRAWPOLYGON = 8,
  QEDISPID_CANSAVENOW = 9,
  QEDISPID_SAVEEDIT = 10,
  QEDISPID_ISEDITING = 11,
  QEDISPID_DRAWPOINT = 12,
  QEDISPID_HILITENTTVERTEXES = 13,
  QEDISPID_DISABLEBEGINENDPOLYLINEEDIT = 14,
  QEDISPID_NOSNAPKEY = 15,
  QEDISPID_FILLSTYLE = 16,
  QEDISPID_FORMATPOLYLINEPARAMS = 17,
  QEDISPID_FORMATPOLYGONPARAMS = 18,
  QEDISPID_NOPOLARKEY = 19,
  QEDISPID_SET3DMODE = 20,
  QEDISPID_SETMAXNUMBEROFRINGS = 21,
  QEDISPID_SETBASEPOINTQARNEDIT = 22,
  QEDISPID_UNDO = 23,
  QEDISPID_REDO = 24,
  QEDISPID_CANUNDO = 25,
  QEDISPID_CANREDO = 26,
  QEDISPID_UNDOMEMORYLIMIT = 27,
};

enum QarneditEventDispid : DISPID {
  EVENTID_EDITDONE = 1,
  EVENTID_EDITABORTED = 2,
  EVENTID_SNAP = 3,
  EVENTID_CAPTIONCHANGED = 4,
};

// OLEMISC_ACTIVATEWHENVISIBLE | SETCLIENTSITEFIRST | INSIDEOUT | CANTLINKINSIDE | RECOMPOSEONRESIZE
constexpr DWORD kQarneditMiscStatus = 0x20191;

class CQarneditCtrl : public COleControl, public EditSite {
 public:
  CQarneditCtrl();
  ~CQarneditCtrl() override;

  // Framework
  std::span<const AFX_DISPMAP_ENTRY> GetDispatchMap() const override;
  std::span<const AFX_EVENTMAP_ENTRY> GetEventMap() const override;
  void DoPropExchange(CPropExchange* pPX) override;
  void OnResetState() override;
  void OnDraw(CDC* pdc, const CRect& rcBounds, const CRect& rcInvalid) override;
  HRESULT GetClassID(LPCLSID pclsid) override;
  DWORD GetMiscStatus() override { return kQarneditMiscStatus; }
  UINT GetUserTypeNameID() override;
  const CLSID* GetPropPageIDs(ULONG& cPropPages) override;
  // The control describes itself with _DQarnedit from its registered type library,
  // which only Windows has; elsewhere the one type info cannot be loaded.
  STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
  STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;

  // Properties
  LPDISPATCH GetQarnocx();
  void SetQarnocx(LPDISPATCH pHost);
  CString GetStringFile();
  void SetStringFile(const char* path);
  void OnPropertyChanged() { SetModifiedFlag(); }
  BOOL GetCanUndo();
  BOOL GetCanRedo();
  LONG GetUndoMemoryLimit();
  void SetUndoMemoryLimit(LONG bytes);

  // Methods
  void drawPolyline();
  void abortEdit();
  LONG getDrawnNTT();
  void drawPolygon();
  BOOL canSaveNow();
  BOOL saveEdit();
  BOOL isEditing();
  void drawPoint();
  void disableBeginEndPolylineEdit();
  void Set3DMode(LONG NewMode);
  void setMaxNumberOfRings(LONG newVal);
  void setBasePointQarnEdit(double BaseX, double BaseY, double BaseZ);
  BOOL undo();
  BOOL redo();
  // Entity members (editNTT, hiliteNttVertexes):
  BOOL editNTT(LONG MemNTT);
  void hiliteNttVertexes(LONG MemNTT);
  // The About box member:
  void AboutBox();

  // Events
  void FireEditDone() { FireEvent(EVENTID_EDITDONE, EVENT_PARAM(VTS_NONE)); }
  void FireEditAborted() { FireEvent(EVENTID_EDITABORTED, EVENT_PARAM(VTS_NONE)); }
  void FireSnap(double* x, double* y) { FireEvent(EVENTID_SNAP, EVENT_PARAM(VTS_PR8 VTS_PR8), x, y); }
  void FireCaptionChanged(LPCSTR newCaption) {
    FireEvent(EVENTID_CAPTIONCHANGED, EVENT_PARAM(VTS_BSTR), newCaption);
  }

  HostEngine* ConnectToHost();

  // EditSite: what the editor reads and tells
  LPDISPATCH HostDispatch() const override { return m_pQarnocx; }
  bool Is3D() const override { return m_is3DMode != 0; }
  short NoSnapKey() const override { return m_noSnapKey; }
  short NoPolarKey() const override { return m_noPolarKey; }
  short FillStyle() const override { return m_fillStyle; }
  COLORREF OverlayColor() override { return TranslateColor(m_penColor); }
  const CString& PolylineMeasureFormat() const override { return m_formatPolylineParams; }
  const CString& PolygonMeasureFormat() const override { return m_formatPolygonParams; }
  const CString& StringFile() const override { return m_stringFile; }
  void SetCaption(const CString& caption) override;
  void EditEnded(bool saved) override {
    if (saved)
      FireEditDone();
    else
      FireEditAborted();
  }
  void Snap(double& x, double& y) override { FireSnap(&x, &y); }
  CString LocalizedString(UINT id) override;
  void LocalizeMenu(const CString& title, CMenu* pPopup) override;
  void HoldAlive() override { AddRef(); }
  void LetGo() override { Release(); }

  // Members, in the order the control has always kept them.
  OLE_COLOR m_penColor = 255;
  short m_noSnapKey = 0;
  short m_fillStyle = 0;
  CString m_formatPolylineParams;
  CString m_formatPolygonParams;
  short m_noPolarKey = 0;
  CString m_caption;
  CString m_stringFile;
  LPDISPATCH m_pQarnocx = nullptr;
  std::unique_ptr<EditController> m_pEditController;
  BYTE m_is3DMode = FALSE;
  // A setting of the control, not of one editor: each editor it makes is given it.
  // Not persisted, so the property stream keeps its layout.
  LONG m_undoMemoryLimit = static_cast<LONG>(EditController::kDefaultUndoMemoryLimit);

 private:
  void StartDrawingIfConnected(int32_t mode);
};

// The control module: its resources and its class factory. Called once when the
// module loads; calling it again does nothing.
void QarneditModuleInit();
