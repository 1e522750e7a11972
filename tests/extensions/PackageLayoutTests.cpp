#include "PackageBuilder.h"

#include "extensions/common/PackageLayout.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace tl::testing {
namespace {

using extension::framePath;
using extension::projectRecordPath;

class PackageLayoutTest : public ::testing::Test {
protected:
    PackageBuilder package;

    void SetUp() override
    {
        package.record("{}").frame(QStringLiteral("day.png"), Qt::red);
        package.file(QStringLiteral("secret.png"), "inside the package but not a frame");
        QFile outside(package.outside() + QStringLiteral("/outside.png"));
        ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    }
};

TEST_F(PackageLayoutTest, NamesThatLeaveTheImagesFolderAreRefused)
{
    for (const char* name : { "../secret.png", "../project.json", "../../outside.png", "sub/day.png", "..", ".", "" }) {
        EXPECT_EQ(framePath(package.path(), QString::fromUtf8(name)), std::nullopt) << name;
    }
    EXPECT_EQ(framePath(package.path(), package.path() + QStringLiteral("/images/day.png")), std::nullopt);
    EXPECT_EQ(framePath(package.path(), QStringLiteral("missing.png")), std::nullopt);
}

TEST_F(PackageLayoutTest, SymlinksCountByWhereTheyLead)
{
    package.symlink(QStringLiteral("images/escape.png"), package.outside() + QStringLiteral("/outside.png"))
        .symlink(QStringLiteral("images/record.png"), package.path() + QStringLiteral("/secret.png"))
        .symlink(QStringLiteral("images/alias.png"), package.path() + QStringLiteral("/images/day.png"));
    EXPECT_EQ(framePath(package.path(), QStringLiteral("escape.png")), std::nullopt);
    EXPECT_EQ(framePath(package.path(), QStringLiteral("record.png")), std::nullopt);
    EXPECT_EQ(framePath(package.path(), QStringLiteral("alias.png")),
        QFileInfo(package.path() + QStringLiteral("/images/day.png")).canonicalFilePath());
}

TEST_F(PackageLayoutTest, SymlinkedImagesFolderLeadsNowhere)
{
    PackageBuilder other;
    other.frame(QStringLiteral("day.png"), Qt::blue);
    QDir(package.path()).removeRecursively();
    QDir().mkpath(package.path());
    package.record("{}").symlink(QStringLiteral("images"), other.path() + QStringLiteral("/images"));
    EXPECT_EQ(framePath(package.path(), QStringLiteral("day.png")), std::nullopt);
}

TEST_F(PackageLayoutTest, OnlyRegularFilesAreHandedOut)
{
    QDir(package.path()).mkpath(QStringLiteral("images/folder.png"));
    const QByteArray fifo = QFile::encodeName(package.path() + QStringLiteral("/images/pipe.png"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    EXPECT_EQ(framePath(package.path(), QStringLiteral("folder.png")), std::nullopt);
    // Opening a FIFO would block the reader forever.
    EXPECT_EQ(framePath(package.path(), QStringLiteral("pipe.png")), std::nullopt);
}

TEST_F(PackageLayoutTest, RecordMustLieInsideThePackage)
{
    EXPECT_TRUE(projectRecordPath(package.path()));
    QFile::remove(package.path() + QStringLiteral("/project.json"));
    package.symlink(QStringLiteral("project.json"), package.outside() + QStringLiteral("/outside.png"));
    EXPECT_EQ(projectRecordPath(package.path()), std::nullopt);
}

} // namespace
} // namespace tl::testing
