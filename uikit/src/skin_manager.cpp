#include "ts/ui/skin_manager.hpp"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateTimeEdit>
#include <QDialog>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "skin_painters.hpp"

namespace ts::ui {
namespace {

bool ownerDrawn(const QWidget* w) { return w->property("tsOwnerDrawn").toBool(); }

// The scroll area whose own scroll bar `bar` is, or nullptr for a scroll bar on its own.
QAbstractScrollArea* areaOfBar(const QScrollBar* bar) {
  for (QWidget* p = bar->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget())
    if (auto* area = qobject_cast<QAbstractScrollArea*>(p))
      return area->horizontalScrollBar() == bar || area->verticalScrollBar() == bar ? area
                                                                                    : nullptr;
  return nullptr;
}

bool framed(const QFrame* f) { return f->frameShape() != QFrame::NoFrame; }

bool insideEditor(const QWidget* w) {
  const QWidget* p = w->parentWidget();
  return p != nullptr && (qobject_cast<const QAbstractSpinBox*>(p) != nullptr ||
                          qobject_cast<const QComboBox*>(p) != nullptr);
}

QList<QToolButton*> toolButtons(const QToolBar* bar) {
  return bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
}

// Headers, tool bars and tab controls: hot by item, not as a whole.
bool tracksItems(SkinKind k) {
  return k == SkinKind::Header || k == SkinKind::Toolbar || k == SkinKind::TabControl;
}

bool isDialogWindow(const QWidget* w) {
  if (!w->isWindow()) return false;
  const Qt::WindowType t = w->windowType();
  return t == Qt::Dialog || t == Qt::Window || t == Qt::Sheet;
}

}  // namespace

SkinKind skinKindOf(const QWidget* w) {
  if (w == nullptr || w->isWindow() || ownerDrawn(w)) return SkinKind::None;
  if (qobject_cast<const QCheckBox*>(w)) return SkinKind::CheckBox;
  if (qobject_cast<const QRadioButton*>(w)) return SkinKind::RadioButton;
  if (auto* b = qobject_cast<const QPushButton*>(w))
    return b->isFlat() ? SkinKind::None : SkinKind::PushButton;
  if (auto* t = qobject_cast<const QToolButton*>(w)) {
    if (qobject_cast<const QToolBar*>(t->parentWidget())) return SkinKind::None;
    return t->autoRaise() ? SkinKind::None : SkinKind::PushButton;
  }
  if (auto* d = qobject_cast<const QDateTimeEdit*>(w)) {
    if (!d->hasFrame()) return SkinKind::None;
    return d->calendarPopup() ? SkinKind::ComboBox : SkinKind::UpDownEdit;
  }
  if (auto* s = qobject_cast<const QAbstractSpinBox*>(w))
    return s->hasFrame() ? SkinKind::UpDownEdit : SkinKind::None;
  if (auto* c = qobject_cast<const QComboBox*>(w))
    return c->hasFrame() ? SkinKind::ComboBox : SkinKind::None;
  if (auto* e = qobject_cast<const QLineEdit*>(w))
    return e->hasFrame() && !insideEditor(e) ? SkinKind::PlainFrame : SkinKind::None;
  if (auto* h = qobject_cast<const QHeaderView*>(w))
    return h->sectionsClickable() ? SkinKind::Header : SkinKind::None;
  if (auto* bar = qobject_cast<const QScrollBar*>(w)) {
    QAbstractScrollArea* area = areaOfBar(bar);
    if (area == nullptr) return SkinKind::ScrollBar;
    return skinKindOf(area) == SkinKind::PlainFrame ? SkinKind::ScrollBar : SkinKind::None;
  }
  if (qobject_cast<const QSlider*>(w)) return SkinKind::Trackbar;
  if (auto* tb = qobject_cast<const QToolBar*>(w)) {
    const QList<QToolButton*> buttons = toolButtons(tb);
    const bool flat =
        buttons.isEmpty() || std::all_of(buttons.begin(), buttons.end(),
                                         [](const QToolButton* b) { return b->autoRaise(); });
    return flat ? SkinKind::None : SkinKind::Toolbar;
  }
  if (auto* tabs = qobject_cast<const QTabWidget*>(w))
    return tabs->documentMode() ? SkinKind::None : SkinKind::TabControl;
  if (qobject_cast<const QCalendarWidget*>(w)) return SkinKind::PlainFrame;
  if (auto* view = qobject_cast<const QAbstractItemView*>(w))
    return framed(view) ? SkinKind::PlainFrame : SkinKind::None;
  if (auto* text = qobject_cast<const QTextEdit*>(w))
    return framed(text) ? SkinKind::PlainFrame : SkinKind::None;
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w))
    return framed(plain) ? SkinKind::PlainFrame : SkinKind::None;
  return SkinKind::None;
}

