#include "mainwindow/AppIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// Points the icon theme at a folder for one test, and back afterwards.
class ThemeFolder
{
public:
    explicit ThemeFolder(const QString& root) : m_paths(QIcon::themeSearchPaths()), m_theme(QIcon::themeName())
    {
        QIcon::setThemeSearchPaths({ root });
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
    ~ThemeFolder()
    {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_theme);
    }

private:
    QStringList m_paths;
    QString m_theme;
};

bool copy(const QString& from, const QString& to)
{
    return QDir().mkpath(QFileInfo(to).absolutePath()) && QFile::copy(from, to);
}
} // namespace

TEST(AppIcon, DrawnAtTheSizeAskedWhenNotInstalled)
{
    QTemporaryDir empty;
    ThemeFolder theme(empty.path());
    const QIcon icon = appIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.name().isEmpty());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(22, 22)));
    for (int side : { 16, 22, 48, 256 }) {
        const QImage image = icon.pixmap(side, side).toImage();
        EXPECT_EQ(image.size(), QSize(side, side)) << side;
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << side; // round: the corners stay clear
        const QColor disc = image.pixelColor(side / 2, side * 82 / 100); // below the power mark
        EXPECT_EQ(disc.alpha(), 255) << side;
        EXPECT_GT(disc.blue(), disc.red()) << side;
        // The warning state: the same icon, with a red badge over its lower right quarter.
        const QImage warning = warningIcon(icon).pixmap(side, side).toImage();
        EXPECT_EQ(warning.pixelColor(side / 4, side / 2), image.pixelColor(side / 4, side / 2)) << side;
        const QColor badge = warning.pixelColor(side * 62 / 100, side * 72 / 100);
        EXPECT_GT(badge.red(), 2 * badge.blue()) << side;
    }
}

TEST(AppIcon, TakenFromTheIconThemeWhenInstalled)
{
    // The layout `cmake --install` gives: hicolor's index, a PNG per size and the SVG.
    QTemporaryDir root;
    const QString hicolor = root.filePath(QStringLiteral("hicolor"));
    QFile index(hicolor + QStringLiteral("/index.theme"));
    ASSERT_TRUE(QDir().mkpath(hicolor) && index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=22x22/apps,scalable/apps\n\n"
                "[22x22/apps]\nSize=22\nType=Fixed\n\n"
                "[scalable/apps]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    const QString icons = QStringLiteral(TOVA_SOURCE_DIR "/packaging/icons/");
    ASSERT_TRUE(copy(icons + QStringLiteral("tova-shutdown-22.png"),
                     hicolor + QStringLiteral("/22x22/apps/tova-shutdown.png")));
    ASSERT_TRUE(copy(icons + QStringLiteral("tova-shutdown.svg"),
                     hicolor + QStringLiteral("/scalable/apps/tova-shutdown.svg")));

    ThemeFolder theme(root.path());
    const QIcon icon = appIcon();
    EXPECT_EQ(icon.name(), QStringLiteral("tova-shutdown"));
    EXPECT_EQ(icon.pixmap(22, 22).size(), QSize(22, 22));
}
