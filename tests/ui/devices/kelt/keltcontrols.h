#pragma once
// The KELT panel's controls as the tests reach them, by their object names; the coefficient
// edits and their labels by index (A and B 0..4, F 0..3 for F12..F45).

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <string>

#include "ui/devices/panelcontrol.h"
#include "ui/widgets/discombobox.h"
#include "ui/widgets/floatedit.h"
#include "ui/widgets/intedit.h"

class KeltControls {
 public:
  explicit KeltControls(const QWidget* panel) : panel_(panel) {}

  QComboBox* cbPort() const { return get<QComboBox>("cbPort"); }
  QLineEdit* edDevNum() const { return get<QLineEdit>("edDevNum"); }
  QGroupBox* gbAdapter() const { return get<QGroupBox>("gbAdapter"); }
  QSlider* tbLevel() const { return get<QSlider>("tbLevel"); }
  QPushButton* bnSetLevel() const { return get<QPushButton>("bnSetLevel"); }
  QLabel* lbAmp() const { return get<QLabel>("lbAmp"); }
  QPushButton* bnGetAmp() const { return get<QPushButton>("bnGetAmp"); }
  QPushButton* bnReset() const { return get<QPushButton>("bnReset"); }
  QPushButton* bnAuto() const { return get<QPushButton>("bnAuto"); }
  QComboBox* cbDu() const { return get<QComboBox>("cbDu"); }
  QComboBox* cbOutType() const { return get<QComboBox>("cbOutType"); }
  QLabel* lbWeight() const { return get<QLabel>("lbWeight"); }
  TDisComboBox* cbWeight() const { return get<TDisComboBox>("cbWeight"); }
  QLabel* lbN() const { return get<QLabel>("lbN"); }
  TIntEdit* edN() const { return get<TIntEdit>("edN"); }
  TFloatEdit* edTauOut() const { return get<TFloatEdit>("edTauOut"); }
  QLabel* lbOffset() const { return get<QLabel>("lbOffset"); }
  TIntEdit* edOffset() const { return get<TIntEdit>("edOffset"); }
  TFloatEdit* edA(int i) const { return get<TFloatEdit>("edA" + std::to_string(i + 1)); }
  TFloatEdit* edB(int i) const { return get<TFloatEdit>("edB" + std::to_string(i + 1)); }
  TFloatEdit* edF(int j) const { return get<TFloatEdit>("edF" + boundary(j)); }
  QLabel* lbA(int i) const { return get<QLabel>("lbA" + std::to_string(i + 1)); }
  QLabel* lbB(int i) const { return get<QLabel>("lbB" + std::to_string(i + 1)); }
  QLabel* lbF(int j) const { return get<QLabel>("lbF" + boundary(j)); }
  QPushButton* bnRead() const { return get<QPushButton>("bnRead"); }
  QPushButton* bnWrite() const { return get<QPushButton>("bnWrite"); }
  QPushButton* bnGetU() const { return get<QPushButton>("bnGetU"); }
  QPushButton* bnGetT() const { return get<QPushButton>("bnGetT"); }

 private:
  template <class W>
  W* get(const std::string& name) const {
    return control<W>(panel_, name.c_str());
  }
  // "12" for F12 .. "45" for F45.
  static std::string boundary(int j) { return std::to_string(j + 1) + std::to_string(j + 2); }

  const QWidget* panel_;
};