// The per-thread hook: sees the events of the thread's widgets before they do.
class SkinManager::Hook : public QObject {
 public:
  Hook(SkinManager& m, Qt::HANDLE thread) : manager_(m), thread_(thread) {}

  bool eventFilter(QObject* o, QEvent* e) override {
    if (!o->isWidgetType() || QThread::currentThreadId() != thread_) return false;
    auto* w = static_cast<QWidget*>(o);
    if (manager_.mode_ == kDialogMode) {
      if (e->type() == QEvent::Show && isDialogWindow(w) && !manager_.dialogs_.contains(w))
        manager_.skinDialog(w);
      // A widget created later anywhere inside a skinned dialog (the dialog itself hears of
      // its direct children only).
      else if (e->type() == QEvent::Polish && !w->isWindow() &&
               manager_.dialogs_.contains(w->window()))
        manager_.skinControl(w);
    } else if (e->type() == QEvent::Polish && !w->isWindow() && !qobject_cast<QScrollBar*>(w)) {
      manager_.skinControl(w);
    }
    return false;
  }

 private:
  SkinManager& manager_;
  Qt::HANDLE thread_;
};

SkinManager& SkinManager::instance() {
  static QPointer<SkinManager> manager;
  if (manager.isNull()) manager = new SkinManager(QCoreApplication::instance());
  return *manager;
}

SkinManager::SkinManager(QObject* parent) : QObject(parent) {
  timer_ = new QTimer(this);
  timer_->setInterval(100);
  connect(timer_, &QTimer::timeout, this, &SkinManager::hoverTick);
  style_ = new detail::SkinStyle(*this);
  style_->setParent(this);
}

SkinManager::~SkinManager() {
  // The program ends: unhook every thread and give every control that is left its look back.
  for (Hook* h : std::as_const(hooks_)) {
    QCoreApplication::instance()->removeEventFilter(h);
    delete h;
  }
  hooks_.clear();
  const auto controls = controls_;
  for (const auto& c : controls)
    if (c->widget) unskinControl(c->widget);
  for (const QPointer<QWidget>& d : std::as_const(dialogs_))
    if (d) d->removeEventFilter(this);
}

void SkinManager::install(Qt::HANDLE thread, int mode) {
  if (thread == nullptr) thread = QThread::currentThreadId();
  mode_ = mode;
  if (!hooks_.contains(thread)) {
    auto* hook = new Hook(*this, thread);
    QCoreApplication::instance()->installEventFilter(hook);
    hooks_.insert(thread, hook);
  }
  refreshTimer();
}

void SkinManager::remove(Qt::HANDLE thread) {
  if (thread == nullptr) thread = QThread::currentThreadId();
  if (Hook* h = hooks_.take(thread)) {
    QCoreApplication::instance()->removeEventFilter(h);
    delete h;
  }
  refreshTimer();
}

bool SkinManager::installed(Qt::HANDLE thread) const {
  return hooks_.contains(thread != nullptr ? thread : QThread::currentThreadId());
}

bool SkinManager::timerRunning() const { return timer_->isActive(); }

void SkinManager::refreshTimer() {
  if (!controls_.isEmpty() && !hooks_.isEmpty()) {
    if (!timer_->isActive()) timer_->start();
  } else {
    timer_->stop();
  }
}

void SkinManager::setCursorSource(std::function<QPoint()> position,
                                  std::function<bool()> captured) {
  cursorPos_ = std::move(position);
  cursorCaptured_ = std::move(captured);
}

const SkinnedControl* SkinManager::control(const QWidget* w) const {
  auto it = controls_.constFind(w);
  return it == controls_.constEnd() ? nullptr : it->get();
}

