#include "core/storage/filetype.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/base/errors.h"

namespace filetype {
namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file as a whole (temporary file and rename), so a desktop never reads half of it.
// Returns true when the content differs from what was there.
bool replaceFile(const fs::path& path, const std::string& content) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) throw win_error(ec.value());
  const bool changed = readWhole(path) != content;
  const fs::path temporary = path.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw win_error(errno ? errno : EACCES);
    out << content;
    out.close();
    if (!out) {
      fs::remove(temporary, ec);
      throw win_error(EIO);
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw win_error(ec.value());
  }
  return changed;
}

}  // namespace

std::string mimePackageXml() {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      << "  <mime-type type=\"" << kMimeType << "\">\n"
      << "    <comment>Tidemark Ziduzez OB</comment>\n"
      << "    <comment xml:lang=\"ru\">Преобразователь расхода</comment>\n"
      << "    <icon name=\"" << kIconName << "\"/>\n"
      << "    <glob pattern=\"*.srv\"/>\n"
      << "  </mime-type>\n"
      << "</mime-info>\n";
  return xml.str();
}

// Inside the double quotes of an Exec argument the characters " ` $ \ take a backslash; the value
// as a whole is then a desktop-entry string, whose own escapes double every backslash; a field
// code would start with %, so a literal one is written %%.
std::string quoteExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    switch (c) {
      case '"':
      case '`':
      case '$':
        quoted += "\\\\";
        quoted += c;
        break;
      case '\\':
        quoted += "\\\\\\\\";
        break;
      case '%':
        quoted += "%%";
        break;
      case '\n':
        quoted += "\\n";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + "\"";
}

namespace {

// `exec` is the program part of the Exec line, already quoted where it needs to be.
std::string entryWithExec(const std::string& exec) {
  std::ostringstream entry;
  entry << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Name=ТайдМарк-Cервис\n"
        << "Comment=Градуировка и поверка преобразователей расхода\n"
        << "Exec=" << exec << " %f\n"
        << "Icon=" << kIconName << "\n"
        << "MimeType=" << kMimeType << ";\n"
        << "Terminal=false\n"
        << "NoDisplay=false\n"
        << "Categories=Utility;\n";
  return entry.str();
}

}  // namespace

std::string desktopEntry(const std::string& programPath) {
  return entryWithExec(quoteExecArgument(programPath));
}

std::string installedDesktopEntry() { return entryWithExec("tdservice"); }

bool registerFileType(const std::string& dataHome, const std::string& programPath,
                      const std::string& iconSvg) {
  const fs::path home(dataHome);
  bool changed = replaceFile(home / kMimeFile, mimePackageXml());
  changed |= replaceFile(home / kDesktopFile, desktopEntry(programPath));
  changed |= replaceFile(home / kIconFile, iconSvg);
  return changed;
}

}  // namespace filetype
