#include "skin_painters.hpp"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTransform>
#include <algorithm>

#include "ts/ui/system_colours.hpp"

namespace ts::ui::detail {
namespace {

using S = SysColour;

bool disabled(const QWidget* w) { return !w->isEnabled(); }

int scrollExtent(const QWidget* w) {
  return w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w);
}

// The plain frame: edits, lists, views.
void plainFrame(QPainter& p, const SkinnedControl& c, const QRect& r) {
  const bool small = c.state & SkinnedControl::kSmall;
  if (c.active())
    drawFrame(p, r, {{S::BtnShadow, S::BtnHighlight}, {S::DkShadow3D, S::Light3D}});
  else if (!disabled(c.widget) && !(c.state & SkinnedControl::kReadOnly))
    drawFrame(
        p, r,
        {{S::BtnShadow, S::BtnHighlight}, {small ? S::BtnHighlight : S::Light3D, S::Light3D}});
  else
    drawFrame(p, r, {{S::BtnShadow, S::BtnHighlight}, {S::BtnFace, S::BtnFace}});
}

void dropButton(QPainter& p, const SkinnedControl& c, const QRect& button) {
  if (disabled(c.widget))
    drawFrame(p, button, {{S::BtnFace, S::BtnFace}, {S::BtnFace, S::BtnFace}});
  else if (c.active())
    drawFrame(p, button, {{S::BtnFace, S::DkShadow3D}, {S::BtnHighlight, S::BtnShadow}});
  else
    drawFrame(p, button, {{S::BtnHighlight, S::BtnShadow}, {S::BtnFace, S::BtnFace}});
}

// An up-down half, or an arrow button and the thumb of a scroll bar.
void buttonRings(QPainter& p, bool active, bool enabled, const QRect& r) {
  if (enabled && active)
    drawFrame(p, r, {{S::BtnFace, S::DkShadow3D}, {S::BtnHighlight, S::BtnShadow}});
  else
    drawFrame(p, r, {{S::BtnHighlight, S::BtnShadow}, {S::BtnFace, S::BtnFace}});
}

void pushButton(QPainter& p, const SkinnedControl& c, const QRect& r) {
  auto* b = qobject_cast<QPushButton*>(c.widget.data());
  const bool active = c.active();
  if (b != nullptr && b->isCheckable() && b->isChecked()) {
    if (active)
      drawFrame(p, r, {{S::DkShadow3D, S::BtnHighlight}, {S::BtnShadow, S::Light3D}});
    else
      drawFrame(p, r, {{S::BtnShadow, S::BtnHighlight}, {S::BtnFace, S::BtnFace}});
    return;
  }
  if (b != nullptr && b->isDefault() && b->isEnabled()) {
    if (active)
      drawFrame(p, r,
                {{S::DkShadow3D, S::DkShadow3D},
                 {S::BtnHighlight, S::DkShadow3D},
                 {S::Light3D, S::BtnShadow}});
    else
      drawFrame(p, r,
                {{S::DkShadow3D, S::DkShadow3D},
                 {S::BtnHighlight, S::BtnShadow},
                 {S::BtnFace, S::BtnFace}});
    return;
  }
  if (active)
    drawFrame(
        p, r,
        {{S::BtnHighlight, S::DkShadow3D}, {S::Light3D, S::BtnShadow}, {S::BtnFace, S::BtnFace}});
  else
    drawFrame(
        p, r,
        {{S::BtnHighlight, S::BtnShadow}, {S::BtnFace, S::BtnFace}, {S::BtnFace, S::BtnFace}});
}

void checkBox(QPainter& p, const SkinnedControl& c) {
  const QRect box = checkBoxBox(c.widget);
  if (c.active()) {
    drawFrame(p, box, {{S::DkShadow3D, S::BtnHighlight}, {S::BtnShadow, S::BtnFace}});
    return;
  }
  auto* cb = qobject_cast<QCheckBox*>(c.widget.data());
  const S y = disabled(c.widget)                                            ? S::BtnFace
              : (cb != nullptr && cb->checkState() == Qt::PartiallyChecked) ? S::BtnHighlight
                                                                            : S::Window;
  drawFrame(p, box, {{S::BtnShadow, S::BtnHighlight}, {y, y}});
}

// The four arcs of the radio circle in its 12 x 12 square: a = outer upper-left,
// b = inner upper-left, c = inner lower-right, d = outer lower-right (the two halves meet on
// the diagonal x + y = 10).
constexpr const char* kRadioArcs[12] = {
    "....aaaa....",  //
    "..aabbbbaa..",  //
    ".abb....bcd.",  //
    ".ab......cd.",  //
    "ab........cd",  //
    "ab........cd",  //
    "ab........cd",  //
    "ab........cd",  //
    ".ab......cd.",  //
    ".acc....ccd.",  //
    "..ddccccdd..",  //
    "....dddd....",  //
};

void radioButton(QPainter& p, const SkinnedControl& c) {
  const QRect sq = radioBox(c.widget);
  const bool off = disabled(c.widget);
  const QColor a = sysColour(S::BtnShadow);
  const QColor b = sysColour(off ? S::BtnFace : c.active() ? S::DkShadow3D : S::Window);
  const QColor cc = sysColour(S::BtnFace);
  const QColor d = sysColour(off ? S::BtnHighlight : S::Window);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const char k = kRadioArcs[y][x];
      if (k == '.') continue;
      p.fillRect(sq.x() + x, sq.y() + y, 1, 1, k == 'a' ? a : k == 'b' ? b : k == 'c' ? cc : d);
    }
}

