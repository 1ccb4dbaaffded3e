// The main menu's letters and highlight keys, without the window (the window's own test
// drives a few of them through the widgets).

#include <gtest/gtest.h>

#include <utility>

#include "app/menu_keys.h"
#include "platform/keys.h"

namespace tm47 {
namespace {

TEST(MenuKeys, LettersInEitherCaseRunTheirCommandOnlyWithoutAScreen) {
    const std::pair<char, int> rows[] = {{'L', 0}, {'S', 1}, {'O', 2}, {'G', 3}, {'P', 4},
                                         {'D', 5}, {'V', 6}, {'X', 7}, {'E', 7}};
    for (const auto& [letter, command] : rows) {
        for (char c : {letter, static_cast<char>(letter + 32)}) {
            int highlighted = 1;
            EXPECT_EQ(DecodeMenuKey(uint32_t(c), false, highlighted), command) << c;
            EXPECT_EQ(DecodeMenuKey(uint32_t(c), true, highlighted), -1) << c;
            EXPECT_EQ(highlighted, 1);
        }
    }
    for (char c : {'A', 'q', 'z', '1', ' '}) {
        int highlighted = 1;
        EXPECT_EQ(DecodeMenuKey(uint32_t(c), false, highlighted), -1) << c;
    }
}

TEST(MenuKeys, HighlightMovesWrapsAndEnterRunsIt) {
    int highlighted = 1;
    EXPECT_EQ(DecodeMenuKey(kKeyUp, false, highlighted), -1);
    EXPECT_EQ(DecodeMenuKey(kKeyLeft, false, highlighted), -1);
    EXPECT_EQ(highlighted, 7); // from the first button round to Exit
    EXPECT_EQ(DecodeMenuKey(kKeyTab, false, highlighted), -1);
    EXPECT_EQ(highlighted, 0);
    EXPECT_EQ(DecodeMenuKey(kKeyRight, false, highlighted), -1);
    EXPECT_EQ(DecodeMenuKey(kKeyDown, false, highlighted), -1);
    EXPECT_EQ(highlighted, 2);
    EXPECT_EQ(DecodeMenuKey(kKeyTab, true, highlighted), -1); // a screen has the keys
    EXPECT_EQ(highlighted, 2);
    EXPECT_EQ(DecodeMenuKey(kKeyEnter, false, highlighted), 2);
    for (auto [id, button] : {std::pair{419, -1}, {420, 0}, {427, 7}, {428, -1}}) {
        EXPECT_EQ(DecodeMenuButton(id), button) << id;
    }
}

} // namespace
} // namespace tm47
