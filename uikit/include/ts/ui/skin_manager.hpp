// The skin manager: gives the standard controls of every dialog a flat look that turns
// three-dimensional while the mouse is over a control or the control has the focus.
//
// Installed for the UI thread, it watches the thread's widgets through an application event
// filter: in dialog mode it skins the children of each dialog when the dialog is first shown
// (and the children created in it later), in creation mode each child widget when it is first
// polished.  A skinned control keeps its own painting; after each of its paint events the
// manager paints the frame of the control's kind over it, in the widget's own paint event,
// and a proxy style flattens the panels under that frame.  A 100 ms timer follows the cursor
// and moves the hot state from control to control.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

class QTimer;
class QPainter;
class QStyle;

namespace ts::ui {

enum class SkinKind {
  None,        // left alone
  PushButton,  // QPushButton, a QToolButton outside a tool bar
  CheckBox,
  RadioButton,
  ComboBox,    // QComboBox, and a QDateTimeEdit with a calendar pop-up
  PlainFrame,  // framed edits, text edits, item views, the calendar
  UpDownEdit,  // a spin box: an edit with its up-down buttons aligned to it
  Trackbar,    // QSlider
  ScrollBar,   // QScrollBar, on its own or of a skinned scroll area
  Header,      // QHeaderView with clickable sections
  Toolbar,     // QToolBar whose buttons do not raise themselves
  TabControl,  // QTabWidget and its tab bar
};

// The kind the manager gives `w` (None for windows, owner-drawn and flat buttons, group boxes,
// frameless edits and views, and every class it does not know).
SkinKind skinKindOf(const QWidget* w);

// One skinned control.
struct SkinnedControl {
  enum : std::uint8_t { kHot = 1, kSmall = 2, kFocused = 4, kReadOnly = 8 };

  QPointer<QWidget> widget;
  SkinKind kind = SkinKind::None;
  std::uint8_t state = 0;
  std::uint8_t paintedState = 0;  // the state at the last frame paint
  int hotItem = -1;               // headers, tool bars and tab controls: the item under the mouse
  QPointer<QWidget> owner;        // a scroll bar of a skinned scroll area: that area
  QList<QPointer<QWidget>> paintTargets;  // widgets whose paint events draw this frame
  int framePaints = 0;                    // frames painted so far (for tests)

  bool hot() const { return state & kHot; }
  bool active() const { return state & (kHot | kFocused); }
};

class SkinManager : public QObject {
  Q_OBJECT
 public:
  static constexpr int kDialogMode = 1;
  static constexpr int kCreationMode = 0;

  // The manager of the program (created on first use, destroyed with the application).
  static SkinManager& instance();

  // Installs the manager for `thread` (nullptr: the calling thread) in `mode`; both programs
  // call install(nullptr, kDialogMode) before they show their main dialog.
  void install(Qt::HANDLE thread = nullptr, int mode = kDialogMode);
  // Removes the manager from `thread` (nullptr: the calling thread).
  void remove(Qt::HANDLE thread = nullptr);
  bool installed(Qt::HANDLE thread = nullptr) const;
  int mode() const { return mode_; }

  // Skins one control (nothing for controls already skinned or of no kind); false when it
  // was left alone.
  bool skinControl(QWidget* w);
  // Skins the children of a dialog and follows the children created in it later.
  void skinDialog(QWidget* dialog);
  // Gives a control back its own look.
  void unskinControl(QWidget* w);

  const SkinnedControl* control(const QWidget* w) const;
  bool isSkinned(const QWidget* w) const { return control(w) != nullptr; }
  int skinnedCount() const { return static_cast<int>(controls_.size()); }
  QWidget* hotControl() const { return hot_; }
  bool timerRunning() const;

  // Where the cursor is and whether a window holds the mouse (the hover timer asks these;
  // tests put a fake cursor here).  Empty functions restore the real cursor.
  void setCursorSource(std::function<QPoint()> position, std::function<bool()> captured);
  // One tick of the hover timer.
  void hoverTick();

  // The state of a control as its frame is painted now (focused, small, read-only from the
  // widget; hot as the manager has it).
  std::uint8_t currentState(const QWidget* w) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Hook;
  explicit SkinManager(QObject* parent);
  ~SkinManager() override;

  SkinnedControl* find(const QWidget* w);
  SkinnedControl* skinAs(QWidget* w, SkinKind kind, QWidget* owner);
  void forget(QObject* w);
  void requestFrame(SkinnedControl& c);
  void paintFrame(SkinnedControl& c, QWidget* target);
  void updateTargets(SkinnedControl& c);
  int itemUnderCursor(const SkinnedControl& c, QPoint global) const;
  void refreshTimer();

  int mode_ = kDialogMode;
  QHash<Qt::HANDLE, Hook*> hooks_;
  QHash<const QWidget*, std::shared_ptr<SkinnedControl>> controls_;
  QHash<const QWidget*, SkinnedControl*> targets_;  // paint target -> its control
  QHash<const QWidget*, QPointer<QWidget>> dialogs_;
  QPointer<QWidget> hot_;
  QTimer* timer_ = nullptr;
  std::function<QPoint()> cursorPos_;
  std::function<bool()> cursorCaptured_;
  QStyle* style_ = nullptr;  // the proxy that flattens skinned panels
};

}  // namespace ts::ui