void upDownEdit(QPainter& p, const SkinnedControl& c, const QRect& r) {
  plainFrame(p, c, r);  // the edit's frame goes round its buttons too
  auto* spin = qobject_cast<QAbstractSpinBox*>(c.widget.data());
  if (spin == nullptr) return;
  QStyleOptionSpinBox opt;
  opt.initFrom(spin);
  opt.frame = true;
  opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
  const QRect up =
      spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, spin);
  const QRect down =
      spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxDown, spin);
  const bool enabled = spin->isEnabled();
  // The line where the buttons meet the edit.
  const QColor join = sysColour(!enabled     ? S::BtnFace
                                : c.active() ? S::DkShadow3D
                                             : S::BtnHighlight);
  const QRect both = up.united(down);
  p.fillRect(both.left() - 1, both.top(), 1, both.height(), join);
  buttonRings(p, c.active(), enabled, up);
  buttonRings(p, c.active(), enabled, down);
}

// Thumb length and offset of a scroll bar with the given track length, as the classic bar
// measures them (the page counts in the range: range = maximum - minimum + page).
void thumbGeometry(const QScrollBar* bar, int track, int extent, int& length, int& offset) {
  const long page = bar->pageStep();
  const long min = bar->minimum(), max = bar->maximum();
  const long range = max - min + page;
  if (page <= 0 || range <= 0)
    length = extent;
  else
    length = static_cast<int>(page * track / range);
  length = std::clamp(length, std::min(8, track), std::max(track, 0));
  offset = max > min ? static_cast<int>((bar->value() - min) * (track - length) / (max - min)) : 0;
}

void scrollBar(QPainter& p, const SkinnedControl& c, const QRect& r, bool ownerActive) {
  auto* bar = qobject_cast<QScrollBar*>(c.widget.data());
  if (bar == nullptr) return;
  const bool active = c.active() || ownerActive;
  const bool enabled = bar->isEnabled();
  const bool horizontal = bar->orientation() == Qt::Horizontal;
  const int length = horizontal ? r.width() : r.height();
  const int thickness = horizontal ? r.height() : r.width();
  const int arrow = length < 2 * thickness ? length / 2 : thickness;
  auto part = [&](int from, int size) {
    return horizontal ? QRect(r.x() + from, r.y(), size, r.height())
                      : QRect(r.x(), r.y() + from, r.width(), size);
  };
  p.fillRect(r, sysColour(S::Light3D));  // the track
  const QRect first = part(0, arrow), second = part(length - arrow, arrow);
  const QStyle::PrimitiveElement arrows[2] = {
      horizontal ? QStyle::PE_IndicatorArrowLeft : QStyle::PE_IndicatorArrowUp,
      horizontal ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowDown};
  const QRect buttons[2] = {first, second};
  for (int i = 0; i < 2; ++i) {
    p.fillRect(buttons[i], sysColour(S::BtnFace));
    QStyleOption o;
    o.initFrom(bar);
    o.rect = buttons[i].adjusted(3, 3, -3, -3);
    bar->style()->drawPrimitive(arrows[i], &o, &p, bar);
    buttonRings(p, active, enabled, buttons[i]);
  }
  const int track = length - 2 * arrow;
  if (track > 0 && bar->maximum() > bar->minimum() && enabled) {
    int thumb = 0, offset = 0;
    thumbGeometry(bar, track, thickness, thumb, offset);
    const QRect t = part(arrow + offset, thumb);
    p.fillRect(t, sysColour(S::BtnFace));
    buttonRings(p, active, enabled, t);
  }
}

