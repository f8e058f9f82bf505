// The connection to a database server, where Windows has the data-link dialog: host, port,
// database, user and password, or one connection string or URI; "Thử" tries it.  PostgreSQL
// leaves empty fields to libpq's own sources (PG* variables, ~/.pgpass, services); MariaDB and
// MySQL to the client's option files (~/.my.cnf).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace ts::db::window {

class ServerDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Server { kPostgres, kMariaDb };
  struct Settings {
    QString host, port, database, user, password, conninfo;
  };
  explicit ServerDialog(const Settings& start, QWidget* parent = nullptr,
                        Server server = Server::kPostgres);

  Server server() const { return server_; }
  Settings settings() const;
  // The source the fields make, as tsdata takes it: the string typed, else one made of the
  // fields ("pg:host='db' ...", "mysql://ann:...@db:3306/shop").
  QString source() const;
  QLineEdit* field(const char* name) const;
  // Tries the connection; the outcome is shown under the fields and returned.
  bool test();

 private:
  Server server_;
  QLineEdit *host_, *port_, *database_, *user_, *password_, *conninfo_;
  QLabel* result_;
};

}  // namespace ts::db::window
