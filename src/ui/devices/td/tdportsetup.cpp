#include "ui/devices/td/tdportsetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/devices/td/tdpanelmodel.h"

TPortSetupForm::TPortSetupForm(QWidget* parent) : QDialog(parent) {
  setObjectName("PortSetupForm");
  setWindowTitle("Параметры подключения");
  setWindowFlag(Qt::Tool);

  ComboPortSpeed = new QComboBox(this);
  ComboPortSpeed->setObjectName("ComboPortSpeed");
  ComboPortSpeed->addItems({"9600", "4800", "2400", "1200"});
  ComboPortSpeed->setCurrentIndex(0);
  CSpinAddress = new QSpinBox(this);
  CSpinAddress->setObjectName("CSpinAddress");
  CSpinAddress->setRange(0, 255);
  CSpinAddress->setValue(0);

  auto* speedLabel = new QLabel("Скорость порта", this);
  speedLabel->setBuddy(ComboPortSpeed);
  auto* addressLabel = new QLabel("Сетевой адрес", this);
  addressLabel->setBuddy(CSpinAddress);
  auto* fields = new QFormLayout;
  fields->addRow(speedLabel, ComboPortSpeed);
  fields->addRow(addressLabel, CSpinAddress);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* column = new QVBoxLayout(this);
  column->addLayout(fields);
  column->addWidget(buttons);
}

// The form lives until the program ends, as the forms made at start-up do.
TPortSetupForm& TPortSetupForm::instance() {
  static QPointer<TPortSetupForm> form;
  if (!form) form = new TPortSetupForm;
  return *form;
}

int TPortSetupForm::baudRate() const { return tdBaudRate(ComboPortSpeed->currentIndex()); }

std::uint8_t TPortSetupForm::address() const {
  return static_cast<std::uint8_t>(CSpinAddress->value());
}

void TPortSetupForm::execCentredOn(QWidget* anchor) {
  adjustSize();
  if (anchor) move(anchor->window()->geometry().center() - rect().center());
  exec();
}