void trackbar(QPainter& p, const SkinnedControl& c, const QRect& r) {
  auto* slider = qobject_cast<QSlider*>(c.widget.data());
  if (slider == nullptr) return;
  QStyleOptionSlider opt;
  opt.initFrom(slider);
  opt.orientation = slider->orientation();
  opt.minimum = slider->minimum();
  opt.maximum = slider->maximum();
  opt.sliderPosition = slider->sliderPosition();
  opt.sliderValue = slider->value();
  opt.tickPosition = slider->tickPosition();
  opt.upsideDown = slider->invertedAppearance() != (slider->orientation() == Qt::Vertical);
  opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
  const bool horizontal = slider->orientation() == Qt::Horizontal;
  const bool active = c.active();
  p.fillRect(r, sysColour(S::BtnFace));  // redrawn flat
  // The channel: a sunken groove four pixels thick through the middle of the thumb.
  const QRect channel = horizontal ? QRect(r.x() + handle.width() / 2, handle.center().y() - 2,
                                           r.width() - handle.width(), 4)
                                   : QRect(handle.center().x() - 2, r.y() + handle.height() / 2, 4,
                                           r.height() - handle.height());
  if (active)
    drawFrame(p, channel, {{S::BtnShadow, S::BtnHighlight}, {S::DkShadow3D, S::Light3D}});
  else
    drawFrame(p, channel, {{S::BtnShadow, S::BtnHighlight}, {S::BtnFace, S::BtnFace}});
  // The thumb: a plain box for ticks on both sides, else a box pointing towards the ticks.
  const QColor outerTl = sysColour(S::BtnHighlight);
  const QColor innerTl = sysColour(active ? S::Light3D : S::BtnFace);
  const QColor outerBr = sysColour(active ? S::DkShadow3D : S::BtnShadow);
  const QColor innerBr = sysColour(active ? S::BtnShadow : S::BtnFace);
  QRect box = handle;
  const bool pointed = slider->tickPosition() != QSlider::TicksBothSides;
  if (!pointed) {
    p.fillRect(box, sysColour(S::BtnFace));
    drawRing(p, box, outerTl, outerBr);
    drawRing(p, box.adjusted(1, 1, -1, -1), innerTl, innerBr);
    return;
  }
  // Ticks above (or left) point the thumb that way; otherwise it points down (or right).  The
  // thumb is drawn as for a horizontal bar; a vertical one is its mirror image across the
  // diagonal, which keeps the top-left edges top-left.
  const bool towardsStart = slider->tickPosition() == QSlider::TicksAbove;
  p.save();
  if (!horizontal) {
    p.setTransform(QTransform(0, 1, 1, 0, 0, 0), true);
    box = QRect(box.y(), box.x(), box.height(), box.width());
  }
  const int w = box.width(), tip = std::min(w / 2, box.height() / 2);
  const int bodyH = box.height() - tip;
  const int x0 = box.x();
  const int bodyTop = towardsStart ? box.y() + tip : box.y();
  const QColor face = sysColour(S::BtnFace);
  p.fillRect(QRect(x0, bodyTop, w, bodyH), face);
  p.fillRect(x0, bodyTop, 1, bodyH, outerTl);  // left
  p.fillRect(x0 + 1, bodyTop + 1, 1, bodyH - 2, innerTl);
  p.fillRect(x0 + w - 1, bodyTop, 1, bodyH, outerBr);  // right
  p.fillRect(x0 + w - 2, bodyTop + 1, 1, bodyH - 2, innerBr);
  if (towardsStart) {
    p.fillRect(x0, bodyTop + bodyH - 1, w, 1, outerBr);  // bottom
    p.fillRect(x0 + 1, bodyTop + bodyH - 2, w - 2, 1, innerBr);
  } else {
    p.fillRect(x0, bodyTop, w - 1, 1, outerTl);  // top
    p.fillRect(x0 + 1, bodyTop + 1, w - 3, 1, innerTl);
  }
  for (int i = 0; i < tip; ++i) {  // the point, narrowing by a pixel on each side per row
    const int y = towardsStart ? box.y() + tip - 1 - i : bodyTop + bodyH + i;
    const int left = x0 + i, right = x0 + w - 1 - i;
    if (right < left) break;
    p.fillRect(left, y, right - left + 1, 1, face);
    p.fillRect(left, y, 1, 1, outerTl);
    p.fillRect(right, y, 1, 1, outerBr);
    if (right - left > 2) {
      p.fillRect(left + 1, y, 1, 1, innerTl);
      p.fillRect(right - 1, y, 1, 1, innerBr);
    }
  }
  p.restore();
}

