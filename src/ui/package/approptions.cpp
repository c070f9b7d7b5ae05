#include "ui/package/approptions.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/package/approxstate.h"
#include "ui/widgets/floatedit.h"

namespace {

QGroupBox* buttonGroup(const QString& title, std::initializer_list<QRadioButton*> buttons) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  for (QRadioButton* b : buttons) layout->addWidget(b);
  return box;
}

TFloatEdit* floatField(int digits, double min, double max) {
  auto* edit = new TFloatEdit;
  edit->SetDigits(digits);
  edit->SetMax(max);
  edit->SetMin(min);
  return edit;
}

void addField(QFormLayout* form, const QString& text, TFloatEdit* edit) {
  auto* label = new QLabel(text);
  label->setBuddy(edit);
  edit->setAccessibleName(text);
  form->addRow(label, edit);
}

}  // namespace

TApprOptionsDlg::TApprOptionsDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Параметры аппроксимации");
  setProperty("helpKeyword", "approximation_params");

  rbPiecewiseLinear = new QRadioButton("Кусочно-линейная");
  rbLinear = new QRadioButton("y = a*x+b");
  rbProportional = new QRadioButton("y = a*x");
  rbAuto = new QRadioButton("Автоматический");
  rbManual = new QRadioButton("Ручной");
  rbSections = new QRadioButton("Средние значения в сечениях");
  rbEntries = new QRadioButton("Каждое измерение");
  edSectionScatter = floatField(3, 0, 100);
  edMaxAutoErr = floatField(3, 0, 100);
  edRefTemp = floatField(2, -273.15, 1000);
  bnOK = new QPushButton("OK");
  bnOK->setDefault(true);
  bnCancel = new QPushButton("Отмена");
  bnDefault = new QPushButton("По умолчанию");

  // The break points are found automatically or taken from the marks only for piecewise lines.
  connect(rbPiecewiseLinear, &QRadioButton::toggled, this, [this](bool piecewise) {
    rbAuto->setEnabled(piecewise);
    rbManual->setEnabled(piecewise);
  });
  connect(bnOK, &QPushButton::clicked, this, &TApprOptionsDlg::bnOKClick);
  connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bnDefault, &QPushButton::clicked, this, &TApprOptionsDlg::bnDefaultClick);

  auto* groups = new QHBoxLayout;
  groups->addWidget(buttonGroup("Функция", {rbPiecewiseLinear, rbLinear, rbProportional}));
  groups->addWidget(buttonGroup("Режим", {rbAuto, rbManual}));
  auto* form = new QFormLayout;
  addField(form, "Разброс в сечении, %:", edSectionScatter);
  addField(form, "Погрешность в авт. режиме, %:", edMaxAutoErr);
  addField(form, "Температура приведения, °C:", edRefTemp);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bnDefault);
  buttons->addStretch();
  buttons->addWidget(bnOK);
  buttons->addWidget(bnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(buttonGroup("Исходные данные", {rbSections, rbEntries}));
  layout->addLayout(form);
  layout->addLayout(buttons);
  // A fixed dialog border: the size follows the contents and the user cannot change it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  showSettings();
}

void TApprOptionsDlg::showEvent(QShowEvent* event) {
  showSettings();
  QDialog::showEvent(event);
}

void TApprOptionsDlg::showSettings() {
  const ApprSettings& s = apprSettings();
  QRadioButton* function = s.func == 1   ? rbLinear
                           : s.func == 2 ? rbProportional
                                         : rbPiecewiseLinear;
  function->setChecked(true);
  // Checking an already checked button sends no toggle, so the mode buttons are set here too.
  rbAuto->setEnabled(rbPiecewiseLinear->isChecked());
  rbManual->setEnabled(rbPiecewiseLinear->isChecked());
  (s.manual ? rbManual : rbAuto)->setChecked(true);
  (s.fromEntries ? rbEntries : rbSections)->setChecked(true);
  edSectionScatter->SetValue(s.sectionScatter);
  edMaxAutoErr->SetValue(s.maxAutoErr);
  edRefTemp->SetValue(s.refTemp);
}

void TApprOptionsDlg::takeSettings() {
  ApprSettings& s = apprSettings();
  s.func = rbPiecewiseLinear->isChecked() ? 0 : rbLinear->isChecked() ? 1 : 2;
  s.manual = rbAuto->isChecked() ? 0 : 1;
  s.fromEntries = rbEntries->isChecked() ? 1 : 0;
  s.sectionScatter = edSectionScatter->GetValue();
  s.maxAutoErr = edMaxAutoErr->GetValue();
  s.refTemp = edRefTemp->GetValue();
}

void TApprOptionsDlg::bnOKClick() {
  takeSettings();
  accept();
}

void TApprOptionsDlg::bnDefaultClick() {
  setDefaultApprSettings(apprSettings());
  showSettings();
}
