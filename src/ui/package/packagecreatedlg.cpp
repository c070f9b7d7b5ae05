#include "ui/package/packagecreatedlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/package/columns.h"

namespace {
QGroupBox* group(const QString& title, std::initializer_list<QRadioButton*> buttons) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  for (QRadioButton* b : buttons) layout->addWidget(b);
  return box;
}
}  // namespace

TPackageCreateDlg::TPackageCreateDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Создать пакет");
  setProperty("helpKeyword", "packet_work");

  rbCalibrMode = new QRadioButton("Градуировочный");
  rbCheckMode = new QRadioButton("Поверочный");
  rbVolMethod = new QRadioButton("Объёмный");
  rbMassMethod = new QRadioButton("Массовый");
  rbGMethod = new QRadioButton("Эталонный");
  rbCalibrMode->setChecked(true);
  rbVolMethod->setChecked(true);
  bnOk = new QPushButton("OK");
  bnOk->setDefault(true);
  bnCancel = new QPushButton("Отмена");

  auto* groups = new QHBoxLayout;
  groups->addWidget(group("Тип пакета", {rbCalibrMode, rbCheckMode}));
  groups->addWidget(group("Метод", {rbVolMethod, rbMassMethod, rbGMethod}));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bnOk);
  buttons->addWidget(bnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(buttons);
  // A fixed dialog border: the size follows the contents and the user cannot change it.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(bnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TPackageCreateDlg::method() const {
  if (rbVolMethod->isChecked()) return mVolume;
  if (rbMassMethod->isChecked()) return mMass;
  return mReference;
}

int TPackageCreateDlg::kind() const {
  return rbCheckMode->isChecked() ? pkVerification : pkCalibration;
}