void header(QPainter& p, const SkinnedControl& c, QWidget* target) {
  auto* h = qobject_cast<QHeaderView*>(c.widget.data());
  if (h == nullptr) return;
  const QRect area = target->rect();
  auto item = [&](const QRect& r, bool hot) {
    if (hot)
      drawFrame(p, r, {{S::BtnHighlight, S::DkShadow3D}, {S::Light3D, S::BtnShadow}});
    else
      drawFrame(p, r, {{S::BtnHighlight, S::BtnShadow}, {S::BtnFace, S::BtnFace}});
  };
  int end = 0;
  for (int visual = 0; visual < h->count(); ++visual) {
    const int logical = h->logicalIndex(visual);
    if (h->isSectionHidden(logical)) continue;
    const int pos = h->sectionViewportPosition(logical), size = h->sectionSize(logical);
    const QRect r = h->orientation() == Qt::Horizontal ? QRect(pos, 0, size, area.height())
                                                       : QRect(0, pos, area.width(), size);
    item(r, c.hot() && logical == c.hotItem);
    end = std::max(end, pos + size);
  }
  // The rest of the client area, as an item of its own.
  const QRect rest = h->orientation() == Qt::Horizontal
                         ? QRect(end, 0, area.width() - end, area.height())
                         : QRect(0, end, area.width(), area.height() - end);
  if (rest.isValid()) item(rest, false);
}

void toolButton(QPainter& p, const SkinnedControl& c, QWidget* target, const QRect& r) {
  auto* bar = qobject_cast<QToolBar*>(c.widget.data());
  auto* b = qobject_cast<QToolButton*>(target);
  if (bar == nullptr || b == nullptr) return;
  const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
  const bool hot = c.hot() && buttons.indexOf(b) == c.hotItem && b->isEnabled();
  if (!b->isChecked()) {
    if (hot)
      drawFrame(p, r, {{S::BtnHighlight, S::DkShadow3D}, {S::Light3D, S::BtnShadow}});
    else
      drawFrame(p, r, {{S::BtnHighlight, S::BtnShadow}, {S::BtnFace, S::BtnFace}});
  } else if (hot) {
    drawFrame(p, r, {{S::DkShadow3D, S::BtnHighlight}, {S::BtnShadow, S::BtnShadow}});
  } else {
    drawFrame(p, r, {{S::BtnShadow, S::BtnHighlight}, {S::BtnFace, S::BtnFace}});
  }
}

