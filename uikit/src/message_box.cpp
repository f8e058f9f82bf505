#include "ts/ui/message_box.hpp"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "ts/ui/flat_button.hpp"
#include "ts/ui/hyperlink.hpp"
#include "ts/ui/ui_font.hpp"
#include "ts/unicode.hpp"

namespace ts::ui {

QString fromTcvn3(std::string_view tcvn3) {
  const std::string utf8 = tcvn3ToUtf8(tcvn3);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

MessageBox::MessageBox(QWidget* parent, std::optional<QColor> linkHover) : QDialog(parent) {
  setWindowTitle(QCoreApplication::translate("ui", kCaption));
  setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
  InstallUiFont();
  QFont f(uiFontFamily());
  f.setPointSize(8);
  setFont(f);
  // Dialog base units of the font: the average width of the letters and the height.
  const QFontMetrics fm(f);
  const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  baseX_ = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
  baseY_ = fm.height();
  auto place = [this](QWidget* w, int x, int y, int cx, int cy) {
    const QPoint at = toPixels(x, y), extent = toPixels(cx, cy);
    w->setGeometry(at.x(), at.y(), extent.x(), extent.y());
  };
  ok_ = new FlatButton("&OK", this);
  ok_->setObjectName(kOkName);
  const QIcon okIcon = style()->standardIcon(QStyle::SP_DialogOkButton);
  ok_->setIcons(okIcon, okIcon);
  ok_->setDefault(true);
  place(ok_, 165, 35, 50, 14);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  // The text in a frameless scroll area: three lines as the box was drawn, more by growing.
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setWidgetResizable(true);
  scroll_->setBackgroundRole(QPalette::Window);
  text_ = new QLabel;
  text_->setObjectName(kTextName);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  scroll_->setWidget(text_);

  icon_ = new QLabel(this);
  const QPoint iconAt = toPixels(5, 9);
  icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  icon_->setGeometry(iconAt.x(), iconAt.y(), 32, 32);

  web_ = new HyperLink(this, linkHover);
  web_->setObjectName(kWebName);
  web_->setText(
      QString::fromLatin1(kWebAddress).remove("https://").remove(QRegularExpression("/$")));
  web_->setTarget(QString::fromLatin1(kWebAddress));
  place(web_, 9, 53, 78, 8);

  mail_ = new HyperLink(this, linkHover);
  mail_->setObjectName(kMailName);
  mail_->setText(QString::fromLatin1(kEmailAddress));
  mail_->setTarget(QString("mailto:") + kEmailAddress);
  mail_->setAlignment(Qt::AlignRight | Qt::AlignTop);  // grows to the left: stays in the box
  place(mail_, 138, 53, 76, 8);

  separator_ = new QFrame(this);
  separator_->setFrameShape(QFrame::HLine);
  separator_->setFrameShadow(QFrame::Sunken);
  place(separator_, 0, 52, 219, 1);
  separator_->setFixedHeight(2);

  for (HyperLink* l : {web_, mail_}) {
    l->setLinkCursor(Qt::PointingHandCursor);
    l->attach();
  }
  for (QWidget* w : std::initializer_list<QWidget*>{ok_, web_, mail_, separator_})
    w->setProperty("baseTop", w->y());
  layOut(toPixels(0, 24).y());
  ok_->setFocus();
}

QPoint MessageBox::toPixels(int x, int y) const { return QPoint(x * baseX_ / 4, y * baseY_ / 8); }

void MessageBox::layOut(int textHeight) {
  // The box as drawn (219 x 62 units, the text 24 units high), taller by what the text needs.
  const int extra = std::max(0, textHeight - toPixels(0, 24).y());
  const QPoint size = toPixels(219, 62);
  setFixedSize(size.x(), size.y() + extra);
  const QPoint textAt = toPixels(33, 8), textExtent = toPixels(179, 24);
  scroll_->setGeometry(textAt.x(), textAt.y(), textExtent.x(), textExtent.y() + extra);
  // What is below the text moves down with it, keeping its size and its left edge.
  for (QWidget* w : std::initializer_list<QWidget*>{ok_, web_, mail_, separator_})
    w->move(w->x(), w->property("baseTop").toInt() + extra);
}

void MessageBox::setText(const QString& text) {
  text_->setText(text);
  const int width = toPixels(179, 0).x();
  const int needed =
      text_->heightForWidth(width - scroll_->verticalScrollBar()->sizeHint().width());
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  const int most = screen != nullptr ? screen->availableGeometry().height() / 2 : 400;
  layOut(std::clamp(needed > toPixels(0, 24).y() ? needed : 0, 0, most));
}

bool MessageBox::scrolls() const {
  const int bar = scroll_->verticalScrollBar()->sizeHint().width();
  return text_->heightForWidth(scroll_->width() - bar) > scroll_->height();
}
QString MessageBox::text() const { return text_->text(); }

void ShowMessage(const QString& text, QWidget* parent, std::optional<QColor> linkHover) {
  MessageBox box(parent, linkHover);
  box.setText(text);
  box.exec();
}

void ShowMessageTcvn3(std::string_view tcvn3, QWidget* parent, std::optional<QColor> linkHover) {
  ShowMessage(fromTcvn3(tcvn3), parent, linkHover);
}

}  // namespace ts::ui
