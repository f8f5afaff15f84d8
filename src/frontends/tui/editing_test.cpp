// Edit boxes, the address control and the Esc-then-letter rule: the keyboard behaviour a
// technician relies on when typing a password or an address.
#include <gtest/gtest.h>

#include "frontends/tui/escape_joiner.h"
#include "frontends/tui/ip_edit.h"
#include "frontends/tui/line_edit.h"

namespace tui {
namespace {

void Type(std::string& text, EditState& st, std::string_view keys, const EditRules& rules = {}) {
    for (char c : keys) ApplyEditKey(text, st, Key::Character(static_cast<char32_t>(c)), rules);
}

TEST(LineEdit, InsertsAtCursorAndDeletesOnBothSides) {
    std::string text;
    EditState st;
    Type(text, st, "modm");
    ApplyEditKey(text, st, Key::Of(Key::Left), {});
    Type(text, st, "e");
    EXPECT_EQ(text, "modem");
    ApplyEditKey(text, st, Key::Of(Key::Home), {});
    ApplyEditKey(text, st, Key::Of(Key::Delete), {});
    ApplyEditKey(text, st, Key::Of(Key::End), {});
    ApplyEditKey(text, st, Key::Of(Key::Backspace), {});
    EXPECT_EQ(text, "ode");
    ApplyEditKey(text, st, Key::Of(Key::Left), {});
    ApplyEditKey(text, st, Key::Of(Key::Backspace), {});
    Type(text, st, "X");
    EXPECT_EQ(text, "oXe") << "Backspace moves the cursor back with the text";
    ApplyEditKey(text, st, Key::Of(Key::End), {});
    // At the edges the keys do nothing rather than wrap or underflow.
    ApplyEditKey(text, st, Key::Of(Key::Right), {});
    EXPECT_EQ(st.cursor, 3u);
    ApplyEditKey(text, st, Key::Of(Key::Home), {});
    bool changed = true;
    ApplyEditKey(text, st, Key::Of(Key::Backspace), {}, &changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(text, "oXe");
}

TEST(LineEdit, DigitsOnlyAndLimitRefuseKeysWithoutChangingTheText) {
    std::string text;
    EditState st;
    Type(text, st, "1a2-3", {true, 0});
    EXPECT_EQ(text, "123");
    Type(text, st, "4567", {true, 5});
    EXPECT_EQ(text, "12345");
}

TEST(LineEdit, ScrollingKeepsTheCursorVisibleAndPullsTextBackAfterDeletion) {
    std::string text;
    EditState st;
    Type(text, st, "abcdefghij");
    ScrollToCursor(st, 10, 4);
    EXPECT_EQ(VisibleText(text, st, 4), "hij");  // the cursor takes the last cell
    ApplyEditKey(text, st, Key::Of(Key::Home), {});
    ScrollToCursor(st, 10, 4);
    EXPECT_EQ(VisibleText(text, st, 4), "abcd");
    ApplyEditKey(text, st, Key::Of(Key::End), {});
    ScrollToCursor(st, 10, 4);
    for (int i = 0; i < 6; ++i) ApplyEditKey(text, st, Key::Of(Key::Backspace), {});
    ScrollToCursor(st, text.size(), 4);
    EXPECT_EQ(st.scroll, 1u);
    EXPECT_EQ(VisibleText(text, st, 4), "bcd");
}

TEST(LineEdit, TextShortenedFromOutsideDoesNotLeaveTheCursorBeyondIt) {
    std::string text = "abcdef";
    EditState st{6, 3};
    text = "ab";
    ClampEditState(st, 2);
    EXPECT_EQ(st.cursor, 2u);
    bool changed = false;
    ApplyEditKey(text, st, Key::Of(Key::Backspace), {}, &changed);
    EXPECT_EQ(text, "a");
}

// Typed keys against the fields they leave: a full address over the default replaces
// every field, a third digit moves on (and the dot after it is not a second move), numbers
// are clamped to a byte, letters are ignored and the last field never overflows.
TEST(IpEdit, TypedAddressesGiveTheirFields) {
    const struct {
        IpFields start;
        const char* keys;
        const char* shown;
    } cases[] = {
        {FieldsFromAddress(0xC0A80101), "10.200.30.4", " 10.200. 30.  4"},
        {{"", "", "", ""}, "192.168.100.2", "192.168.100.  2"},
        {{"", "", "", ""}, "999.1", "255.  1.   .   "},
        {{"", "", "", ""}, "1x.2.3.1234", "  1.  2.  3.123"},
    };
    for (const auto& c : cases) {
        IpFields f = c.start;
        IpEditState st = EnterIpControl();
        for (const char* k = c.keys; *k; ++k)
            ApplyIpKey(f, st, Key::Character(static_cast<char32_t>(*k)));
        EXPECT_EQ(IpDisplayText(f), c.shown) << c.keys;
    }
    EXPECT_EQ(AddressFromFields({"255", "1", "", ""}), 0xFF010000u) << "empty fields count as 0";
    EXPECT_EQ(IpCursorColumn({"192", "168", "1", "1"}, {2, 1, false, false}), 8 + 2 + 1)
        << "the cursor follows the right-aligned field";
}

TEST(IpEdit, BackspaceAtTheStartOfAFieldEatsIntoThePreviousOne) {
    IpFields f{"10", "0", "", ""};
    IpEditState st{2, 0, false, false};
    bool changed = false;
    ApplyIpKey(f, st, Key::Of(Key::Backspace), &changed);
    EXPECT_TRUE(changed);
    ApplyIpKey(f, st, Key::Of(Key::Backspace), &changed);
    EXPECT_EQ(st.field, 0);
    EXPECT_EQ(IpDisplayText(f), "  1.   .   .   ");
}

// Esc, then a key: a letter is an accelerator, a blank the system menu, Esc cancels at
// once, any other key comes after the Esc; Esc alone waits until the window expires it.
TEST(EscapeJoiner, JoinsEscWithTheKeyAfterIt) {
    const Key esc = Key::Of(Key::Escape), tab = Key::Of(Key::Tab);
    for (auto [next, out] : {std::pair{Key::Character(U'X'), std::vector{Key::Accel(U'x')}},
                             {Key::Character(U' '), {Key::Of(Key::Menu)}},
                             {esc, {esc}},
                             {tab, {esc, tab}}}) {
        EscapeJoiner j;
        EXPECT_TRUE(j.Feed(esc).empty());
        EXPECT_EQ(j.Feed(next), out);
        EXPECT_FALSE(j.pending());
    }
    EscapeJoiner j;
    j.Feed(esc);
    EXPECT_EQ(j.Expire(), std::vector<Key>{esc});
    EXPECT_TRUE(j.Expire().empty());
}

}  // namespace
}  // namespace tui
