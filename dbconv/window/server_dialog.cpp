#include "server_dialog.hpp"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cctype>
#include <cstdio>

#include "texts.hpp"
#include "ts/db/postgres.hpp"

namespace ts::db::window {

ServerDialog::ServerDialog(const Settings& start, QWidget* parent, Server server)
    : QDialog(parent), server_(server) {
  const bool pg = server == Server::kPostgres;
  setWindowTitle(texts::tr(pg ? texts::kPgTitle : texts::kMariaTitle));
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
  port_->setPlaceholderText(pg ? "5432" : "3306");
  database_ = edit("dbname", start.database, texts::tr(texts::kPgDatabase));
  user_ = edit("user", start.user, texts::tr(texts::kPgUser));
  password_ = edit("password", start.password, texts::tr(texts::kPgPassword));
  password_->setEchoMode(QLineEdit::Password);
  conninfo_ = edit("conninfo", start.conninfo, texts::tr(texts::kPgConninfo));
  conninfo_->setPlaceholderText(pg ? "postgresql://user@host/database"
                                   : "mysql://user@host/database");
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

ServerDialog::Settings ServerDialog::settings() const {
  return {host_->text(), port_->text(),     database_->text(),
          user_->text(), password_->text(), conninfo_->text()};
}

namespace {

// A part of a URI with what would end it percent-encoded.
std::string uriPart(const QString& text) {
  std::string out;
  for (const unsigned char c : text.toStdString()) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

QString ServerDialog::source() const {
  const QString typed = conninfo_->text().trimmed();
  if (server_ == Server::kPostgres) {
    if (!typed.isEmpty())
      // A URI or "pg:" and keywords as tsdata takes them, or keywords alone.
      return typed.startsWith("postgres") || typed.startsWith("pg:") ? typed : "pg:" + typed;
    return "pg:" + QString::fromStdString(pgConninfo(
                       host_->text().toStdString(), port_->text().toStdString(),
                       database_->text().toStdString(), user_->text().toStdString(),
                       password_->text().toStdString()));
  }
  if (!typed.isEmpty()) return typed;
  std::string uri = "mysql://";
  if (!user_->text().isEmpty() || !password_->text().isEmpty()) {
    uri += uriPart(user_->text());
    if (!password_->text().isEmpty()) uri.append(1, ':').append(uriPart(password_->text()));
    uri.append(1, '@');
  }
  uri += host_->text().isEmpty() ? std::string("localhost") : uriPart(host_->text());
  if (!port_->text().isEmpty()) uri.append(1, ':').append(uriPart(port_->text()));
  uri.append(1, '/').append(uriPart(database_->text()));
  return QString::fromStdString(uri);
}

QLineEdit* ServerDialog::field(const char* name) const {
  return findChild<QLineEdit*>(QString::fromLatin1(name));
}

bool ServerDialog::test() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = false;
  try {
    openSource(source().toStdString(), true);
    result_->setText(texts::tr(texts::kPgTested));
    ok = true;
  } catch (const DbError& e) {
    result_->setText(QString::fromUtf8(e.what()));
  }
  QApplication::restoreOverrideCursor();
  return ok;
}

}  // namespace ts::db::window
