#include "ui/storage/csvoptions.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/base/localehook.h"
#include "core/package/packagebase.h"
#include "core/storage/textexchange.h"
#include "ui/base/filedialogsize.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/widgets/buddylabel.h"

namespace {

const QStringList kFileFilters{"Текстовые файлы (*.txt)", "CSV файлы (*.csv)", "Все файлы (*)"};

int itemValue(const QListWidgetItem* item) { return item->data(Qt::UserRole).toInt(); }

void addItem(QListWidget* list, const QString& text, int value) {
  auto* item = new QListWidgetItem(text);
  item->setData(Qt::UserRole, value);
  list->addItem(item);
}

// A stored index that no longer fits the list selects its first or last item.
void selectClamped(QComboBox* box, int index) {
  box->setCurrentIndex(std::clamp(index, 0, box->count() - 1));
}

QFileDialog* fileDialog(QWidget* parent, QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAcceptMode(mode);
  dialog->setNameFilters(kFileFilters);
  dialog->setDefaultSuffix("txt");
  return dialog;
}

}  // namespace

TCsvOptionsDlg::TCsvOptionsDlg(QWidget* parent) : QDialog(parent) {
  setProperty("helpKeyword", "export_data");

  lbFile = new QListWidget;
  lbAvailable = new QListWidget;
  bnAvail2File = new QPushButton("<");
  bnAvail2File->setAccessibleName("Добавить в файл");
  bnFile2Avail = new QPushButton(">");
  bnFile2Avail->setAccessibleName("Убрать из файла");
  bnUp = new QPushButton("Вверх");
  bnDown = new QPushButton("Вниз");
  cbSeparator = new QComboBox;
  cbSeparator->addItems({"( ) Пробел", "(,) Запятая", "(;) Точка с зап.", "(TAB) Табуляция"});
  cbDecimalSeparator = new QComboBox;
  // The third item names the user's own separator; it is made at every run.
  cbDecimalSeparator->addItems({"(.) Точка", "(,) Запятая", "(%c) Windows"});
  lbDecimalSeparator = labelFor("Разделитель целой и дробной частей:", cbDecimalSeparator);
  bnOK = new QPushButton("OK");
  bnOK->setDefault(true);
  bnCancel = new QPushButton("Отмена");

  OpenDialog = fileDialog(this, QFileDialog::AcceptOpen);
  OpenDialog->setFileMode(QFileDialog::ExistingFile);
  OpenDialog->selectNameFilter(kFileFilters[2]);
  SaveDialog = fileDialog(this, QFileDialog::AcceptSave);

  auto* moves = new QVBoxLayout;
  for (QPushButton* b : {bnAvail2File, bnFile2Avail, bnUp, bnDown}) moves->addWidget(b);
  moves->addStretch();
  auto* lists = new QGridLayout;
  lists->addWidget(labelFor("Столбцы в файле:", lbFile), 0, 0);
  lists->addWidget(labelFor("Доступные столбцы:", lbAvailable), 0, 2);
  lists->addWidget(lbFile, 1, 0);
  lists->addLayout(moves, 1, 1);
  lists->addWidget(lbAvailable, 1, 2);
  auto* separators = new QGridLayout;
  separators->addWidget(labelFor("Разделитель между столбцами:", cbSeparator), 0, 0);
  separators->addWidget(cbSeparator, 0, 1);
  separators->addWidget(lbDecimalSeparator, 1, 0);
  separators->addWidget(cbDecimalSeparator, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bnOK);
  buttons->addWidget(bnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists);
  layout->addLayout(separators);
  layout->addLayout(buttons);
  // A fixed dialog border: the size follows the contents and the user cannot change it.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(bnAvail2File, &QPushButton::clicked, this, &TCsvOptionsDlg::bnAvail2FileClick);
  connect(bnFile2Avail, &QPushButton::clicked, this, &TCsvOptionsDlg::bnFile2AvailClick);
  connect(bnUp, &QPushButton::clicked, this, &TCsvOptionsDlg::bnUpClick);
  connect(bnDown, &QPushButton::clicked, this, &TCsvOptionsDlg::bnDownClick);
  connect(bnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TCsvOptionsDlg::setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

void TCsvOptionsDlg::prepare(const PackageBase& package, bool exporting, int hiddenColumns,
                             int family) {
  setWindowTitle(exporting ? "Экспорт в текстовый файл" : "Импорт из текстового файла");
  cbDecimalSeparator->setItemText(
      2, QString("(%1) Windows").arg(QChar::fromLatin1(localeHook().decimalSeparator)));
  cbDecimalSeparator->setVisible(exporting);
  lbDecimalSeparator->setVisible(exporting);

  RegKey key;
  key.create(kProgramKey);
  selectClamped(cbDecimalSeparator, key.readInt("DecimalSeparator", 0));
  selectClamped(cbSeparator, key.readInt("Separator", 0));
  listName_ = QString::fromStdString(
      columnListName(family, package.kind ? 1 : 0, package.method, exporting));
  const std::string stored = key.readString(listName_).toLatin1().toStdString();

  lbFile->clear();
  lbAvailable->clear();
  const std::vector<int> offered = offeredColumns(package, hiddenColumns, exporting);
  for (int c : offered) addItem(lbAvailable, package.column(c).caption, c);
  addItem(lbAvailable, exporting ? "Заполнить нулями" : "Пропустить", kFillerItem);
  for (int value : decodeColumnList(stored, offered)) {
    int row = 0;
    while (itemValue(lbAvailable->item(row)) != value) ++row;
    moveToFile(row);
  }
}

std::vector<int> TCsvOptionsDlg::fileItems() const {
  std::vector<int> items;
  for (int row = 0; row < lbFile->count(); ++row) items.push_back(itemValue(lbFile->item(row)));
  return items;
}

void TCsvOptionsDlg::runTextExchange(PackageBase& package, bool exporting, int hiddenColumns,
                                     int family) {
  prepare(package, exporting, hiddenColumns, family);
  if (exec() != QDialog::Accepted) return;
  const QString path = chooser_ ? chooser_(exporting) : chooseFile(exporting);
  exchange(package, exporting, path);
  storeSettings();
}

QString TCsvOptionsDlg::chooseFile(bool exporting) {
  QFileDialog* dialog = exporting ? SaveDialog : OpenDialog;
  fitFileDialog(*dialog);
  return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
}

// The character between the parentheses of the chosen item.
char TCsvOptionsDlg::decimalSeparator() const {
  const QString text = cbDecimalSeparator->currentText();
  return text.size() > 1 ? text[1].toLatin1() : '.';
}

void TCsvOptionsDlg::exchange(PackageBase& package, bool exporting, const QString& path) {
  const std::string file = QFile::encodeName(path).toStdString();
  const char fieldSeparator = fieldSeparatorOf(cbSeparator->currentIndex());
  if (exporting) {
    if (!path.isEmpty())
      exportTextFile(file, package, fileItems(), fieldSeparator, decimalSeparator());
    return;
  }
  try {
    if (!path.isEmpty()) importTextFile(file, package, fileItems(), fieldSeparator);
  } catch (const TextImportError& e) {
    // The entries read before the stop stay; their derived values must match them.
    package.recalcAll();
    logMessage(QString::fromStdString(e.what()));
    logMessage(QString::fromStdString(importStopText(path.toStdString(), e)));
    throw SilentAbort();  // told: the choices are not stored, as after any failure
  } catch (...) {
    package.recalcAll();
    throw;
  }
  package.recalcAll();
}

void TCsvOptionsDlg::storeSettings() {
  RegKey key;
  key.create(kProgramKey);
  if (static_cast<size_t>(lbFile->count()) < kMaxStoredItems) {
    const std::string stored = encodeColumnList(fileItems());
    key.writeString(listName_, QString::fromLatin1(stored.data(), qsizetype(stored.size())));
  }
  key.writeInt("DecimalSeparator", cbDecimalSeparator->currentIndex());
  key.writeInt("Separator", cbSeparator->currentIndex());
}

void TCsvOptionsDlg::moveToFile(int availableRow) {
  if (availableRow < 0) return;
  QListWidgetItem* item = lbAvailable->item(availableRow);
  // The filler stays available: it may stand in the file any number of times.
  lbFile->addItem(itemValue(item) == kFillerItem ? item->clone()
                                                 : lbAvailable->takeItem(availableRow));
}

void TCsvOptionsDlg::bnAvail2FileClick() { moveToFile(lbAvailable->currentRow()); }

void TCsvOptionsDlg::bnFile2AvailClick() {
  const int row = lbFile->currentRow();
  if (row < 0) return;
  QListWidgetItem* item = lbFile->takeItem(row);
  const int value = itemValue(item);
  if (value == kFillerItem) {
    delete item;
    return;
  }
  // Back into column order, before the filler.
  int at = 0;
  while (at < lbAvailable->count() && itemValue(lbAvailable->item(at)) != kFillerItem &&
         itemValue(lbAvailable->item(at)) < value)
    ++at;
  lbAvailable->insertItem(at, item);
}

void TCsvOptionsDlg::exchangeFile(int row, int other) {
  if (row < 0 || other < 0 || other >= lbFile->count()) return;
  lbFile->insertItem(other, lbFile->takeItem(row));
  lbFile->setCurrentRow(other);
}

void TCsvOptionsDlg::bnUpClick() {
  const int row = lbFile->currentRow();
  exchangeFile(row, row - 1);
}

void TCsvOptionsDlg::bnDownClick() {
  const int row = lbFile->currentRow();
  exchangeFile(row, row + 1);
}