SkinnedControl* SkinManager::find(const QWidget* w) {
  auto it = controls_.find(w);
  return it == controls_.end() ? nullptr : it->get();
}

void SkinManager::skinDialog(QWidget* dialog) {
  if (dialog == nullptr || dialogs_.contains(dialog)) return;
  QList<SkinnedControl*> skinned;
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    // Children of the dialog's own window only: not a combo box's pop-up list, nor a nested
    // dialog itself.
    if (child->window() != dialog || qobject_cast<QDialog*>(child)) continue;
    if (skinControl(child)) skinned.append(find(child));
  }
  // The dialog's own subclass: children polished later in the dialog are skinned too.
  dialogs_.insert(dialog, dialog);
  dialog->installEventFilter(this);
  connect(dialog, &QObject::destroyed, this, [this, dialog] { dialogs_.remove(dialog); });
  for (SkinnedControl* c : skinned)
    if (c != nullptr) updateTargets(*c);
}

bool SkinManager::skinControl(QWidget* w) {
  if (w == nullptr || isSkinned(w)) return false;
  const SkinKind kind = skinKindOf(w);
  if (kind == SkinKind::None) return false;
  if (kind == SkinKind::ScrollBar) {
    // A scroll area's own bars come with the area.
    if (QAbstractScrollArea* area = areaOfBar(static_cast<QScrollBar*>(w))) {
      if (!isSkinned(area)) return skinControl(area);
      return skinAs(w, kind, area) != nullptr;
    }
  }
  SkinnedControl* c = skinAs(w, kind, nullptr);
  if (c == nullptr) return false;
  if (kind == SkinKind::PlainFrame) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
      skinAs(area->horizontalScrollBar(), SkinKind::ScrollBar, area);
      skinAs(area->verticalScrollBar(), SkinKind::ScrollBar, area);
    }
  }
  return true;
}

SkinnedControl* SkinManager::skinAs(QWidget* w, SkinKind kind, QWidget* owner) {
  if (w == nullptr || isSkinned(w)) return nullptr;
  auto c = std::make_shared<SkinnedControl>();
  c->widget = w;
  c->kind = kind;
  c->owner = owner;
  c->paintTargets.append(w);
  if (kind == SkinKind::Header) {
    c->paintTargets = {static_cast<QHeaderView*>(w)->viewport()};
  } else if (kind == SkinKind::Toolbar) {
    c->paintTargets.clear();
    for (QToolButton* b : toolButtons(static_cast<QToolBar*>(w))) c->paintTargets.append(b);
  } else if (kind == SkinKind::TabControl) {
    c->paintTargets.append(static_cast<QTabWidget*>(w)->tabBar());
  } else if (kind == SkinKind::PlainFrame && qobject_cast<QCalendarWidget*>(w)) {
    w->setContentsMargins(2, 2, 2, 2);  // room for the rings around the calendar's children
  }
  controls_.insert(w, c);
  w->installEventFilter(this);
  connect(w, &QObject::destroyed, this, &SkinManager::forget);
  for (const QPointer<QWidget>& t : std::as_const(c->paintTargets)) {
    if (!t) continue;
    targets_.insert(t, c.get());
    if (t != w) {
      t->installEventFilter(this);
      connect(t, &QObject::destroyed, this, &SkinManager::forget);
    }
  }
  if (!tracksItems(kind)) w->setStyle(style_);
  c->state = currentState(w);
  refreshTimer();
  updateTargets(*c);
  return c.get();
}

void SkinManager::unskinControl(QWidget* w) {
  auto it = controls_.find(w);
  if (it == controls_.end()) return;
  std::shared_ptr<SkinnedControl> c = *it;
  controls_.erase(it);
  for (const QPointer<QWidget>& t : std::as_const(c->paintTargets)) {
    if (!t) continue;
    targets_.remove(t);
    t->removeEventFilter(this);
    disconnect(t, &QObject::destroyed, this, &SkinManager::forget);
    t->update();
  }
  w->removeEventFilter(this);
  disconnect(w, &QObject::destroyed, this, &SkinManager::forget);
  if (w->style() == style_) w->setStyle(nullptr);
  if (qobject_cast<QCalendarWidget*>(w)) w->setContentsMargins(0, 0, 0, 0);
  if (hot_ == w) hot_ = nullptr;
  // The bars of a scroll area go with it.
  const auto rest = controls_;
  for (const auto& other : rest)
    if (other->owner == w && other->widget) unskinControl(other->widget);
  w->update();
  refreshTimer();
}