// The page area and the tabs beside the selected one, for the four orientations.
void tabControl(QPainter& p, const SkinnedControl& c, QWidget* target) {
  auto* tabs = qobject_cast<QTabWidget*>(c.widget.data());
  if (tabs == nullptr) return;
  const QColor light = sysColour(S::BtnHighlight);
  const QColor mid = sysColour(c.active() ? S::Light3D : S::BtnFace);
  const QColor dark = sysColour(S::DkShadow3D);
  const QColor shadow = sysColour(S::BtnShadow);
  const QTabWidget::TabPosition where = tabs->tabPosition();
  QTabBar* bar = tabs->tabBar();
  if (target == tabs) {
    QStyleOptionTabWidgetFrame opt;
    opt.initFrom(tabs);
    QRect page = tabs->style()->subElementRect(QStyle::SE_TabWidgetTabPane, &opt, tabs);
    if (!page.isValid()) return;
    const QRect sel = bar->tabRect(bar->currentIndex()).translated(bar->pos());
    // Outer ring: light towards the top left, dark towards the bottom right; the inner ring
    // one step softer.  The edge under the selected tab stays open.
    drawRing(p, page, light, dark);
    drawRing(p, page.adjusted(1, 1, -1, -1), mid, shadow);
    if (sel.isValid()) {
      const QColor face = sysColour(S::BtnFace);
      switch (where) {
        case QTabWidget::North:
          p.fillRect(sel.left() + 1, page.top(), sel.width() - 2, 2, face);
          break;
        case QTabWidget::South:
          p.fillRect(sel.left() + 1, page.bottom() - 1, sel.width() - 2, 2, face);
          break;
        case QTabWidget::West:
          p.fillRect(page.left(), sel.top() + 1, 2, sel.height() - 2, face);
          break;
        case QTabWidget::East:
          p.fillRect(page.right() - 1, sel.top() + 1, 2, sel.height() - 2, face);
          break;
      }
    }
    return;
  }
  // On the tab bar: the selected tab and the tabs next to it.
  const int current = bar->currentIndex();
  for (int i = current - 1; i <= current + 1; ++i) {
    if (i < 0 || i >= bar->count()) continue;
    const QRect t = bar->tabRect(i);
    const bool hot = c.hot() && i == c.hotItem;
    const QColor edge = hot ? dark : shadow;
    switch (where) {
      case QTabWidget::North:
        p.fillRect(t.left(), t.top(), t.width() - 1, 1, light);
        p.fillRect(t.left(), t.top(), 1, t.height(), light);
        p.fillRect(t.left() + 1, t.top() + 1, 1, t.height() - 1, mid);
        p.fillRect(t.right(), t.top(), 1, t.height(), edge);
        p.fillRect(t.right() - 1, t.top() + 1, 1, t.height() - 1, shadow);
        break;
      case QTabWidget::South:
        p.fillRect(t.left(), t.top(), 1, t.height(), light);
        p.fillRect(t.left(), t.bottom(), t.width(), 1, edge);
        p.fillRect(t.right(), t.top(), 1, t.height(), edge);
        p.fillRect(t.right() - 1, t.top(), 1, t.height() - 1, shadow);
        break;
      case QTabWidget::West:
        p.fillRect(t.left(), t.top(), t.width(), 1, light);
        p.fillRect(t.left(), t.top(), 1, t.height(), light);
        p.fillRect(t.left() + 1, t.top() + 1, 1, t.height() - 2, mid);
        p.fillRect(t.left(), t.bottom(), t.width(), 1, edge);
        break;
      case QTabWidget::East:
        p.fillRect(t.left(), t.top(), t.width(), 1, light);
        p.fillRect(t.right(), t.top(), 1, t.height(), edge);
        p.fillRect(t.right() - 1, t.top() + 1, 1, t.height() - 2, shadow);
        p.fillRect(t.left(), t.bottom(), t.width(), 1, edge);
        break;
    }
  }
}

}  // namespace

QRect checkBoxBox(const QWidget* w) {
  const int x = w->layoutDirection() == Qt::RightToLeft ? w->width() - 13 : 0;
  return QRect(x, (w->height() - 13) / 2, 13, 13);
}

QRect radioBox(const QWidget* w) {
  const int x = w->layoutDirection() == Qt::RightToLeft ? w->width() - 12 : 0;
  return QRect(x, (w->height() - 12) / 2, 12, 12);
}

QRect dropButtonRect(const QWidget* w, const QRect& frame) {
  const QRect inner = frame.adjusted(2, 2, -2, -2);
  const int width = std::min(scrollExtent(w), inner.width());
  return QRect(inner.right() - width + 1, inner.top(), width, inner.height());
}

void paintSkinFrame(QPainter& p, const SkinnedControl& c, QWidget* target, const QRect& rect) {
  switch (c.kind) {
    case SkinKind::PlainFrame: plainFrame(p, c, rect); break;
    case SkinKind::ComboBox:
      plainFrame(p, c, rect);
      dropButton(p, c, dropButtonRect(c.widget, rect));
      break;
    case SkinKind::PushButton: pushButton(p, c, rect); break;
    case SkinKind::CheckBox: checkBox(p, c); break;
    case SkinKind::RadioButton: radioButton(p, c); break;
    case SkinKind::UpDownEdit: upDownEdit(p, c, rect); break;
    case SkinKind::ScrollBar: {
      bool ownerActive = false;
      if (c.owner)
        if (const SkinnedControl* o = SkinManager::instance().control(c.owner))
          ownerActive = o->active();
      scrollBar(p, c, rect, ownerActive);
      break;
    }
    case SkinKind::Trackbar: trackbar(p, c, rect); break;
    case SkinKind::Header: header(p, c, target); break;
    case SkinKind::Toolbar: toolButton(p, c, target, target->rect()); break;
    case SkinKind::TabControl: tabControl(p, c, target); break;
    case SkinKind::None: break;
  }
}

