#pragma once
// The line above the measurement table: the tolerance profile the open document is judged by
// ("нет" for none) and the verdict on the package shown.

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/verdict/verdict.h"

class QComboBox;
class QLabel;
class QToolButton;

class VerdictBar : public QWidget {
 public:
  explicit VerdictBar(QWidget* parent = nullptr);

  // Offers `profiles` after "нет" and chooses `current` (none when it is not among them). Tells
  // nobody: only the user's choice calls onProfileChanged.
  void setProfiles(const std::vector<ToleranceProfile>& profiles, const QString& current);
  std::optional<ToleranceProfile> profile() const;

  // The overall verdict and which sections fail; empty without a verdict.
  void showVerdict(const PackageVerdict* verdict);
  QString verdictText() const;

  std::function<void()> onProfileChanged;
  std::function<void()> onEditProfiles;

 private:
  std::vector<ToleranceProfile> profiles_;
  QComboBox* combo_;
  QToolButton* edit_;
  QLabel* verdict_;
};

// "годен" or "не годен" with the failing sections, as the bar shows it.
QString verdictSummary(const PackageVerdict& verdict);
