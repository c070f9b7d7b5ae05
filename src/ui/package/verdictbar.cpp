#include "ui/package/verdictbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

QString verdictSummary(const PackageVerdict& verdict) {
  if (verdict.sections.empty()) return "не годен: нет измерений для заключения";
  QStringList failed;
  for (size_t i = 0; i < verdict.sections.size(); ++i)
    if (!verdict.sections[i].passed) failed << QString::number(i + 1);
  const QString sections = QString("сечений %1").arg(verdict.sections.size());
  if (failed.isEmpty()) return "годен (" + sections + ", все в допуске)";
  return QString("не годен: вне допуска %1 %2 из %3")
      .arg(failed.size() == 1 ? "сечение" : "сечения", failed.join(", "))
      .arg(verdict.sections.size());
}

VerdictBar::VerdictBar(QWidget* parent) : QWidget(parent) {
  setProperty("helpKeyword", "verdict");
  auto* label = new QLabel("Допуски:", this);
  combo_ = new QComboBox(this);
  combo_->setObjectName("ProfileCombo");
  combo_->setAccessibleName("Профиль допускаемой погрешности");
  combo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  label->setBuddy(combo_);
  edit_ = new QToolButton(this);
  edit_->setObjectName("EditProfiles");
  edit_->setText("Профили…");
  edit_->setToolTip("Изменить профили допускаемой погрешности");
  verdict_ = new QLabel(this);
  verdict_->setObjectName("VerdictLabel");
  verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  row->addWidget(label);
  row->addWidget(combo_);
  row->addWidget(edit_);
  row->addSpacing(12);
  row->addWidget(verdict_, 1);

  connect(combo_, &QComboBox::currentIndexChanged, this, [this] {
    if (onProfileChanged) onProfileChanged();
  });
  connect(edit_, &QToolButton::clicked, this, [this] {
    if (onEditProfiles) onEditProfiles();
  });
  setProfiles({}, {});
}

void VerdictBar::setProfiles(const std::vector<ToleranceProfile>& profiles,
                             const QString& current) {
  const QSignalBlocker block(combo_);
  profiles_ = profiles;
  combo_->clear();
  combo_->addItem("нет");
  for (const ToleranceProfile& p : profiles_) combo_->addItem(QString::fromStdString(p.name));
  int chosen = 0;
  for (size_t i = 0; i < profiles_.size(); ++i)
    if (QString::fromStdString(profiles_[i].name) == current) chosen = int(i) + 1;
  combo_->setCurrentIndex(chosen);
}

std::optional<ToleranceProfile> VerdictBar::profile() const {
  const int i = combo_->currentIndex();
  if (i <= 0 || size_t(i) > profiles_.size()) return std::nullopt;
  return profiles_[size_t(i - 1)];
}

void VerdictBar::showVerdict(const PackageVerdict* verdict) {
  if (!verdict) {
    verdict_->clear();
    return;
  }
  // A sign as well as a colour, for readers who tell no red from green.
  const bool passed = verdict->passed;
  verdict_->setText(QString("<b style=\"color:%1\">%2 Заключение: %3</b>")
                        .arg(passed ? "#006400" : "#b00000", passed ? "✔" : "✘",
                             verdictSummary(*verdict).toHtmlEscaped()));
}

QString VerdictBar::verdictText() const { return verdict_->text(); }
