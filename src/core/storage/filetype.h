#pragma once
// Registration of the .srv document type with the desktop (XDG shared MIME info and a desktop
// entry), rewritten at every start so a moved program keeps opening its documents. The installed
// program ships the same files under the same names (data/), so the user's copies replace the
// system ones instead of showing the program twice.

#include <string>

namespace filetype {

inline constexpr const char* kMimeType = "application/x-tidemarkservice-srv";
inline constexpr const char* kIconName = "tidemarkservice";
// Paths below an XDG data folder (~/.local/share, /usr/share).
inline constexpr const char* kMimeFile = "mime/packages/tidemarkservice-srv.xml";
inline constexpr const char* kDesktopFile = "applications/tidemarkservice.desktop";
inline constexpr const char* kIconFile = "icons/hicolor/scalable/apps/tidemarkservice.svg";

// <dataHome>/mime/packages/<file>: the MIME type for *.srv with its description and icon.
std::string mimePackageXml();
// <dataHome>/applications/<file>: opens documents with the program at `programPath`.
std::string desktopEntry(const std::string& programPath);
// The entry of the installed program, found on the PATH.
std::string installedDesktopEntry();
// One Exec argument quoted and escaped as the desktop entry format wants it.
std::string quoteExecArgument(const std::string& argument);

// Writes the MIME package, the desktop entry and the icon under `dataHome` (the user's XDG data
// folder), each replaced as a whole. Returns true when any of them changed, so the caller knows
// the desktop's caches need a refresh. Throws win_error when a folder or file cannot be written.
bool registerFileType(const std::string& dataHome, const std::string& programPath,
                      const std::string& iconSvg);

}  // namespace filetype
