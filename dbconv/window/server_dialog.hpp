// The connection to a PostgreSQL database, where Windows has the data-link dialog: host,
// port, database, user and password, or one connection string or URI; "Thử" tries it.
// Empty fields are left to libpq's own sources (PG* variables, ~/.pgpass, services).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace ts::db::window {

class PgConnectDialog : public QDialog {
  Q_OBJECT
 public:
  struct Settings {
    QString host, port, database, user, password, conninfo;
  };
  explicit PgConnectDialog(const Settings& start, QWidget* parent = nullptr);

  Settings settings() const;
  // The connection string the fields make: the one typed, else the keywords of the fields.
  QString conninfo() const;
  QLineEdit* field(const char* name) const;
  // Tries the connection; the outcome is shown under the fields and returned.
  bool test();

 private:
  QLineEdit *host_, *port_, *database_, *user_, *password_, *conninfo_;
  QLabel* result_;
};

}  // namespace ts::db::window
