// The message box of the dialog programs: the message, an icon, an OK button and the links
// to the project's web site and e-mail address, in the interface font.
#pragma once

#include <QColor>
#include <QDialog>
#include <optional>
#include <string_view>

#include "ts/ui/program.hpp"

class QLabel;
class QScrollArea;
class QFrame;

namespace ts::ui {

class FlatButton;
class HyperLink;

class MessageBox : public QDialog {
  Q_OBJECT
 public:
  // The box's caption, Vietnamese in the sources ("ui" in the windows' translations).
  static constexpr const char* kCaption = "Chú ý";
  // The object names of the box's controls.
  static constexpr const char* kOkName = "ok";
  static constexpr const char* kTextName = "text";
  static constexpr const char* kWebName = "webLink";
  static constexpr const char* kMailName = "mailLink";

  // `linkHover`: the hover colour of its links (none: the highlight colour of the moment).
  explicit MessageBox(QWidget* parent = nullptr, std::optional<QColor> linkHover = std::nullopt);

  // A text longer than the box's three lines makes it taller, up to about half the screen,
  // and then scrolls: every line of a long report can be read.
  void setText(const QString& text);
  QString text() const;
  FlatButton* okButton() const { return ok_; }
  HyperLink* webLink() const { return web_; }
  HyperLink* mailLink() const { return mail_; }

  // Dialog units of the box's font to pixels.
  QPoint toPixels(int x, int y) const;
  // Whether the text scrolls in its box.
  bool scrolls() const;

 private:
  void layOut(int textHeight);
  QScrollArea* scroll_;
  QFrame* separator_;
  QLabel* text_;
  QLabel* icon_;
  FlatButton* ok_;
  HyperLink* web_;
  HyperLink* mail_;
  int baseX_ = 6, baseY_ = 13;
};

// Shows `text` in the message box, modally, and returns when the user has closed it.
void ShowMessage(const QString& text, QWidget* parent = nullptr,
                 std::optional<QColor> linkHover = std::nullopt);
// The same for a text stored in TCVN3 (the programs' dialog texts), shown through the engine.
void ShowMessageTcvn3(std::string_view tcvn3, QWidget* parent = nullptr,
                      std::optional<QColor> linkHover = std::nullopt);
// A TCVN3 text of the programs as Unicode.
QString fromTcvn3(std::string_view tcvn3);

}  // namespace ts::ui
