// EditController: the control's edit object. It holds the figure as rings of
// vertices, the mode and step of the edit and what it saved of the host's settings,
// and it is registered with the host's engine as pointer handler and overlay painter.
#pragma once

#include "editcore/edit_history.h"
#include "editcore/edit_site.h"
#include "editcore/edit_step.h"
#include "editcore/figure.h"
#include "editcore/measure_format.h"
#include "editcore/ring.h"
#include "hostlink/host_interfaces.h"
#include "platform/abi.h"
#include "platform/cstring.h"

class CDialog;

enum EditMode : int32_t { MODE_IDLE = 0, MODE_POLYLINE = 1, MODE_POLYGON = 2, MODE_POINT = 3 };

enum PolarFlag : uint32_t {
  POLAR_ANGLE_FIXED = 0x01,
  POLAR_LENGTH_FIXED = 0x02,
  POLAR_LAST_FROM_PRESS = 0x04,
  POLAR_BASE_KNOWN = 0x08,
  POLAR_FROM_BASE = 0x10,
  POLAR_BASE_DRAGGED = 0x20,
};

class EditController final : public PointerHandler, public OverlayPainter {
 public:
  static constexpr int32_t kInitialRingCount = 128;

  explicit EditController(EditSite* pSite);
  ~EditController();
  EditController(const EditController&) = delete;
  EditController& operator=(const EditController&) = delete;

  // PointerHandler
  void QARN_HOST_CALL OnPointerMove(DWORD flags, POINT* pt) override;
  void QARN_HOST_CALL OnButtonDown(DWORD flags, POINT* pt) override;
  void QARN_HOST_CALL OnButtonUp(DWORD flags, POINT* pt) override;
  void QARN_HOST_CALL OnRightButton(DWORD flags, POINT* pt) override;
  void QARN_HOST_CALL OnOtherPointerEvent(DWORD flags, POINT* pt) override;
  void QARN_HOST_CALL OnHandlerDetached() override;

  // OverlayPainter
  void QARN_HOST_CALL PaintOverlay(CDC* pDC) override;
  void QARN_HOST_CALL OnPainterDetached() override;
  void QARN_HOST_CALL OnOtherPaintEvent(DWORD value) override;

  // Lifecycle
  void StartDrawing(HostEngine* pEngine, int32_t mode);
  void Attach(HostEngine* pEngine, bool paintOnly);
  void EndEdit(bool save);
  // Ends the edit before the control turns to another host; starts made by the
  // handlers of its events are refused, since they would go to the host being left.
  void EndBeforeHostSwitch();
  BOOL IsEditing() const { return m_mode != MODE_IDLE; }
  // MODE_IDLE, or the kind of figure being edited.
  int32_t Mode() const { return m_mode; }
  // Changes whenever an edit starts or ends. Container code runs inside every event and
  // every host call that can re-enter; a caller that compares the serial from before
  // such a call with the one after it knows whether the edit it was working on is still
  // the one running.
  uint32_t EditSerial() const { return m_editSerial; }
  bool HoldsRegistration() const { return m_handlerRegistered || m_painterRegistered; }
  // Whether an engine for input is known: kept across highlighting, cleared when the
  // edit ends, by the host's detach callback and by a host switch.
  bool HasEngine() const { return m_pEngine != nullptr; }
  void SetMaxRings(int32_t n);
  void DisableBeginEndEdit();
  bool BeginEndEditDisabled() const { return m_noBeginEndEdit != 0; }
  bool Is3D() const { return m_is3D; }
  // The highlighted vertices the overlay marks: the first MarkCount() of Marks().
  const Ring& Marks() const { return m_hiliteRing; }
  int32_t MarkCount() const { return m_hiliteCount; }
  // Where rotate, scale and the polar base start when the figure has no vertex yet.
  void SetBasePoint(const Point3& p) { m_basePoint = p; }
  const Point3& BasePoint() const { return m_basePoint; }

  // Entity records
  BOOL CanSave() const;
  void CommitGeometry();
  void ReleaseDrawnNtt();
  RECORDADDR GetDrawnNtt() const { return m_pDrawnNtt; }

  // Captions
  void SetStep(EditStep step);
  EditStep Step() const { return m_step; }
  // The measures in front of the caption as the container's format writes them (empty
  // without a format for the mode); valid until the next call.
  std::string_view MeasurePrefix() const;
  // The caption's measures of the figure: a polyline's length, a polygon's area and
  // perimeter (zero for the other modes).
  void ComputeMeasures(double& area, double& length) const;

