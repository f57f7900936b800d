#include <gtest/gtest.h>

#include "app/core/app_look.h"
#include "app/core/function_commands.h"

namespace vanto {
namespace {

TEST(AppLook, TheFiveIdsSelectTheirLookAndNothingElseDoes) {
    const struct {
        int id;
        std::optional<AppLook> look;
    } cases[] = {
        {32789, AppLook::Default}, {32781, AppLook::Black}, {32783, AppLook::Blue},
        {32785, AppLook::Silver},  {32787, AppLook::Aqua},  {32782, std::nullopt},
        {32784, std::nullopt},     {32786, std::nullopt},   {32788, std::nullopt},
        {0, std::nullopt},         {-1, std::nullopt},      {32790, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LookForId(c.id), c.look) << c.id;
    }
}

TEST(AppLook, OddStoredValueDrawsNothingChecksNothingAndIsKept) {
    for (int stored : {32782, 0}) {
        AppLookState state(stored);
        EXPECT_FALSE(state.CurrentLook().has_value());
        for (const auto& item : kAppLookItems) {
            EXPECT_FALSE(state.IsChecked(item.id)) << stored << " checks " << item.label;
        }
        EXPECT_EQ(state.ValueToStore(), stored);
    }
}

TEST(AppLook, ChoosingAStyleChecksOnlyItAndIsStored) {
    AppLookState state(ID_VIEW_APPLOOK_DEFAULT);
    EXPECT_EQ(state.Choose(ID_VIEW_APPLOOK_OFF_2007_AQUA), AppLook::Aqua);
    int checked = 0;
    for (const auto& item : kAppLookItems) {
        checked += state.IsChecked(item.id) ? 1 : 0;
    }
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(state.IsChecked(ID_VIEW_APPLOOK_OFF_2007_AQUA));
    EXPECT_EQ(state.ValueToStore(), ID_VIEW_APPLOOK_OFF_2007_AQUA);
}

TEST(FunctionCommands, TooltipIsTheDescriptionBeforeTheLineBreak) {
    EXPECT_EQ(PromptDescription(kFunctionCommands[0].prompt),
              "Download remote control application");
    EXPECT_EQ(PromptDescription(kFunctionCommands[5].prompt), "Download user icon data");
    EXPECT_EQ(PromptDescription("no break"), "no break");
    EXPECT_EQ(FunctionIndexOfCommand(32774), 3);
    EXPECT_EQ(FunctionIndexOfCommand(32777), -1);
}

}  // namespace
}  // namespace vanto