// --- the proxy style -------------------------------------------------------------------

SkinStyle::SkinStyle(const SkinManager& manager) : manager_(manager) {}

SkinKind SkinStyle::kindOf(const QWidget* w) const {
  if (w == nullptr) return SkinKind::None;
  if (const SkinnedControl* c = manager_.control(w)) return c->kind;
  return SkinKind::None;
}

void SkinStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                              const QWidget* w) const {
  const SkinKind kind = kindOf(w);
  if (kind == SkinKind::None) return QProxyStyle::drawPrimitive(pe, opt, p, w);
  const bool enabled = opt->state & State_Enabled;
  switch (pe) {
    case PE_PanelButtonCommand:
    case PE_PanelButtonBevel:
    case PE_PanelButtonTool:
      if (kind == SkinKind::PushButton) {
        p->fillRect(opt->rect, sysColour(S::BtnFace));
        return;
      }
      break;
    case PE_FrameButtonBevel:
    case PE_FrameDefaultButton:
    case PE_FrameButtonTool:
      if (kind == SkinKind::PushButton) return;
      break;
    case PE_IndicatorCheckBox:
      if (kind == SkinKind::CheckBox) {
        const QRect inner = opt->rect.adjusted(2, 2, -2, -2);
        const bool partial = opt->state & State_NoChange;
        p->fillRect(inner, sysColour(!enabled  ? S::BtnFace
                                     : partial ? S::BtnHighlight
                                               : S::Window));
        if (opt->state & (State_On | State_NoChange)) {
          const QColor mark =
              (!enabled || partial) ? sysColour(S::BtnShadow) : sysColour(S::BtnText);
          // A check mark of three-pixel strokes, as the classic box draws it.
          const int x = inner.x() + 1, y = inner.y() + 2;
          for (int i = 0; i < 3; ++i) p->fillRect(x + i, y + 2 + i, 1, 3, mark);
          for (int i = 0; i < 4; ++i) p->fillRect(x + 3 + i, y + 3 - i, 1, 3, mark);
        }
        return;
      }
      break;
    case PE_IndicatorRadioButton:
      if (kind == SkinKind::RadioButton) {
        const QRect sq = opt->rect;
        p->save();
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(Qt::NoPen);
        p->setBrush(sysColour(enabled ? S::Window : S::BtnFace));
        p->drawEllipse(sq.adjusted(1, 1, -1, -1));
        if (opt->state & State_On) {
          p->setBrush(sysColour(enabled ? S::BtnText : S::BtnShadow));
          p->drawRect(QRect(sq.x() + 4, sq.y() + 5, 4, 2));
          p->drawRect(QRect(sq.x() + 5, sq.y() + 4, 2, 4));
        }
        p->restore();
        return;
      }
      break;
    case PE_PanelLineEdit:
      if (kind == SkinKind::PlainFrame) {
        p->fillRect(opt->rect, sysColour(enabled ? S::Window : S::BtnFace));
        return;
      }
      break;
    case PE_FrameLineEdit:
    case PE_Frame:
    case PE_FrameFocusRect:
      if (pe == PE_FrameFocusRect && kind == SkinKind::PushButton) break;
      if (kind == SkinKind::PlainFrame || kind == SkinKind::ComboBox ||
          kind == SkinKind::UpDownEdit)
        return;
      break;
    default: break;
  }
  QProxyStyle::drawPrimitive(pe, opt, p, w);
}

void SkinStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                   const QWidget* w) const {
  const SkinKind kind = kindOf(w);
  const bool enabled = opt->state & State_Enabled;
  // A combo box, or a date edit with a calendar pop-up: a flat field and the drop button.
  if (kind == SkinKind::ComboBox && (cc == CC_ComboBox || cc == CC_SpinBox)) {
    p->fillRect(opt->rect, sysColour(enabled ? S::Window : S::BtnFace));
    const QRect button = dropButtonRect(w, opt->rect);
    p->fillRect(button, sysColour(S::BtnFace));
    QStyleOption arrow = *opt;
    arrow.rect = button.adjusted(3, 3, -3, -3);
    QProxyStyle::drawPrimitive(PE_IndicatorArrowDown, &arrow, p, w);
    return;
  }
  if (cc == CC_SpinBox && kind == SkinKind::UpDownEdit) {
    p->fillRect(opt->rect, sysColour(enabled ? S::Window : S::BtnFace));
    for (SubControl sc : {SC_SpinBoxUp, SC_SpinBoxDown}) {
      const QRect r = subControlRect(cc, opt, sc, w);
      p->fillRect(r, sysColour(S::BtnFace));
      QStyleOption arrow = *opt;
      arrow.rect = r.adjusted(2, 1, -2, -1);
      QProxyStyle::drawPrimitive(sc == SC_SpinBoxUp ? PE_IndicatorArrowUp : PE_IndicatorArrowDown,
                                 &arrow, p, w);
    }
    return;
  }
  QProxyStyle::drawComplexControl(cc, opt, p, w);
}

int SkinStyle::pixelMetric(PixelMetric pm, const QStyleOption* opt, const QWidget* w) const {
  const SkinKind kind = kindOf(w);
  if (kind != SkinKind::None) {
    switch (pm) {
      case PM_DefaultFrameWidth:
      case PM_ComboBoxFrameWidth:
      case PM_SpinBoxFrameWidth: return 2;
      case PM_IndicatorWidth:
      case PM_IndicatorHeight: return 13;
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight: return 12;
      case PM_ButtonDefaultIndicator:
      case PM_ButtonShiftHorizontal:
      case PM_ButtonShiftVertical: return pm == PM_ButtonDefaultIndicator ? 0 : 1;
      default: break;
    }
  }
  return QProxyStyle::pixelMetric(pm, opt, w);
}

QRect SkinStyle::subElementRect(SubElement se, const QStyleOption* opt, const QWidget* w) const {
  const SkinKind kind = kindOf(w);
  if (se == SE_CheckBoxIndicator && kind == SkinKind::CheckBox) return checkBoxBox(w);
  if (se == SE_RadioButtonIndicator && kind == SkinKind::RadioButton) return radioBox(w);
  if (se == SE_LineEditContents && kind == SkinKind::PlainFrame)
    return opt->rect.adjusted(3, 2, -3, -2);
  return QProxyStyle::subElementRect(se, opt, w);
}

QRect SkinStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                const QWidget* w) const {
  const SkinKind kind = kindOf(w);
  if (cc == CC_ComboBox && kind == SkinKind::ComboBox) {
    const QRect button = dropButtonRect(w, opt->rect);
    if (sc == SC_ComboBoxArrow) return button;
    if (sc == SC_ComboBoxEditField)
      return QRect(opt->rect.left() + 3, opt->rect.top() + 3, button.left() - opt->rect.left() - 4,
                   opt->rect.height() - 6);
  }
  if (cc == CC_SpinBox && kind == SkinKind::UpDownEdit) {
    const QRect inner = opt->rect.adjusted(2, 2, -2, -2);
    const int bw = std::min(16, inner.width() / 2);
    const int half = inner.height() / 2;
    switch (sc) {
      case SC_SpinBoxUp: return QRect(inner.right() - bw + 1, inner.top(), bw, half);
      case SC_SpinBoxDown:
        return QRect(inner.right() - bw + 1, inner.top() + half, bw, inner.height() - half);
      case SC_SpinBoxEditField:
        return QRect(inner.left() + 1, inner.top(), inner.width() - bw - 2, inner.height());
      case SC_SpinBoxFrame: return opt->rect;
      default: break;
    }
  }
  if (cc == CC_SpinBox && kind == SkinKind::ComboBox) {
    const QRect button = dropButtonRect(w, opt->rect);
    switch (sc) {
      case SC_SpinBoxUp:
      case SC_SpinBoxDown: return QRect();
      case SC_SpinBoxEditField:
        return QRect(opt->rect.left() + 3, opt->rect.top() + 2,
                     button.left() - opt->rect.left() - 4, opt->rect.height() - 4);
      default: break;
    }
  }
  return QProxyStyle::subControlRect(cc, opt, sc, w);
}

}  // namespace ts::ui::detail
