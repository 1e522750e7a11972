#include "platform/Defaults.h"

#include <gtest/gtest.h>

#include <string>

namespace tl {
namespace {

using namespace std::string_literals;

TEST(InMemoryDefaults, KeepsEachTypeUntilOverwrittenOrRemoved)
{
    InMemoryDefaults defaults;
    defaults.set("text", "hello"s);
    defaults.set("flag", true);
    defaults.set("count", std::int64_t{-42});
    defaults.set("ratio", 0.1 + 0.2);
    defaults.set("blob", DefaultsData{"\0\xff"s});

    EXPECT_EQ(defaults.string("text"), "hello");
    EXPECT_EQ(defaults.boolean("flag"), true);
    EXPECT_EQ(defaults.integer("count"), -42);
    EXPECT_EQ(defaults.real("ratio"), 0.1 + 0.2);
    EXPECT_EQ(defaults.data("blob"), DefaultsData{"\0\xff"s});

    defaults.set("text", std::int64_t{5});
    EXPECT_EQ(defaults.integer("text"), 5);
    EXPECT_FALSE(defaults.string("text"));

    defaults.remove("text");
    defaults.remove("never set");
    EXPECT_FALSE(defaults.value("text"));
    EXPECT_TRUE(defaults.value("flag"));
}

TEST(DefaultsReaders, MissingKeyGivesNoValue)
{
    const InMemoryDefaults defaults;
    EXPECT_FALSE(defaults.string("missing"));
    EXPECT_FALSE(defaults.data("missing"));
    EXPECT_FALSE(defaults.boolean("missing"));
    EXPECT_FALSE(defaults.integer("missing"));
    EXPECT_FALSE(defaults.real("missing"));
}

TEST(DefaultsReaders, AcceptTextForms)
{
    InMemoryDefaults defaults;
    defaults.set("yes", "true"s);
    defaults.set("no", "false"s);
    defaults.set("twelve", "12"s);
    defaults.set("negative", "-7"s);
    defaults.set("half", "2.5"s);

    EXPECT_EQ(defaults.boolean("yes"), true);
    EXPECT_EQ(defaults.boolean("no"), false);
    EXPECT_EQ(defaults.integer("twelve"), 12);
    EXPECT_EQ(defaults.integer("negative"), -7);
    EXPECT_EQ(defaults.real("half"), 2.5);
    EXPECT_EQ(defaults.real("twelve"), 12.0);
}

TEST(DefaultsReaders, NumbersWidenWhereNothingIsLost)
{
    InMemoryDefaults defaults;
    defaults.set("count", std::int64_t{3});
    defaults.set("zero", std::int64_t{0});
    EXPECT_EQ(defaults.real("count"), 3.0);
    EXPECT_EQ(defaults.boolean("count"), true);
    EXPECT_EQ(defaults.boolean("zero"), false);
}

TEST(DefaultsReaders, WrongTypesGiveNoValue)
{
    InMemoryDefaults defaults;
    defaults.set("flag", true);
    defaults.set("count", std::int64_t{3});
    defaults.set("ratio", 2.5);
    defaults.set("word", "yes"s);
    defaults.set("partly", "12abc"s);
    defaults.set("padded", " 12"s);
    defaults.set("empty", ""s);
    defaults.set("blob", DefaultsData{"12"});

    EXPECT_FALSE(defaults.string("count"));
    EXPECT_FALSE(defaults.string("blob"));
    EXPECT_FALSE(defaults.data("word"));
    EXPECT_FALSE(defaults.boolean("word"));
    EXPECT_FALSE(defaults.boolean("ratio"));
    EXPECT_FALSE(defaults.boolean("blob"));
    EXPECT_FALSE(defaults.boolean("empty"));
    EXPECT_FALSE(defaults.integer("flag"));
    EXPECT_FALSE(defaults.integer("ratio"));
    EXPECT_FALSE(defaults.integer("partly"));
    EXPECT_FALSE(defaults.integer("padded"));
    EXPECT_FALSE(defaults.integer("empty"));
    EXPECT_FALSE(defaults.integer("blob"));
    EXPECT_FALSE(defaults.real("flag"));
    EXPECT_FALSE(defaults.real("word"));
    EXPECT_FALSE(defaults.real("empty"));
    EXPECT_FALSE(defaults.real("blob"));
}

}  // namespace
}  // namespace tl

#include "support/DefaultsHammer.h"

namespace tl {
namespace {

TEST(InMemoryDefaultsThreads, OneStoreTakesWritesFromSeveralThreads)
{
    InMemoryDefaults defaults;
    testing::hammerFromSeveralThreads(defaults);
}

}  // namespace
}  // namespace tl
