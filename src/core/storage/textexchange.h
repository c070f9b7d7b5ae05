#pragma once
// Text export and import of a package, for spreadsheets and other tools.
//
// File format: one line per entry, CR LF line ends; the fields of the chosen columns in the chosen
// order, separated by one separator character, with no header, no quoting and no escaping. A
// column field is the cell's text; a filler item writes "0" on export and skips a field on import.
// Import reads lines of at most 255 characters, ending in LF or CR LF.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/package/packagebase.h"

// The value of the filler item in a list of file columns; other items are column indices into the
// package's visible layout.
inline constexpr int kFillerItem = -2;

// File lists of this many items or more are not remembered.
inline constexpr size_t kMaxStoredItems = 32;

// The columns the user may put into a file, in column order: the visible ones except the last
// `hiddenColumns` and the check-box columns; import offers only columns the user can type.
std::vector<int> offeredColumns(const PackageBase& package, int hiddenColumns, bool exporting);

// Name of the remembered file list: "csv" and one digit each for the device family, the package
// kind, the method and the direction (1 export, 0 import).
std::string columnListName(int family, int kind, int method, bool exporting);

// The remembered form of a file list: one byte per item, the item's value + 1 (0xFF for the
// filler).
std::string encodeColumnList(const std::vector<int>& items);

// The file list a remembered string gives: its bytes in order, each naming an offered column that
// is not in the list yet, or the filler; anything else is skipped.
std::vector<int> decodeColumnList(const std::string& stored, const std::vector<int>& offered);

// Field separator of the separator choice: 0 blank, 1 ",", 2 ";", 3 or nothing chosen a tab.
char fieldSeparatorOf(int choice);

// Writes every entry. The first user's decimal separator of each cell becomes `decimalSeparator`.
void writeText(std::ostream& out, const PackageBase& package, const std::vector<int>& items,
               char fieldSeparator, char decimalSeparator);

// An import that stopped at a line of the file. what() is the program's own text of the cause
// ("Неправильное значение: abc", "Строка 7 файла длиннее 255 символов"); the rest says where.
class TextImportError : public MessageError {
 public:
  struct Where {
    int line = 0;          // counted from 1
    int field = 0;         // counted from 1; 0 for a line that is too long
    std::string column;    // caption of the field's column; empty with field 0
    int entriesTaken = 0;  // entries the import added, a partly filled last one included
  };
  TextImportError(const std::string& cause, Where where) : MessageError(cause), where_(where) {}
  const Where& where() const { return where_; }
  // The line stopped before any of its fields was taken: every entry taken is complete.
  bool lineTooLong() const { return where_.field == 0; }

 private:
  Where where_;
};

// Adds one entry per line that has a field for every item; a shorter line adds nothing and fields
// beyond the last item are ignored. A field that does not convert, or a line of 256 characters or
// more, raises TextImportError; the entries read so far, the one being filled included, stay in the
// package. Nothing is recalculated.
void readText(std::istream& in, PackageBase& package, const std::vector<int>& items,
              char fieldSeparator);

// The console line that tells where the import from `path` stopped and what it took, e.g.
// "Импорт из файла "a.txt" остановлен на строке 3, поле 2 ("N1 (имп)"): добавлено записей: 3,
// последняя заполнена не полностью".
std::string importStopText(const std::string& path, const TextImportError& error);

// writeText into the file at `path`, replacing it only once it is complete; win_error when the file
// cannot be written.
void exportTextFile(const std::string& path, const PackageBase& package,
                    const std::vector<int>& items, char fieldSeparator, char decimalSeparator);

// readText from the file at `path`; win_error when it cannot be opened or read.
void importTextFile(const std::string& path, PackageBase& package, const std::vector<int>& items,
                    char fieldSeparator);
