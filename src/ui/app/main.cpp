#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <exception>

#include "core/base/errors.h"
#include "core/storage/filetype.h"
#include "ui/app/mainform.h"
#include "ui/app/systemlocale.h"
#include "ui/app/translations.h"
#include "ui/base/messageboxes.h"
#include "ui/base/messagelog.h"
#include "ui/base/quitwhenpainted.h"
#include "ui/base/systemports.h"

namespace {

// The .srv type is registered with the desktop anew at every start. A failure only costs the
// association, so it is reported on the console and the program goes on.
void registerDocumentType() {
  guarded([] {
    QFile icon(":/icons/tidemarkservice.svg");
    icon.open(QIODevice::ReadOnly);
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) return;
    const bool changed = filetype::registerFileType(
        QFile::encodeName(dataHome).toStdString(),
        QFile::encodeName(QApplication::applicationFilePath()).toStdString(),
        icon.readAll().toStdString());
    if (changed) {
      // The desktop reads its caches, not our files: refresh them in the background.
      QProcess::startDetached("update-mime-database", {dataHome + "/mime"});
      QProcess::startDetached("update-desktop-database", {dataHome + "/applications"});
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  // First of all: the listing runs beside the rest of the start, and a panel of a document named
  // on the command line waits for it.
  startPortListing();
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Орбитон");
  QApplication::setApplicationName("Duvara");
  QApplication::setWindowIcon(QIcon(":/icons/tidemarkservice.png"));
  try {
    installRussianTranslation(app);
    installSystemLocaleHook();
    TMainForm form(QApplication::arguments());
    // Nothing the window shows waits for these (a panel built meanwhile installed the list); they
    // run once the event loop runs.
    QTimer::singleShot(0, &app, [] {
      guarded(installListedPorts);
      registerDocumentType();
    });
    if (qEnvironmentVariableIsSet("TDSERVICE_QUIT_WHEN_SHOWN")) quitWhenPainted();
    form.show();
    return app.exec();
  } catch (...) {
    MessageBoxes::error(nullptr, QString::fromStdString(failureText(std::current_exception())));
    return 1;
  }
}
