#include "ui/history/historysettingsdlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <mutex>
#include <thread>
#include <utility>

#include "core/base/errors.h"
#include "core/history/historystore.h"
#include "core/history/pghistory.h"
#include "ui/base/messageboxes.h"
#include "ui/package/toleranceprofiles.h"

QString probeHistoryStore(const HistorySettings& settings) {
  int schema = 0;
  if (settings.shared) {
    const QTemporaryDir outbox;
    PgHistoryStore store(historyLocation(settings), outbox.filePath("outbox.sqlite").toStdString());
    schema = store.schemaVersion();
  } else {
    schema = openHistoryStore({})->schemaVersion();
  }
  return QString("Журнал калибровок доступен: %1 (версия схемы %2)")
      .arg(historyStoreText(settings))
      .arg(schema);
}

// The way back from a connection test to the dialog, cut when the dialog closes first: the test
// then ends on its own thread and tells no one.
struct HistoryProbeState {
  std::mutex mutex;
  HistorySettingsDlg* dialog = nullptr;
};

HistorySettingsDlg::HistorySettingsDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Настройки журнала калибровок");
  setProperty("helpKeyword", "history");
  buildLayout();
  connect(shared, &QRadioButton::toggled, this, [this] { updateControls(); });
  connect(bnProbe, &QPushButton::clicked, this, [this] { startProbe(); });
  updateControls();
}

HistorySettingsDlg::~HistorySettingsDlg() {
  if (!probe_) return;
  const std::lock_guard lock(probe_->mutex);
  probe_->dialog = nullptr;
}

void HistorySettingsDlg::buildLayout() {
  embedded = new QRadioButton("Встроенный (файл на этом компьютере)", this);
  embedded->setObjectName("Embedded");
  filePath = new QLabel(QString::fromStdString(defaultHistoryPath()), this);
  filePath->setObjectName("FilePath");
  filePath->setWordWrap(true);
  filePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
  filePath->setContentsMargins(20, 0, 0, 0);
  shared = new QRadioButton("Общий (сервер PostgreSQL)", this);
  shared->setObjectName("Shared");

  host = new QLineEdit(this);
  host->setObjectName("Host");
  port = new QSpinBox(this);
  port->setObjectName("Port");
  port->setRange(1, 65535);
  database = new QLineEdit(this);
  database->setObjectName("Database");
  user = new QLineEdit(this);
  user->setObjectName("User");
  auto* server = new QFormLayout;
  server->setContentsMargins(20, 0, 0, 0);
  server->addRow("Сервер:", host);
  server->addRow("Порт:", port);
  server->addRow("База данных:", database);
  server->addRow("Пользователь:", user);
  auto* password = new QLabel(
      "Пароль программа не хранит: его берут из файла ~/.pgpass или из службы в "
      "pg_service.conf.",
      this);
  password->setWordWrap(true);
  password->setContentsMargins(20, 0, 0, 0);

  bnProbe = new QPushButton("Проверить связь", this);
  probeResult = new QLabel(this);
  probeResult->setObjectName("ProbeResult");
  probeResult->setWordWrap(true);
  probeResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Room for a server's message of a few lines, so the form does not jump when it comes.
  probeResult->setMinimumHeight(3 * probeResult->fontMetrics().lineSpacing());
  auto* probeRow = new QHBoxLayout;
  probeRow->addWidget(bnProbe, 0, Qt::AlignTop);
  probeRow->addWidget(probeResult, 1);

  auto* storeBox = new QGroupBox("Где хранится журнал", this);
  auto* store = new QVBoxLayout(storeBox);
  store->addWidget(embedded);
  store->addWidget(filePath);
  store->addWidget(shared);
  store->addLayout(server);
  store->addWidget(password);
  store->addLayout(probeRow);

  benchName = new QLineEdit(this);
  benchName->setObjectName("Bench");
  auto* benchBox = new QGroupBox("Стенд", this);
  auto* benchForm = new QFormLayout(benchBox);
  benchForm->addRow("Стенд:", benchName);
  auto* benchNote = new QLabel(
      "Это же название стоит в протоколе. Пустое: события называют стенд именем компьютера.", this);
  benchNote->setWordWrap(true);
  benchForm->addRow(benchNote);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetMinimumSize);  // a longer message makes the dialog taller
  layout->addWidget(storeBox);
  layout->addWidget(benchBox);
  layout->addStretch();
  layout->addWidget(buttons);
  resize(560, 0);
}

void HistorySettingsDlg::load(const HistorySettings& settings, const QString& bench) {
  (settings.shared ? shared : embedded)->setChecked(true);
  host->setText(settings.host);
  port->setValue(settings.port);
  database->setText(settings.database);
  user->setText(settings.user);
  benchName->setText(bench);
  updateControls();
}

HistorySettings HistorySettingsDlg::settings() const {
  HistorySettings s;
  s.shared = shared->isChecked();
  s.host = host->text().trimmed();
  s.port = port->value();
  s.database = database->text().trimmed();
  s.user = user->text().trimmed();
  return s;
}

QString HistorySettingsDlg::bench() const { return benchName->text().trimmed(); }

QString HistorySettingsDlg::problem() const {
  if (!shared->isChecked()) return {};
  if (host->text().trimmed().isEmpty()) return "Укажите сервер общего журнала калибровок";
  if (database->text().trimmed().isEmpty()) return "Укажите базу данных общего журнала калибровок";
  return {};
}

void HistorySettingsDlg::save() {
  saveHistorySettings(settings());
  ProtocolSigning signing = loadProtocolSigning();
  signing.bench = bench().toStdString();
  saveProtocolSigning(signing);
}

void HistorySettingsDlg::done(int result) {
  if (result == QDialog::Accepted) {
    const QString refused = problem();
    if (!saveUnlessRefused(this, refused, [this] { save(); })) {
      if (!refused.isEmpty()) (host->text().trimmed().isEmpty() ? host : database)->setFocus();
      return;
    }
  }
  QDialog::done(result);
}

void HistorySettingsDlg::updateControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{host, port, database, user})
    w->setEnabled(shared->isChecked());
  filePath->setEnabled(embedded->isChecked());
}

// Opening a store can take seconds (a server that does not answer, a file another program
// holds): the attempt runs on a thread of its own and the dialog stays usable meanwhile.
void HistorySettingsDlg::startProbe() {
  if (const QString text = problem(); !text.isEmpty()) return showProbe(false, text);
  // Disabling the button moves the focus on; it comes back with the outcome.
  refocusProbe_ = bnProbe->hasFocus();
  bnProbe->setEnabled(false);
  probeResult->setText("Проверка связи…");
  probeResult->setStyleSheet({});
  probe_ = std::make_shared<HistoryProbeState>();
  probe_->dialog = this;
  std::thread([state = probe_, settings = settings()] {
    bool ok = true;
    QString text;
    try {
      text = probeHistoryStore(settings);
    } catch (...) {
      ok = false;
      text = QString::fromStdString(failureText(std::current_exception()));
    }
    const std::lock_guard lock(state->mutex);
    if (HistorySettingsDlg* dialog = state->dialog)
      QMetaObject::invokeMethod(
          dialog, [dialog, ok, text] { dialog->showProbe(ok, text); }, Qt::QueuedConnection);
  }).detach();
}

void HistorySettingsDlg::showProbe(bool ok, const QString& text) {
  bnProbe->setEnabled(true);
  if (std::exchange(refocusProbe_, false)) bnProbe->setFocus();
  probeResult->setText(text);
  probeResult->setStyleSheet(ok ? "color: darkgreen" : "color: red");
  emit probeFinished();
}