  // Undo and redo inside the running edit (editcore/edit_history.cpp). Each completed
  // user action that changes the figure is one step; the history belongs to one edit.
  // FALSE when there is nothing to take back or replay, or while a drag runs.
  BOOL Undo();
  BOOL Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  // The bytes the history may hold; the oldest steps are dropped beyond it.
  static constexpr int64_t kDefaultUndoMemoryLimit = int64_t{256} << 20;
  void SetUndoMemoryLimit(int64_t bytes);
  int64_t UndoMemoryLimit() const;
  const EditHistory& History() const { return m_history; }
  // The hooks of the actions (editcore/edit_undo.cpp): BeginStep before an action
  // changes the figure, one Record call for what it is about to change, CommitStep once
  // it is complete (after its last SetStep).
  void BeginStep();
  void RecordVertexSet(int32_t ring, int32_t v);
  void RecordVertexInsert(int32_t ring, int32_t i);
  void RecordVertexErase(int32_t ring, int32_t v);
  void RecordDrawnVertex();
  void RecordFigureCoordinates();
  void RecordNewRing();
  void RecordReverse();
  void CommitStep();
  // The history belongs to one edit: dropped when one starts or ends, or when the
  // ring storage is replaced.
  void ForgetHistory();

  // Host version probe: whether the host's file is of major version 3 or later.
  void HostManagesUtils();

  int32_t RingArrayLength() const { return m_figure.RingArrayLength(); }
  const Figure& GetFigure() const { return m_figure; }

  // Geometry and snap (interaction/convert_and_snap.cpp)
  // View pixels in, the world point out (2D view-plane coordinates; in 3D callers lift
  // it with ViewToWorld3D), after the polar constraint and the container's Snap event.
  void ConvertAndSnap(double& x, double& y);
  // The same pipeline for a pixel position, handed back as pixels (truncated).
  void SnapScreenPoint(POINT& pt);

  // Button handling and picking (interaction/)
  // The vertex within the pick tolerance of view pixels (x, y), first by ring and then
  // by index, or -1; *pRing is written only on a hit.
  int32_t PickVertex(int32_t x, int32_t y, int32_t* pRing);
  // Whether a world point lies within the pick tolerance of a press (3D points go
  // through WorldToView3D first).
  bool HitsWorldPoint(double x, double y, double z, const POINT& pt);
  // Whether view pixels (x, y) lie within the pick tolerance of a press; never for NaN.
  static bool WithinPickTolerance(double x, double y, const POINT& pt);
  bool GrabPolarBase(const POINT& pt);
  void DrawVertex(const POINT& pt);
  void PickVertexToMove(const POINT& pt);
  void InsertVertexAtGrip(const POINT& pt);
  void PickVertexToDelete(const POINT& pt);
  void AnchorMove(const POINT& pt);
  void StartRotate(const POINT& pt);
  void StartScale(const POINT& pt);
  bool GrabCentre(const POINT& pt, EditStep dropStep);
  void DropPolarBase(const POINT& pt);
  void FinishDrawnVertex();
  void EndDrag(EditStep waitingStep);
  void EndSplitDrag();
  void ConfirmDelete(const POINT& pt);
  void DropCentre(EditStep waitingStep);
  void DeleteVertex(int32_t ring, int32_t v);
  void AdvancePolarAngle();
  // Where polar input measures from: the vertex drawn last until a press set it, or the
  // base point when input is measured from there.
  void UpdatePolarReference();
  void CaptureView();
  void GiveCaptureBack();
  // While the host's first and third input values say its tracking is forced, sets the
  // second: kTrackingHandedOver for a drag, kTrackingAtRest when it is over.
  void SetForcedTracking(int second);
  static constexpr int kTrackingHandedOver = -1;
  static constexpr int kTrackingAtRest = -2;
  // Hands the host p as its reference point (its height only in 3D).
  void TurnReferenceOn(Point3 p);
  // At a drop: the reference point off and the host's tracking back at rest.
  void DropReference();
  void AskForRepaint();
  bool PolarInputOn() const { return (m_polarFlags & (POLAR_ANGLE_FIXED | POLAR_LENGTH_FIXED)) != 0; }
  // The polar state the dialogs set and the presses move: POLAR_* bits, the fixed angle
  // (radians) and length, the angle added after each drawn vertex, and the points input
  // is measured from.
  uint32_t PolarFlags() const { return m_polarFlags; }
  double PolarAngle() const { return m_polarAngle; }
  double PolarLength() const { return m_polarLength; }
  double AngleToAdd() const { return m_angleToAdd; }
  const Point3& PolarBase() const { return m_polarBase; }
  const Point3& PolarReference() const { return m_last; }
  // The vertex a press picked in the current ring (-1: none), and the pivot of a
  // rotation or scaling (the anchor of a move).
  int32_t PickedVertex() const { return m_curVertex; }
  const Point3& DragPoint() const { return m_drag; }

