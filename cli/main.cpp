// tdservice-cli: the program's document and device commands for scripts. Results are printed as
// JSON on standard output; a failure prints the program's message on standard error and exits
// with 1, wrong usage prints the usage and exits with 2.

#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cliargs.h"
#include "clidevice.h"
#include "commands.h"
#include "core/base/errors.h"
#include "ui/app/systemlocale.h"

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

std::vector<Command> allCommands() {
  std::vector<Command> all = documentCommands();
  for (auto group : {tdCommands, keltCommands, zorbCommands, rm23Commands, historyCommands}) {
    for (Command& c : group()) all.push_back(std::move(c));
  }
  return all;
}

std::string usageText(const std::vector<Command>& commands) {
  std::string text =
      "Использование: tdservice-cli КОМАНДА [АРГУМЕНТЫ] [--locale ИМЯ]\n\nКоманды:\n";
  for (const Command& c : commands) {
    text += "  " + c.name + " " + c.usage + "\n";
    if (!c.summary.empty()) text += "      " + c.summary + "\n";
  }
  text +=
      "\nФАЙЛ - документ .srv любой версии 1..5; записываются документы версии 5.\n"
      "K - номер пакета, как номер его вкладки (1 - первый пакет).\n"
      "СПИСОК - столбцы файла через запятую: номера видимых столбцов таблицы (0 - первый) или\n"
      "  fill для заполнителя (при экспорте пишется 0, при импорте поле пропускается).\n"
      "--locale ИМЯ - языковой стандарт (ru_RU, C, ...) для десятичного разделителя, даты и\n"
      "  времени; по умолчанию - стандарт пользователя.\n"
      "--help - эта справка.\n"
      "--db - журнал калибровок: файл SQLite или строка подключения PostgreSQL без пароля\n"
      "  (пароль берётся из ~/.pgpass); по умолчанию - файл в папке данных пользователя.\n" +
      deviceUsageNotes() +
      "\nimport читает строки не длиннее 255 символов. Длинная строка останавливает импорт:\n"
      "  записи до неё записываются в документ, сообщение с номером строки выводится в\n"
      "  стандартный поток ошибок, код возврата 3. Неправильное значение останавливает импорт\n"
      "  с кодом 1, документ не записывается; сообщение называет строку и поле.\n"
      "\nРезультат выводится в формате JSON. Код возврата: 0 - успешно, 1 - ошибка (сообщение\n"
      "  программы в стандартном потоке ошибок), 2 - неправильный вызов, 3 - импорт остановлен\n"
      "  длинной строкой.\n";
  return text;
}

// The command whose one or two words begin `args`; nullptr when none does.
const Command* findCommand(const std::vector<Command>& commands,
                           const std::vector<std::string>& args, size_t& words) {
  for (const Command& c : commands) {
    const bool twoWords = c.name.find(' ') != std::string::npos;
    const std::string given = twoWords && args.size() >= 2 ? args[0] + " " + args[1]
                              : args.empty()               ? ""
                                                           : args[0];
    if (given == c.name) {
      words = twoWords ? 2 : 1;
      return &c;
    }
  }
  return nullptr;
}

// The user's conventions unless a locale is named; an unknown name is wrong usage.
void installLocale(const std::string& name) {
  if (name.empty()) {
    installSystemLocaleHook();
    return;
  }
  const QLocale locale(QString::fromStdString(name));
  if (locale == QLocale::c() && name != "C" && name != "POSIX" && !name.starts_with("C."))
    throw UsageError("Неизвестный языковой стандарт: " + name);
  installLocaleHook(locale);
}

int run(std::vector<std::string> args) {
  const std::vector<Command> commands = allCommands();
  try {
    const CommonOptions common = takeCommonOptions(args);
    if (common.help) {
      std::cout << usageText(commands);
      return 0;
    }
    installLocale(common.locale);
    size_t words = 0;
    const Command* command = findCommand(commands, args, words);
    if (!command)
      throw UsageError(args.empty() ? "Не задана команда" : "Неизвестная команда " + args[0]);
    try {
      return command->run({args.begin() + std::ptrdiff_t(words), args.end()});
    } catch (const UsageError& e) {
      std::cerr << e.what() << "\nИспользование: tdservice-cli " << command->name << " "
                << command->usage << "\n";
      return kUsage;
    }
  } catch (const UsageError& e) {
    std::cerr << e.what() << "\n\n" << usageText(commands);
    return kUsage;
  } catch (...) {
    std::cerr << failureText(std::current_exception()) << "\n";
    return kFailure;
  }
}

// Qt's own diagnostics (a missing runtime folder and the like) would mix with the program's
// messages on standard error; only its critical ones are kept.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  qInstallMessageHandler(qtMessages);
  // The device classes own panels, so there is an application, but never a window to show.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Орбитон");
  QApplication::setApplicationName("Duvara");
  return run(args);
}
