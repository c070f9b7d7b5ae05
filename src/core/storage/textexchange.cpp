#include "core/storage/textexchange.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/storage/atomicfile.h"
#include "core/storage/fdbuf.h"

namespace {

constexpr size_t kMaxLineLength = 255;
constexpr unsigned char kStoredFiller = 0xFF;

// The next line without its LF or CR LF; false at the end of the input. A line beyond the limit
// leaves `line` longer than kMaxLineLength.
bool nextLine(std::istream& in, std::string& line) {
  line.clear();
  bool any = false;
  char c;
  while (in.get(c)) {
    any = true;
    if (c == '\n') break;
    // One character beyond the limit may still be the CR of a CR LF.
    if (line.size() > kMaxLineLength) break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

std::vector<std::string> splitFields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t at; (at = line.find(separator, from)) != std::string::npos; from = at + 1)
    fields.push_back(line.substr(from, at - from));
  fields.push_back(line.substr(from));
  return fields;
}

}  // namespace

std::vector<int> offeredColumns(const PackageBase& package, int hiddenColumns, bool exporting) {
  std::vector<int> columns;
  for (int c = 0; c < package.columnCount() - hiddenColumns; ++c) {
    const ColumnInfo info = package.column(c);
    if (!info.checkBox && (exporting || !info.readOnly)) columns.push_back(c);
  }
  return columns;
}

std::string columnListName(int family, int kind, int method, bool exporting) {
  return "csv" + std::to_string(family) + std::to_string(kind) + std::to_string(method) +
         (exporting ? "1" : "0");
}

std::string encodeColumnList(const std::vector<int>& items) {
  std::string stored;
  for (int item : items)
    stored += static_cast<char>(item == kFillerItem ? kStoredFiller : item + 1);
  return stored;
}

std::vector<int> decodeColumnList(const std::string& stored, const std::vector<int>& offered) {
  std::vector<int> items;
  for (const char c : stored) {
    const int item = static_cast<unsigned char>(c) == kStoredFiller
                         ? kFillerItem
                         : static_cast<unsigned char>(c) - 1;
    const bool available =
        item == kFillerItem || (std::find(offered.begin(), offered.end(), item) != offered.end() &&
                                std::find(items.begin(), items.end(), item) == items.end());
    if (available) items.push_back(item);
  }
  return items;
}

char fieldSeparatorOf(int choice) {
  switch (choice) {
    case 0:
      return ' ';
    case 1:
      return ',';
    case 2:
      return ';';
    default:
      return '\t';
  }
}

void writeText(std::ostream& out, const PackageBase& package, const std::vector<int>& items,
               char fieldSeparator, char decimalSeparator) {
  const char userSeparator = localeHook().decimalSeparator;
  for (int r = 0; r < package.entryCount(); ++r) {
    for (size_t k = 0; k < items.size(); ++k) {
      if (k > 0) out << fieldSeparator;
      if (items[k] == kFillerItem) {
        out << '0';
        continue;
      }
      std::string text = package.cellText(r, items[k]);
      if (const size_t at = text.find(userSeparator); at != std::string::npos)
        text[at] = decimalSeparator;
      out << text;
    }
    out << "\r\n";
  }
}

void readText(std::istream& in, PackageBase& package, const std::vector<int>& items,
              char fieldSeparator) {
  const int entriesBefore = package.entryCount();
  std::string line;
  for (int number = 1; nextLine(in, line); ++number) {
    if (line.size() > kMaxLineLength)
      throw TextImportError("Строка " + std::to_string(number) + " файла длиннее 255 символов",
                            {number, 0, "", package.entryCount() - entriesBefore});
    const std::vector<std::string> fields = splitFields(line, fieldSeparator);
    if (fields.size() < items.size()) continue;  // a short line adds nothing
    package.addEntry();
    const int row = package.entryCount() - 1;
    for (size_t k = 0; k < items.size(); ++k) {
      if (items[k] == kFillerItem) continue;
      try {
        package.setCellText(row, items[k], fields[k]);
      } catch (const MessageError& e) {
        throw TextImportError(e.what(), {number, int(k) + 1, package.column(items[k]).caption,
                                         package.entryCount() - entriesBefore});
      }
    }
  }
}

std::string importStopText(const std::string& path, const TextImportError& error) {
  const TextImportError::Where& where = error.where();
  std::string text =
      "Импорт из файла \"" + path + "\" остановлен на строке " + std::to_string(where.line);
  if (!error.lineTooLong())
    text += ", поле " + std::to_string(where.field) + " (\"" + where.column + "\")";
  text += ": добавлено записей: " + std::to_string(where.entriesTaken);
  if (!error.lineTooLong()) text += ", последняя заполнена не полностью";
  return text;
}

void exportTextFile(const std::string& path, const PackageBase& package,
                    const std::vector<int>& items, char fieldSeparator, char decimalSeparator) {
  files::writeFileAtomically(path, [&](std::ostream& out) {
    writeText(out, package, items, fieldSeparator, decimalSeparator);
  });
}

void importTextFile(const std::string& path, PackageBase& package, const std::vector<int>& items,
                    char fieldSeparator) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw win_error(errno);
  const files::FdCloser closer(fd);
  files::FdInBuf buffer(fd);
  std::istream in(&buffer);
  readText(in, package, items, fieldSeparator);
  if (buffer.error() != 0) throw win_error(buffer.error());
}
