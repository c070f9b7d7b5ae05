#pragma once
// Help by keyword: one Russian page per keyword, <folder>/<keyword>.htm, shown in
// the user's browser. F1 anywhere asks for the keyword of the focused window or its nearest
// ancestor that names one (the "helpKeyword" property).

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class THelp : public QObject {
  Q_OBJECT
 public:
  using UrlOpener = std::function<void(const QUrl&)>;

  // `folder` holds the pages; when it does not exist, help does nothing.
  THelp(const QString& folder, UrlOpener openUrl, QObject* parent = nullptr);

  // Shows the page of `keyword` ("introduction" when empty). Returns false when there is no help.
  bool showKeyword(const QString& keyword);
  // The keyword of a widget: its own or its nearest ancestor's; "" when none names one.
  static QString keywordOf(const QObject* widget);

  // The pages of the running program: see folderFor.
  static QString defaultFolder();
  // help/ beside the program in `programDir` (the build tree), else ../share/tdservice/help of
  // an installed program; help/ beside it when neither exists, so help then does nothing.
  static QString folderFor(const QString& programDir);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QString folder_;
  UrlOpener openUrl_;
};
