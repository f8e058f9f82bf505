#include "server_dialog.hpp"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "texts.hpp"
#include "ts/db/postgres.hpp"

namespace ts::db::window {

PgConnectDialog::PgConnectDialog(const Settings& start, QWidget* parent) : QDialog(parent) {
  setWindowTitle(texts::tr(texts::kPgTitle));
  auto* form = new QFormLayout;
  auto edit = [&](const char* name, const QString& value, const QString& label) {
    auto* e = new QLineEdit(value);
    e->setObjectName(name);
    form->addRow(label, e);
    return e;
  };
  host_ = edit("host", start.host, texts::tr(texts::kPgHost));
  host_->setPlaceholderText(texts::tr(texts::kPgHostEmpty));
  port_ = edit("port", start.port, texts::tr(texts::kPgPort));
  port_->setPlaceholderText("5432");
  database_ = edit("dbname", start.database, texts::tr(texts::kPgDatabase));
  user_ = edit("user", start.user, texts::tr(texts::kPgUser));
  password_ = edit("password", start.password, texts::tr(texts::kPgPassword));
  password_->setEchoMode(QLineEdit::Password);
  conninfo_ = edit("conninfo", start.conninfo, texts::tr(texts::kPgConninfo));
  conninfo_->setPlaceholderText("postgresql://user@host/database");
  result_ = new QLabel;
  result_->setObjectName("result");
  result_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* testButton =
      buttons->addButton(texts::tr(texts::kPgTest), QDialogButtonBox::ActionRole);
  connect(testButton, &QPushButton::clicked, this, [this] { test(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(result_);
  top->addStretch();
  top->addWidget(buttons);
  resize(420, 300);
}

PgConnectDialog::Settings PgConnectDialog::settings() const {
  return {host_->text(), port_->text(),     database_->text(),
          user_->text(), password_->text(), conninfo_->text()};
}

QString PgConnectDialog::conninfo() const {
  if (!conninfo_->text().trimmed().isEmpty()) return conninfo_->text().trimmed();
  return QString::fromStdString(pgConninfo(
      host_->text().toStdString(), port_->text().toStdString(), database_->text().toStdString(),
      user_->text().toStdString(), password_->text().toStdString()));
}

QLineEdit* PgConnectDialog::field(const char* name) const {
  return findChild<QLineEdit*>(QString::fromLatin1(name));
}

bool PgConnectDialog::test() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = false;
  try {
    connectPostgres(conninfo().toStdString());
    result_->setText(texts::tr(texts::kPgTested));
    ok = true;
  } catch (const DbError& e) {
    result_->setText(QString::fromUtf8(e.what()));
  }
  QApplication::restoreOverrideCursor();
  return ok;
}

}  // namespace ts::db::window
