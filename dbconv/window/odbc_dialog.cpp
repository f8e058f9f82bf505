#include "odbc_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "texts.hpp"
#include "ts/db/odbc.hpp"

namespace ts::db::window {

namespace {

QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

OdbcSourceDialog::OdbcSourceDialog(const QString& user, const QString& password, QWidget* parent)
    : QDialog(parent), user_(user), password_(password) {
  setWindowTitle(texts::tr(texts::kOdbcTitle));
  auto* lists = new QVBoxLayout;
  lists->addWidget(new QLabel(texts::tr(texts::kOdbcSources)));
  sources_ = new QListWidget;
  sources_->setObjectName("sources");
  for (const OdbcSource& s : odbcDataSources()) {
    auto* item =
        new QListWidgetItem(QString("%1   (%2, %3)")
                                .arg(qs(s.name), qs(s.driver),
                                     texts::tr(s.system ? texts::kOdbcSystem : texts::kOdbcUser)));
    item->setData(Qt::UserRole, qs(s.name));
    sources_->addItem(item);
  }
  lists->addWidget(sources_);
  lists->addWidget(new QLabel(texts::tr(texts::kOdbcDrivers)));
  drivers_ = new QListWidget;
  drivers_->setObjectName("drivers");
  for (const std::string& d : odbcDrivers()) drivers_->addItem(qs(d));
  lists->addWidget(drivers_);

  auto* right = new QVBoxLayout;
  form_ = new QFormLayout;
  right->addLayout(form_);
  other_ = new QLineEdit;
  other_->setObjectName("other");
  other_->setPlaceholderText("KEY=value;KEY=value");
  form_->addRow(texts::tr(texts::kOdbcOther), other_);
  right->addStretch();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(texts::tr(texts::kOdbcConnect));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  right->addWidget(buttons);

  auto* top = new QHBoxLayout(this);
  top->addLayout(lists, 1);
  top->addLayout(right, 1);

  connect(sources_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item == nullptr) return;
    drivers_->setCurrentItem(nullptr);
    showKeys({"DSN", "UID", "PWD"}, item->data(Qt::UserRole).toString());
  });
  connect(drivers_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item == nullptr) return;
    sources_->setCurrentItem(nullptr);
    showKeys(odbcDriverKeys(item->text().toStdString()), item->text());
  });
  if (sources_->count() > 0) sources_->setCurrentRow(0);
  resize(560, 360);
}

void OdbcSourceDialog::showKeys(const std::vector<std::string>& keys, const QString& first) {
  for (std::size_t i = 0; i < fields_.size(); ++i) form_->removeRow(0);  // "Other keys" stays
  fields_.clear();
  for (const std::string& k : keys) {
    const QString key = qs(k);
    auto* edit = new QLineEdit;
    edit->setObjectName("key:" + key);
    if (fields_.empty()) {
      edit->setText(first);
      edit->setReadOnly(true);
    } else if (key == "UID") {
      edit->setText(user_);
    } else if (key == "PWD") {
      edit->setText(password_);
      edit->setEchoMode(QLineEdit::Password);
    }
    form_->insertRow(static_cast<int>(fields_.size()), key + ":", edit);
    fields_.emplace_back(key, edit);
  }
}

bool OdbcSourceDialog::chooseSource(const QString& name) {
  for (int i = 0; i < sources_->count(); ++i)
    if (sources_->item(i)->data(Qt::UserRole).toString() == name) {
      sources_->setCurrentRow(i);
      return true;
    }
  return false;
}

bool OdbcSourceDialog::chooseDriver(const QString& name) {
  const auto found = drivers_->findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) return false;
  drivers_->setCurrentItem(found.front());
  return true;
}

QLineEdit* OdbcSourceDialog::field(const QString& key) const {
  for (const auto& [k, edit] : fields_)
    if (k == key) return edit;
  return nullptr;
}

QString OdbcSourceDialog::connectionString() const {
  QStringList parts;
  for (const auto& [key, edit] : fields_) {
    if (edit->text().isEmpty() && !parts.isEmpty()) continue;
    parts << key + "=" + qs(odbcValue(edit->text().toStdString()));
  }
  if (!other_->text().trimmed().isEmpty()) parts << other_->text().trimmed();
  return parts.join(';');
}

}  // namespace ts::db::window