void SkinManager::forget(QObject* o) {
  // Called from QObject's destructor: the widget part is gone, only the address is used.
  auto* key = static_cast<QWidget*>(o);
  targets_.remove(key);
  if (auto it = controls_.find(key); it != controls_.end()) {
    for (const QPointer<QWidget>& t : std::as_const((*it)->paintTargets))
      if (t && t != key) {
        targets_.remove(t);
        t->removeEventFilter(this);
      }
    controls_.erase(it);
  }
  for (auto& c : controls_) c->paintTargets.removeAll(key);
  if (hot_ == key) hot_ = nullptr;
  refreshTimer();
}

std::uint8_t SkinManager::currentState(const QWidget* w) const {
  const SkinnedControl* c = control(w);
  std::uint8_t s = c != nullptr ? (c->state & SkinnedControl::kHot) : 0;
  bool focused = w->hasFocus();
  if (auto* combo = qobject_cast<const QComboBox*>(w))
    focused = focused || (combo->lineEdit() != nullptr && combo->lineEdit()->hasFocus());
  if (auto* tabs = qobject_cast<const QTabWidget*>(w))
    focused = focused || tabs->tabBar()->hasFocus();
  if (focused) s |= SkinnedControl::kFocused;
  QRect r = w->rect();
  if (auto* f = qobject_cast<const QFrame*>(w); f && f->contentsRect().left() == 3)
    r.adjust(1, 1, -1, -1);
  if (r.height() < 30) s |= SkinnedControl::kSmall;
  bool readOnly = false;
  if (auto* e = qobject_cast<const QLineEdit*>(w)) readOnly = e->isReadOnly();
  if (auto* e = qobject_cast<const QAbstractSpinBox*>(w)) readOnly = e->isReadOnly();
  if (auto* e = qobject_cast<const QTextEdit*>(w)) readOnly = e->isReadOnly();
  if (auto* e = qobject_cast<const QPlainTextEdit*>(w)) readOnly = e->isReadOnly();
  if (readOnly) s |= SkinnedControl::kReadOnly;
  return s;
}

void SkinManager::updateTargets(SkinnedControl& c) {
  for (const QPointer<QWidget>& t : std::as_const(c.paintTargets))
    if (t) t->update();
  if (c.kind == SkinKind::PlainFrame)
    for (const auto& other : std::as_const(controls_))
      if (other->owner == c.widget && other->widget) other->widget->update();
}

void SkinManager::requestFrame(SkinnedControl& c) {
  if (!c.widget) return;
  c.state = currentState(c.widget);
  const bool itemKind = tracksItems(c.kind);
  // A frame that already shows the active look stays as it is while the control stays hot, or
  // stays focused.
  const std::uint8_t was = c.paintedState, now = c.state;
  if (!itemKind &&
      (((was & now) & SkinnedControl::kHot) || ((was & now) & SkinnedControl::kFocused)))
    return;
  updateTargets(c);
}

void SkinManager::paintFrame(SkinnedControl& c, QWidget* target) {
  if (!c.widget) return;
  c.state = currentState(c.widget);
  QRect rect = target->rect();
  if (target == c.widget)
    if (auto* f = qobject_cast<QFrame*>(target); f && f->contentsRect().left() == 3)
      rect.adjust(1, 1, -1, -1);
  {
    QPainter p(target);
    detail::paintSkinFrame(p, c, target, rect);
  }
  c.paintedState = c.state;
  ++c.framePaints;
}