  // Loading an entity and highlighting its vertices (editcore/load_entity.cpp, feedback/hilite.cpp)
  // TRUE when the record was accepted and the edit began; FALSE for a record of another
  // type or one that cannot be read whole, before anything is attached.
  BOOL LoadEntity(HostEngine* pEngine, RECORDADDR record);
  // Shows the record's vertices as marks (record 0 or an unusable record: none).
  void HiliteVertexes(HostEngine* pEngine, RECORDADDR record);

  // Context menu and commands (commands/)
  // Opens the popup of the current mode at the cursor and runs the chosen command.
  void ShowContextMenu();
  // The centre of the last ring's bounding box (the base point for an empty ring) into
  // centre; 0, and centre left as it was, when there is no ring. *pUsed tells whether
  // the base point was taken.
  int ComputeCentre(Point3& centre, int* pUsed);
  // Moves p's x and y to the world point at the middle of the view when they lie
  // outside the view or when forced; keep leaves p wherever it is. z is not touched.
  void BringIntoView(Point3& p, BOOL force, BOOL keep);
  // The command handlers, one per distinct command of the three popups.
  void OnMenuContinue();
  void OnMenuMoveVertex();
  void OnMenuInsertVertex();
  void OnMenuDeleteVertex();
  void OnMenuMove();
  void OnMenuRotate();
  void OnMenuScale();
  void OnMenuNewPerimeter();
  void OnMenuNewHole();
  void OnMenuBack();
  void OnMenuInvert();
  void OnMenuAbort();
  void OnMenuDone();
  void OnMenuPolarOn();
  void OnMenuPointPolarOn();
  void OnMenuPolarOff();
  // What the command handlers tell the host.
  void ReferenceToLastVertex();
  void ReferenceOff();
  void StartNewRing(BYTE isHole);
  void EnterRotateOrScale(EditStep step);
  double LastSegmentAngleDegrees();
  void SettlePolarBase();
  void ForcePolarInput(bool constrained);
  // Runs a polar dialog with the host's input state read before it opens; Cancel gives
  // that state back. True for OK.
  bool RunPolarDialog(CDialog& dlg);

  // Pointer-move feedback and overlay painting (feedback/)
  // Where a world point shows in the view: WorldToView3D first in 3D, then
  // WorldToScreen, both on the paint engine, truncated toward zero.
  void WorldToPixel(double x, double y, double z, int& px, int& py) const;
  void DrawRubberBand(POINT& pt);
  // The pointer as a snapped world point, lifted into 3D when the edit is 3D.
  void SnappedPointerPoint(const POINT& pt, double& x, double& y, double& z);
  void MoveFigure(const POINT& pt);
  void RotateFigure(const POINT& pt);
  void ScaleFigure(const POINT& pt);
  void PaintRings(CDC& dc, HPEN overlayPen, COLORREF color);
  void PaintPolarMarks(HDC hdc);

 private:
  // Keeps the control alive while a call from the host or an event handler runs: the
  // container may release the control inside an event, and the editor goes on after it.
  class ControlKeepAlive {
   public:
    explicit ControlKeepAlive(EditController& editor);
    ~ControlKeepAlive();
    ControlKeepAlive(const ControlKeepAlive&) = delete;
    ControlKeepAlive& operator=(const ControlKeepAlive&) = delete;

   private:
    EditSite* m_pSite;
  };

  void PrepareHost();
  // What a pointer move does in the current step.
  void FollowPointer(POINT& pt);
  void CommitPolyline();
  void CommitPolygon();
  void CommitPoint();

 private:
  // Counts the starts and ends in progress on the stack: a container whose handlers
  // start an edit from inside the events of another start or end, over and over, is cut
  // off at this depth (an end always runs; only the starts are refused).
  class StartScope {
   public:
    explicit StartScope(EditController& editor) : m_editor(editor) { ++m_editor.m_startDepth; }
    ~StartScope() { --m_editor.m_startDepth; }
    StartScope(const StartScope&) = delete;
    StartScope& operator=(const StartScope&) = delete;
    bool Refused() const { return m_editor.m_startDepth > kMaxNestedStarts; }

