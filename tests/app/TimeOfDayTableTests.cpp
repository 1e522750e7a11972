#include "app/TimeOfDayTable.h"

#include <gtest/gtest.h>

#include <string_view>

namespace tl {
namespace {

TEST(TimeOfDayTable, EveryRowIsNamedAfterItsOwnSunPosition)
{
    // A row that another row shadows could never be shown as a frame's name.
    for (const auto& row : kTimeOfDayTable) {
        const auto* match = matchingTimeOfDayRow(row.altitude, row.azimuth);
        ASSERT_NE(match, nullptr) << row.label;
        EXPECT_EQ(match->label, row.label);
    }
}

TEST(TimeOfDayTable, MatchingIsStrictAndFirstRowWins)
{
    struct Case {
        double altitude;
        double azimuth;
        std::string_view label; // empty: no row
    };
    for (const auto& c : {
             Case { -0.8, 270, "Sunset" },
             Case { -1.5, 270, "" }, // past the horizon band, not yet within dusk's
             Case { -1.3, 270, "Sunset" },
             Case { -2.1, 270, "Dusk" },
             Case { -2.1, 90, "Civil" },
             Case { -30, 187, "Night" },
             Case { 20, 125, "" },
             Case { 20, 124.9, "Morning" },
             Case { 4.01, 94.99, "Golden AM" },
             Case { 0, 0, "" },
         }) {
        const auto* row = matchingTimeOfDayRow(c.altitude, c.azimuth);
        EXPECT_EQ(row ? row->label : std::string_view {}, c.label) << c.altitude << "/" << c.azimuth;
    }
}

TEST(TimeOfDayTable, PhaseKeysAndArtworkNamesAreDistinctWhereTheyMustBe)
{
    for (std::size_t i = 0; i < kTimeOfDayTable.size(); ++i) {
        for (std::size_t j = i + 1; j < kTimeOfDayTable.size(); ++j) {
            EXPECT_NE(kTimeOfDayTable[i].id, kTimeOfDayTable[j].id);
            EXPECT_NE(kTimeOfDayTable[i].label, kTimeOfDayTable[j].label);
        }
    }
    EXPECT_EQ(kTimeOfDayTable.front().id, "night");
    EXPECT_EQ(kTimeOfDayTable[9].iconName, "golden_pm");
    EXPECT_EQ(kTimeOfDayTable.back().id, "civil_dusk");
    EXPECT_EQ(kTimeOfDayTable.back().label, "Dusk");
}

} // namespace
} // namespace tl
