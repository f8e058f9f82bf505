// The installer's window "Setup": a button per application, a status line and "Kết thúc".
#pragma once

#include <QWidget>
#include <functional>

#include "ts/office/installer.hpp"

class QLabel;
class QPushButton;

namespace ts::office::window {

class SetupWindow : public QWidget {
  Q_OBJECT
 public:
  // `options`: the office to install into.
  explicit SetupWindow(OfficeOptions options, QWidget* parent = nullptr);

  QPushButton* button(App app) const;
  QPushButton* cancelButton() const { return cancel_; }
  QLabel* status() const { return status_; }
  // A button run: the clean-up and setup routines of `app`, the window painting meanwhile.
  void runButton(App app);

 protected:
  void paintEvent(QPaintEvent*) override;
  // Escape closes the window, as "Kết thúc" does (not while a setup runs).
  void keyPressEvent(QKeyEvent* e) override;

 private:
  // Twips (1/1440 inch) in the window's pixels.
  int px(int twips) const;
  void place(QWidget* w, int left, int top, int width, int height) const;

  OfficeOptions options_;
  QPushButton* calc_;
  QPushButton* writer_;
  QPushButton* impress_;
  QPushButton* cancel_;
  QLabel* status_;
  QLabel* logo_;
};

int runWindow(int argc, char** argv, const OfficeOptions& options);

}  // namespace ts::office::window