   private:
    EditController& m_editor;
  };
  static constexpr int32_t kMaxNestedStarts = 8;
  // Refuses the starts that container code makes while it lives: inside the host's
  // registration calls, whose detach callbacks end edits, a start made by their handlers
  // would register with a host in the middle of its own call; and inside the end that a
  // host switch runs, a start would go to the host being left.
  class RefuseStarts {
   public:
    explicit RefuseStarts(EditController& editor) : m_editor(editor), m_depth(editor.m_startDepth) {
      m_editor.m_startDepth = kMaxNestedStarts;
    }
    ~RefuseStarts() { m_editor.m_startDepth = m_depth; }
    RefuseStarts(const RefuseStarts&) = delete;
    RefuseStarts& operator=(const RefuseStarts&) = delete;

   private:
    EditController& m_editor;
    int32_t m_depth;
  };

  // Withdraws the registrations held with an engine other than pEngine, so that no
  // host is left holding a handler this editor no longer answers for.
  void ForgetOtherEngines(HostEngine* pEngine);

  Figure m_figure{kInitialRingCount};
  // The caption's measures format, checked once rather than at every click.
  mutable MeasureFormatter m_measureFormatter;
  EditStep m_step = EditStep::Idle;
  // The vertex a press picked in the current ring, or -1.
  int32_t m_curVertex = -1;
  // POLAR_* bits, and the values polar input holds the pointer to.
  uint32_t m_polarFlags = 0;
  double m_polarAngle = 0;
  double m_angleToAdd = 0;
  double m_polarLength = 0;
  // Where polar input measures from (UpdatePolarReference).
  Point3 m_last;
  Point3 m_polarBase;
  // The pivot of a rotation or scaling, the anchor of a move.
  Point3 m_drag;
  // The record the last commit wrote; the editor releases it with the next commit, an
  // abort or its own end, so a container reads it before any of those.
  RECORDADDR m_pDrawnNtt = 0;
  // The engine pointer input goes through (the overlay painter's is m_pPaintEngine).
  HostEngine* m_pEngine = nullptr;
  // Set by DisableBeginEndEdit for the running edit: its first and last vertices stay
  // put. Each start clears it.
  int32_t m_noBeginEndEdit = 0;
  // Whether the figure has heights: from the control's 3D mode at a start, from the
  // record when one is loaded or highlighted.
  bool m_is3D = false;
  // The highlighted vertices: the first m_hiliteCount of the ring.
  Ring m_hiliteRing;
  int32_t m_hiliteCount = 0;
  bool m_destroying = false;      // the control is going away: nothing may hold it
  uint32_t m_editSerial = 0;
  int32_t m_startDepth = 0;
  // Whether m_savedUtils, and m_savedInputState with the reference point, hold values
  // taken from the host and not yet given back.
  bool m_utilsSaved = false;
  bool m_inputSaved = false;
  // Whether the engines hold a registration of ours now. An engine pointer can outlive
  // its registration (highlighting withdraws both and keeps the pointers); only an
  // engine that holds one is sure to be alive when the editor goes away, since a host
  // that goes away detaches what is registered with it.
  bool m_handlerRegistered = false;
  bool m_painterRegistered = false;
  int64_t m_undoMemoryLimit = kDefaultUndoMemoryLimit;
  bool m_hostManagesUtils = false;
  EditSite* m_pSite;  // not owned: the control that owns this editor
  int32_t m_mode = MODE_IDLE;
  CString m_savedUtils;
  int32_t m_savedInputState[3] = {0, 0, 0};
  int32_t m_savedRefValid = -1;
  Point3 m_savedRef;
  Point3 m_basePoint;
  int32_t m_lastPtrX = 0, m_lastPtrY = 0;
  // What polar input took over from the host: the mode pair, and the input state read
  // before its dialog opened.
  int32_t m_savedModePair[2] = {0, 0};
  bool m_inputStateForced = false;
  int32_t m_dlgSavedInputState[3] = {0, 0, 0};
  // Whether the XOR rubber band is on the view now (a repaint wipes it).
  bool m_rubberDrawn = false;
  // What the press of a rotation or scaling drag recorded, updated by each move: the
  // pointer's angle about the pivot and its distance from it.
  double m_rotateAngle = 0;
  double m_scaleFactor = 0;
  // The window that held the capture before a press took it for the view.
  HWND m_hPrevCapture = nullptr;
  // The engine the overlay painter is registered with (pointer handling may be elsewhere).
  HostEngine* m_pPaintEngine = nullptr;
  EditHistory m_history{kDefaultUndoMemoryLimit};
  // Whether undo and redo may run now: an edit, between actions, no drag.
  bool HistoryUsable() const;
  StepMarks CaptureMarks() const;
  void RestoreMarks(const StepMarks& marks);
};
