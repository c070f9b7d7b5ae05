#include "ui/package/toleranceprofilesdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/package/celltext.h"
#include "ui/base/messageboxes.h"
#include "ui/package/toleranceprofiles.h"

namespace {

QString numberText(double v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return QString::fromStdString(
      withDecimalSeparator(std::string(buf, end), localeHook().decimalSeparator));
}

// A zone cell as typed, with either decimal separator; NaN when it is no number.
double cellNumber(const QTableWidgetItem* item) {
  if (!item) return NAN;
  std::string text = item->text().trimmed().toStdString();
  for (char& c : text)
    if (c == ',') c = '.';
  double v = NAN;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return text.empty() || ec != std::errc() || end != text.data() + text.size() ? NAN : v;
}

QString copyName(const std::vector<ToleranceProfile>& profiles, const std::string& name) {
  for (int n = 1;; ++n) {
    const std::string candidate =
        name + (n == 1 ? " (копия)" : " (копия " + std::to_string(n) + ")");
    if (!findProfile(profiles, candidate)) return QString::fromStdString(candidate);
  }
}

}  // namespace

ToleranceProfilesDlg::ToleranceProfilesDlg(const QString& deviceName, int typeCode, QWidget* parent)
    : QDialog(parent), typeCode_(typeCode) {
  setWindowTitle("Профили допусков");
  setProperty("helpKeyword", "verdict");
  buildLayout(deviceName);
  connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
    takeEdits();
    showProfile(row);
  });
  connect(name, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (current()) list->item(shown_)->setText(text);
  });
  connect(bnAdd, &QPushButton::clicked, this, [this] {
    addProfile({"Новый профиль", ZoneBasis::flow, {{0, 1, 1}}});
  });
  connect(bnCopy, &QPushButton::clicked, this, [this] {
    takeEdits();
    if (ToleranceProfile* p = current()) {
      ToleranceProfile copy = *p;
      copy.name = copyName(profiles_, p->name).toStdString();
      addProfile(copy);
    }
  });
  connect(bnDelete, &QPushButton::clicked, this, [this] { deleteProfile(); });
  connect(bnAddZone, &QPushButton::clicked, this, [this] { addZone(); });
  connect(bnDeleteZone, &QPushButton::clicked, this, [this] { deleteZone(); });
}

void ToleranceProfilesDlg::buildLayout(const QString& deviceName) {
  list = new QListWidget(this);
  list->setObjectName("ProfileList");
  list->setAccessibleName("Профили");
  bnAdd = new QPushButton("Добавить", this);
  bnCopy = new QPushButton("Копировать", this);
  bnDelete = new QPushButton("Удалить", this);
  auto* listButtons = new QHBoxLayout;
  for (QPushButton* b : {bnAdd, bnCopy, bnDelete}) listButtons->addWidget(b);
  auto* left = new QVBoxLayout;
  left->addWidget(list, 1);
  left->addLayout(listButtons);

  name = new QLineEdit(this);
  name->setObjectName("ProfileName");
  basis = new QComboBox(this);
  basis->setObjectName("ZoneBasis");
  basis->addItems({"по расходу, м³/ч", "в долях наибольшего расхода пакета"});
  zones = new QTableWidget(0, 3, this);
  zones->setObjectName("Zones");
  zones->setHorizontalHeaderLabels({"Расход от", "Предел −dg, %", "Предел +dg, %"});
  zones->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  zones->verticalHeader()->setVisible(false);
  zones->setMinimumHeight(140);
  bnAddZone = new QPushButton("Добавить зону", this);
  bnDeleteZone = new QPushButton("Удалить зону", this);
  auto* zoneButtons = new QHBoxLayout;
  zoneButtons->addWidget(bnAddZone);
  zoneButtons->addWidget(bnDeleteZone);
  zoneButtons->addStretch();
  isDefault = new QCheckBox(this);
  isDefault->setObjectName("DefaultForModel");
  isDefault->setText("По умолчанию для «" + deviceName + "»");
  isDefault->setVisible(!deviceName.isEmpty());
  auto* form = new QFormLayout;
  form->addRow("Имя:", name);
  form->addRow("Границы зон:", basis);
  auto* right = new QVBoxLayout;
  right->addLayout(form);
  right->addWidget(zones, 1);
  right->addLayout(zoneButtons);
  right->addWidget(isDefault);

  auto* profilesBox = new QGroupBox("Допускаемая погрешность dg", this);
  auto* columns = new QHBoxLayout(profilesBox);
  columns->addLayout(left, 2);
  columns->addLayout(right, 3);

  operatorName = new QLineEdit(this);
  operatorName->setObjectName("Operator");
  bench = new QLineEdit(this);
  bench->setObjectName("Bench");
  reference = new QLineEdit(this);
  reference->setObjectName("Reference");
  auto* signingBox = new QGroupBox("Протокол", this);
  auto* signing = new QFormLayout(signingBox);
  signing->addRow("Поверитель:", operatorName);
  signing->addRow("Стенд:", bench);
  signing->addRow("Эталон:", reference);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(profilesBox, 1);
  layout->addWidget(signingBox);
  layout->addWidget(buttons);
  resize(720, 520);
}

void ToleranceProfilesDlg::load(const QString& selected) {
  profiles_ = loadToleranceProfiles();
  defaultName_ = defaultProfileName(uint8_t(typeCode_));
  const ProtocolSigning s = loadProtocolSigning();
  operatorName->setText(QString::fromStdString(s.operatorName));
  bench->setText(QString::fromStdString(s.bench));
  reference->setText(QString::fromStdString(s.reference));
  shown_ = -1;
  list->clear();
  for (const ToleranceProfile& p : profiles_) list->addItem(QString::fromStdString(p.name));
  int row = 0;
  for (int i = 0; i < int(profiles_.size()); ++i)
    if (QString::fromStdString(profiles_[size_t(i)].name) == selected) row = i;
  list->setCurrentRow(profiles_.empty() ? -1 : row);
  if (profiles_.empty()) showProfile(-1);
}

