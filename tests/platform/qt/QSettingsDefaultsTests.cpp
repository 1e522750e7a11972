#include "platform/qt/QSettingsDefaults.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace tl {
namespace {

using namespace std::string_literals;

class QSettingsDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    const QString file = folder.filePath("settings.ini");

    std::unique_ptr<QSettingsDefaults> open() const { return std::make_unique<QSettingsDefaults>(file); }
};

const std::string kBinary = "\0\x01\xff\x80@ByteArray()\n\r\\x00="s;

TEST_F(QSettingsDefaultsTest, ValuesSurviveReopening)
{
    ASSERT_TRUE(folder.isValid());
    {
        const auto defaults = open();
        defaults->set("plain", "hello world"s);
        defaults->set("tricky", "@Invalid(), \"quoted\" ; comma, 12"s);
        defaults->set("unicode", "Zoë – 東京"s);
        defaults->set("empty", ""s);
        defaults->set("flagOn", true);
        defaults->set("flagOff", false);
        defaults->set("big", std::int64_t{9007199254740993});
        defaults->set("negative", std::int64_t{-12});
        defaults->set("ratio", 0.1 + 0.2);
        defaults->set("blob", DefaultsData{kBinary});
        defaults->set("Group/nested", "inside"s);
    }
    ASSERT_TRUE(QFileInfo::exists(file));

    const auto reopened = open();
    EXPECT_EQ(reopened->string("plain"), "hello world");
    EXPECT_EQ(reopened->string("tricky"), "@Invalid(), \"quoted\" ; comma, 12");
    EXPECT_EQ(reopened->string("unicode"), "Zoë – 東京");
    EXPECT_EQ(reopened->string("empty"), "");
    EXPECT_EQ(reopened->boolean("flagOn"), true);
    EXPECT_EQ(reopened->boolean("flagOff"), false);
    EXPECT_EQ(reopened->integer("big"), 9007199254740993);
    EXPECT_EQ(reopened->integer("negative"), -12);
    EXPECT_EQ(reopened->real("ratio"), 0.1 + 0.2);
    EXPECT_EQ(reopened->data("blob"), DefaultsData{kBinary});
    EXPECT_EQ(reopened->string("Group/nested"), "inside");
    EXPECT_FALSE(reopened->value("never written"));
}

TEST_F(QSettingsDefaultsTest, ValuesKeepTheirTypeBeforeBeingWritten)
{
    const auto defaults = open();
    defaults->set("flag", true);
    defaults->set("count", std::int64_t{7});
    defaults->set("ratio", 2.5);
    defaults->set("blob", DefaultsData{kBinary});
    EXPECT_EQ(defaults->value("flag"), Defaults::Value{true});
    EXPECT_EQ(defaults->value("count"), Defaults::Value{std::int64_t{7}});
    EXPECT_EQ(defaults->value("ratio"), Defaults::Value{2.5});
    EXPECT_EQ(defaults->value("blob"), Defaults::Value{DefaultsData{kBinary}});
}

TEST_F(QSettingsDefaultsTest, RemovalSurvivesReopening)
{
    {
        const auto defaults = open();
        defaults->set("kept", "yes"s);
        defaults->set("dropped", std::int64_t{1});
    }
    {
        const auto defaults = open();
        defaults->remove("dropped");
        EXPECT_FALSE(defaults->value("dropped"));
    }
    const auto reopened = open();
    EXPECT_FALSE(reopened->value("dropped"));
    EXPECT_EQ(reopened->string("kept"), "yes");
}

}  // namespace
}  // namespace tl

#include "support/DefaultsHammer.h"

namespace tl {
namespace {

TEST_F(QSettingsDefaultsTest, OneStoreTakesWritesFromSeveralThreads)
{
    ASSERT_TRUE(folder.isValid());
    const auto defaults = open();
    testing::hammerFromSeveralThreads(*defaults);
}

}  // namespace
}  // namespace tl
