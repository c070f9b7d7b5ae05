// The help pages against the program: every topic the program can ask for has its page, and the
// pages only point at each other. Keywords are read from the sources, so a new window with a new
// keyword fails here until its page is written.

#include "ui/app/help.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <set>

namespace {

const QString kSources = QStringLiteral(TD_HELP_SOURCES);
const QString kPages = QStringLiteral(TD_HELP_PAGES);

QString readUtf8(const QString& path, bool* valid) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *valid = false;
    return {};
  }
  QStringDecoder decode(QStringDecoder::Utf8);
  const QString text = decode(file.readAll());
  *valid = !decode.hasError();
  return text;
}

// Every keyword the sources set; a use of "helpKeyword" that is not a plain literal fails, so the
// scan cannot silently miss one.
std::set<QString> keywordsInSources() {
  static const QRegularExpression literal(R"re(setProperty\("helpKeyword",\s*"([^"]+)"\))re");
  std::set<QString> keywords;
  const QDir root(kSources);
  for (QDirIterator it(kSources, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
       it.hasNext();) {
    const QString path = it.next();
    if (QFileInfo(path).baseName() == "help") continue;  // the reader of the property itself
    bool valid = true;
    const QStringList lines = readUtf8(path, &valid).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
      if (!lines[i].contains("\"helpKeyword\"")) continue;
      const auto match = literal.match(lines[i]);
      EXPECT_TRUE(match.hasMatch()) << root.relativeFilePath(path).toStdString() << ":" << i + 1;
      if (match.hasMatch()) keywords.insert(match.captured(1));
    }
  }
  return keywords;
}

}  // namespace

TEST(HelpTopicsTest, EveryKeywordOfTheProgramOpensAnExistingPage) {
  std::set<QString> keywords = keywordsInSources();
  ASSERT_GE(keywords.size(), 10u) << "keyword scan found too little";
  keywords.insert(QString());  // "Справка" asks with no keyword

  QUrl opened;
  THelp help(kPages, [&](const QUrl& url) { opened = url; });
  for (const QString& keyword : keywords) {
    opened.clear();
    ASSERT_TRUE(help.showKeyword(keyword));
    EXPECT_TRUE(QFileInfo(opened.toLocalFile()).isFile())
        << "no page for \"" << keyword.toStdString() << "\": " << opened.toString().toStdString();
  }
}

TEST(HelpTopicsTest, PagesAreSelfContainedUtf8AndTheirLinksResolve) {
  static const QRegularExpression ref(R"re((?:href|src)="([^"]*)")re");
  const QDir dir(kPages);
  const QStringList pages = dir.entryList({"*.htm"}, QDir::Files);
  ASSERT_FALSE(pages.isEmpty());
  for (const QString& page : pages) {
    SCOPED_TRACE(page.toStdString());
    bool valid = true;
    const QString html = readUtf8(dir.filePath(page), &valid);
    EXPECT_TRUE(valid) << "not UTF-8";
    EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">"));
    EXPECT_FALSE(html.contains("<script", Qt::CaseInsensitive));
    for (auto it = ref.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      const QUrl url(target);
      EXPECT_TRUE(url.isRelative() && url.host().isEmpty()) << "external: " << target.toStdString();
      const QString file = url.path().isEmpty() ? page : url.path();
      bool ok = true;
      const QString linked = readUtf8(dir.filePath(file), &ok);
      EXPECT_TRUE(ok) << "broken link: " << target.toStdString();
      if (ok && url.hasFragment()) {
        EXPECT_TRUE(linked.contains(QString("id=\"%1\"").arg(url.fragment())))
            << "missing anchor: " << target.toStdString();
      }
    }
  }
}

// The build tree keeps the pages beside the program; an installed program finds them under
// share/ of its prefix; without either, the folder beside the program is named and help is off.
TEST(HelpFolderTest, BesideTheProgramFirstThenTheInstalledLayout) {
  QTemporaryDir prefix;
  ASSERT_TRUE(prefix.isValid());
  const QDir root(prefix.path());
  ASSERT_TRUE(root.mkpath("bin"));
  const QString bin = root.filePath("bin");
  const QString beside = root.filePath("bin/help");
  const QString installed = root.filePath("share/tdservice/help");

  EXPECT_EQ(THelp::folderFor(bin), beside);
  ASSERT_TRUE(root.mkpath("share/tdservice/help"));
  EXPECT_EQ(THelp::folderFor(bin), installed);
  EXPECT_EQ(THelp::folderFor(bin + "/"), installed);
  ASSERT_TRUE(root.mkpath("bin/help"));
  EXPECT_EQ(THelp::folderFor(bin), beside);
}