ToleranceProfile* ToleranceProfilesDlg::current() {
  return shown_ >= 0 && shown_ < int(profiles_.size()) ? &profiles_[size_t(shown_)] : nullptr;
}

void ToleranceProfilesDlg::showProfile(int index) {
  filling_ = true;
  shown_ = index;
  const ToleranceProfile* p = current();
  for (QWidget* w : std::initializer_list<QWidget*>{name, basis, zones, isDefault, bnCopy, bnDelete,
                                                    bnAddZone, bnDeleteZone})
    w->setEnabled(p != nullptr);
  name->setText(p ? QString::fromStdString(p->name) : QString());
  basis->setCurrentIndex(p && p->basis == ZoneBasis::fractionOfMax ? 1 : 0);
  zones->setRowCount(p ? int(p->zones.size()) : 0);
  for (int row = 0; p && row < int(p->zones.size()); ++row) {
    const ToleranceZone& z = p->zones[size_t(row)];
    int col = 0;
    for (double v : {z.from, z.minus, z.plus})
      zones->setItem(row, col++, new QTableWidgetItem(numberText(v)));
  }
  isDefault->setChecked(p && QString::fromStdString(p->name) == defaultName_);
  filling_ = false;
}

// The form into the profile shown: what a zone cell holds that is no number becomes NaN, which
// problem() names.
void ToleranceProfilesDlg::takeEdits() {
  ToleranceProfile* p = current();
  if (!p || filling_) return;
  const std::string oldName = p->name;
  p->name = name->text().toStdString();
  p->basis = basis->currentIndex() == 1 ? ZoneBasis::fractionOfMax : ZoneBasis::flow;
  p->zones.clear();
  for (int row = 0; row < zones->rowCount(); ++row)
    p->zones.push_back({cellNumber(zones->item(row, 0)), cellNumber(zones->item(row, 1)),
                        cellNumber(zones->item(row, 2))});
  const QString newName = QString::fromStdString(p->name);
  if (isDefault->isChecked())
    defaultName_ = newName;
  else if (defaultName_ == QString::fromStdString(oldName) || defaultName_ == newName)
    defaultName_.clear();
}

void ToleranceProfilesDlg::addProfile(ToleranceProfile profile) {
  takeEdits();
  profiles_.push_back(std::move(profile));
  list->addItem(QString::fromStdString(profiles_.back().name));
  list->setCurrentRow(int(profiles_.size()) - 1);
  name->setFocus();
  name->selectAll();
}

void ToleranceProfilesDlg::deleteProfile() {
  const int row = shown_;
  if (!current()) return;
  if (QString::fromStdString(profiles_[size_t(row)].name) == defaultName_) defaultName_.clear();
  shown_ = -1;  // nothing to take from the form of a deleted profile
  profiles_.erase(profiles_.begin() + row);
  delete list->takeItem(row);
  showProfile(list->currentRow());
}

void ToleranceProfilesDlg::addZone() {
  const int row = zones->rowCount();
  const double from = row > 0 ? cellNumber(zones->item(row - 1, 0)) : 0;
  const QString last = row > 0 && zones->item(row - 1, 1) ? zones->item(row - 1, 1)->text() : "1";
  zones->insertRow(row);
  zones->setItem(
      row, 0,
      new QTableWidgetItem(row == 0 ? "0" : numberText(std::isfinite(from) ? from + 1 : 1)));
  zones->setItem(row, 1, new QTableWidgetItem(last));
  zones->setItem(row, 2,
                 new QTableWidgetItem(
                     row > 0 && zones->item(row - 1, 2) ? zones->item(row - 1, 2)->text() : "1"));
  zones->setCurrentCell(row, 0);
}

void ToleranceProfilesDlg::deleteZone() {
  const int row = zones->currentRow();
  if (row >= 0) zones->removeRow(row);
}

QString ToleranceProfilesDlg::problem() {
  takeEdits();
  for (size_t i = 0; i < profiles_.size(); ++i) {
    const ToleranceProfile& p = profiles_[i];
    std::string text = profileProblem(p);
    for (const ToleranceZone& z : p.zones)
      if (text.empty() &&
          (!std::isfinite(z.from) || !std::isfinite(z.minus) || !std::isfinite(z.plus)))
        text = "В зоне записано не число";
    for (size_t j = 0; j < i && text.empty(); ++j)
      if (profiles_[j].name == p.name) text = "Такое имя уже есть у другого профиля";
    if (!text.empty()) {
      list->setCurrentRow(int(i));
      return QString::fromStdString("Профиль \"" + p.name + "\": " + text);
    }
  }
  return {};
}

void ToleranceProfilesDlg::save() {
  takeEdits();
  saveToleranceProfiles(profiles_);
  setDefaultProfileName(uint8_t(typeCode_), defaultName_);
  saveProtocolSigning({operatorName->text().toStdString(), bench->text().toStdString(),
                       reference->text().toStdString()});
}

QString ToleranceProfilesDlg::selectedName() const {
  return shown_ >= 0 && shown_ < int(profiles_.size())
             ? QString::fromStdString(profiles_[size_t(shown_)].name)
             : QString();
}

void ToleranceProfilesDlg::done(int result) {
  if (result == QDialog::Accepted && !saveUnlessRefused(this, problem(), [this] { save(); }))
    return;
  QDialog::done(result);
}
