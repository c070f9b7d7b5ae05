#pragma once
// The RM-2.3 dialog's controls as the tests reach them, by their object names.

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

#include "ui/base/regkey.h"
#include "ui/devices/panelcontrol.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

class Rm23Controls {
 public:
  explicit Rm23Controls(const QWidget* dialog) : dialog_(dialog) {}

  QComboBox* cbPort() const { return get<QComboBox>("cbPort"); }
  QLabel* pnU() const { return get<QLabel>("pnU"); }
  QComboBox* cbChannel1() const { return get<QComboBox>("cbChannel1"); }
  QComboBox* cbChannel2() const { return get<QComboBox>("cbChannel2"); }
  QComboBox* cbMode() const { return get<QComboBox>("cbMode"); }
  QLabel* lbCriterion() const { return get<QLabel>("lbCriterion"); }
  QStackedWidget* criterion() const { return get<QStackedWidget>("criterion"); }
  TFloatEdit* edTime() const { return get<TFloatEdit>("edTime"); }
  TIntEdit* edPulses() const { return get<TIntEdit>("edPulses"); }
  QWidget* stBlank() const { return get<QWidget>("stBlank"); }
  TDisComboBox* cbChannel() const { return get<TDisComboBox>("cbChannel"); }
  QComboBox* cbTempCh() const { return get<QComboBox>("cbTempCh"); }
  QComboBox* cbTspType() const { return get<QComboBox>("cbTspType"); }
  QPushButton* bnStart() const { return get<QPushButton>("bnStart"); }
  QPushButton* bnStop() const { return get<QPushButton>("bnStop"); }
  QLabel* lbRun() const { return get<QLabel>("lbRun"); }
  QProgressBar* pbRun() const { return get<QProgressBar>("pbRun"); }
  QLabel* pntq() const { return get<QLabel>("pntq"); }
  QLabel* pnN1() const { return get<QLabel>("pnN1"); }
  QLabel* pnt1() const { return get<QLabel>("pnt1"); }
  QLabel* pnN2() const { return get<QLabel>("pnN2"); }
  TFloatEdit* pnTemp() const { return get<TFloatEdit>("pnTemp"); }
  QLabel* lbVolMass() const { return get<QLabel>("lbVolMass"); }
  TFloatEdit* edVolMass() const { return get<TFloatEdit>("edVolMass"); }
  QPushButton* bnToPackage() const { return get<QPushButton>("bnToPackage"); }
  QTimer* Timer() const { return get<QTimer>("Timer"); }
  QTimer* RunTimer() const { return get<QTimer>("RunTimer"); }

 private:
  template <class W>
  W* get(const char* name) const {
    return control<W>(dialog_, name);
  }

  const QWidget* dialog_;
};

// The settings values in which a dialog leaves its choices for the next one.
inline const char* const kSpprChoiceValues[] = {
    "SpprInput1", "SpprInput2",     "SpprMode",        "SpprTime",
    "SpprPulses", "SpprPulseInput", "SpprTempChannel", "SpprSensor",
};

inline void storeSpprChoice(const char* name, const QString& text) {
  RegKey key;
  key.create(kProgramKey);
  key.writeString(name, text);
}

// An empty value reads as missing: the next dialog starts from the defaults, whatever a dialog of
// an earlier test chose.
inline void forgetSpprChoices() {
  for (const char* name : kSpprChoiceValues) storeSpprChoice(name, "");
}
