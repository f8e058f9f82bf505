// The choice of an ODBC data source or driver, where Windows has the driver manager's own
// dialog: the data sources and drivers unixODBC knows, and the keys of a connection string
// for the chosen one.  The password is typed here and goes only into the connection string.
#pragma once

#include <QDialog>
#include <vector>

class QFormLayout;
class QLineEdit;
class QListWidget;

namespace ts::db::window {

class OdbcSourceDialog : public QDialog {
  Q_OBJECT
 public:
  // `user` and `password` fill the keys UID and PWD where the chosen source has them.
  OdbcSourceDialog(const QString& user, const QString& password, QWidget* parent = nullptr);

  // Chooses a data source (by name) or a driver, as a click in the lists does.
  bool chooseSource(const QString& name);
  bool chooseDriver(const QString& name);
  // The value of a key's field (for tests and callers that fill them).
  QLineEdit* field(const QString& key) const;
  // "KEY=value;..." of the keys with a value (DSN and DRIVER always), values braced where
  // they need it, then the other keys as typed.
  QString connectionString() const;

 private:
  void showKeys(const std::vector<std::string>& keys, const QString& first);
  QListWidget* sources_;
  QListWidget* drivers_;
  QFormLayout* form_;
  QLineEdit* other_;
  std::vector<std::pair<QString, QLineEdit*>> fields_;
  QString user_, password_;
};

}  // namespace ts::db::window