int SkinManager::itemUnderCursor(const SkinnedControl& c, QPoint global) const {
  if (!c.widget) return -1;
  switch (c.kind) {
    case SkinKind::Header: {
      auto* h = static_cast<QHeaderView*>(c.widget.data());
      const QPoint at = h->viewport()->mapFromGlobal(global);
      return h->viewport()->rect().contains(at) ? h->logicalIndexAt(at) : -1;
    }
    case SkinKind::Toolbar: {
      const QList<QToolButton*> buttons = toolButtons(static_cast<QToolBar*>(c.widget.data()));
      for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isVisible() &&
            buttons[i]->rect().contains(buttons[i]->mapFromGlobal(global)))
          return i;
      return -1;
    }
    case SkinKind::TabControl: {
      QTabBar* bar = static_cast<QTabWidget*>(c.widget.data())->tabBar();
      return bar->tabAt(bar->mapFromGlobal(global));
    }
    default: return -1;
  }
}

void SkinManager::hoverTick() {
  if (controls_.isEmpty()) return;
  const bool captured = cursorCaptured_ ? cursorCaptured_()
                                        : (QWidget::mouseGrabber() != nullptr ||
                                           QApplication::activePopupWidget() != nullptr ||
                                           QGuiApplication::mouseButtons() != Qt::NoButton);
  if (captured) return;
  const QPoint pos = cursorPos_ ? cursorPos_() : QCursor::pos();
  QWidget* under = QApplication::widgetAt(pos);
  SkinnedControl* c = under != nullptr ? find(under) : nullptr;
  if (c == nullptr && under != nullptr && under->parentWidget() != nullptr)
    c = find(under->parentWidget());
  SkinnedControl* current = hot_ ? find(hot_) : nullptr;
  auto markParentView = [this](SkinnedControl& header, bool on) {
    if (header.kind != SkinKind::Header) return;
    if (SkinnedControl* view = find(header.widget->parentWidget())) {
      if (on)
        view->state |= SkinnedControl::kHot;
      else
        view->state &= ~SkinnedControl::kHot;
      requestFrame(*view);
    }
  };
  if (c != nullptr) {
    const int item = itemUnderCursor(*c, pos);
    const bool needed = c != current || (tracksItems(c->kind) && item != c->hotItem);
    if (!needed) return;
    if (current != nullptr) {
      current->state &= ~SkinnedControl::kHot;
      current->hotItem = -1;
      if (current != c) markParentView(*current, false);
      requestFrame(*current);
    }
    c->state |= SkinnedControl::kHot;
    c->hotItem = item;
    markParentView(*c, item >= 0);
    requestFrame(*c);
    hot_ = c->widget;
  } else if (current != nullptr) {
    current->state &= ~SkinnedControl::kHot;
    current->hotItem = -1;
    markParentView(*current, false);
    requestFrame(*current);
    hot_ = nullptr;
  }
}

bool SkinManager::eventFilter(QObject* watched, QEvent* e) {
  if (!watched->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(watched);
  switch (e->type()) {
    case QEvent::Paint: {
      SkinnedControl* c = targets_.value(w);
      if (c == nullptr) return false;
      // The control paints itself first; the frame goes over it in the same paint event.
      static_cast<QObject*>(w)->event(e);
      paintFrame(*c, w);
      return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::EnabledChange:
      // The frame follows once the control has taken the change in.
      if (isSkinned(w))
        QMetaObject::invokeMethod(
            this,
            [this, p = QPointer<QWidget>(w)] {
              if (SkinnedControl* c = p ? find(p) : nullptr) requestFrame(*c);
            },
            Qt::QueuedConnection);
      return false;
    case QEvent::ChildPolished: {
      auto* child = static_cast<QChildEvent*>(e)->child();
      if (SkinnedControl* c = find(w); c && c->kind == SkinKind::Toolbar) {
        if (auto* b = qobject_cast<QToolButton*>(child); b && !c->paintTargets.contains(b)) {
          c->paintTargets.append(b);
          targets_.insert(b, c);
          b->installEventFilter(this);
          connect(b, &QObject::destroyed, this, &SkinManager::forget);
        }
      }
      if (dialogs_.contains(w) && child->isWidgetType()) {
        auto* cw = static_cast<QWidget*>(child);
        if (!cw->isWindow()) {
          skinControl(cw);
          for (QWidget* d : cw->findChildren<QWidget*>())
            if (!d->isWindow()) skinControl(d);
        }
      }
      return false;
    }
    default: return false;
  }
}

}  // namespace ts::ui
