// Edit boxes, the address control and the Esc-then-letter rule: the keyboard behaviour a
// technician relies on when typing a password or an address.
#include <gtest/gtest.h>

#include <map>
#include <string_view>
#include <vector>

#include "frontends/tui/escape_joiner.h"
#include "frontends/tui/ip_edit.h"
#include "frontends/tui/line_edit.h"

namespace tui {
namespace {

// Keys as typed: characters, and <L> <R> <H> <E> <B> <D> for Left, Right, Home, End,
// Backspace and Delete.
std::vector<Key> Keys(std::string_view typed) {
    const std::map<char, Key::Kind> named = {{'L', Key::Left},      {'R', Key::Right},
                                             {'H', Key::Home},      {'E', Key::End},
                                             {'B', Key::Backspace}, {'D', Key::Delete}};
    std::vector<Key> keys;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] == '<' && i + 2 < typed.size() && typed[i + 2] == '>') {
            keys.push_back(Key::Of(named.at(typed[i + 1])));
            i += 2;
        } else {
            keys.push_back(Key::Character(static_cast<char32_t>(typed[i])));
        }
    }
    return keys;
}

void Type(std::string& text, EditState& st, std::string_view keys, const EditRules& rules = {}) {
    for (const Key& key : Keys(keys)) ApplyEditKey(text, st, key, rules);
}

// Typing inserts at the cursor, Backspace takes the cursor back with the text, the keys do
// nothing at the edges, and digits-only boxes and limits refuse keys.
TEST(LineEdit, KeysLeaveTheTextAndTheCursor) {
    const struct {
        const char* keys;
        EditRules rules;
        const char* text;
        std::size_t cursor;
    } cases[] = {
        {"modm<L>e", {}, "modem", 4},
        {"modem<H><D><E><B>", {}, "ode", 3},
        {"ode<L><B>X", {}, "oXe", 2},
        {"oXe<R><R>", {}, "oXe", 3},
        {"oXe<H><B><L>", {}, "oXe", 0},
        {"1a2-3", {true, 0}, "123", 3},
        {"1234567", {true, 5}, "12345", 5},
    };
    for (const auto& c : cases) {
        std::string text;
        EditState st;
        Type(text, st, c.keys, c.rules);
        EXPECT_EQ(text, c.text) << c.keys;
        EXPECT_EQ(st.cursor, c.cursor) << c.keys;
    }
}

TEST(LineEdit, ScrollingKeepsTheCursorVisibleAndPullsTextBackAfterDeletion) {
    std::string text;
    EditState st;
    // The cursor takes the last cell; after deletions the text comes back into the field.
    for (auto [keys, shown] : {std::pair{"abcdefghij", "hij"}, {"<H>", "abcd"}, {"<E>", "hij"},
                               {"<B><B><B><B><B><B>", "bcd"}}) {
        Type(text, st, keys);
        ScrollToCursor(st, text.size(), 4);
        EXPECT_EQ(VisibleText(text, st, 4), shown) << keys;
    }
    EXPECT_EQ(st.scroll, 1u);
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
// are clamped to a byte, letters are ignored, the last field never overflows, and Backspace
// at the start of a field eats into the previous one.
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
        {{"", "", "", ""}, "10.0<B><B>", "  1.   .   .   "},  // Backspace crosses a dot
    };
    for (const auto& c : cases) {
        IpFields f = c.start;
        IpEditState st = EnterIpControl();
        for (const Key& key : Keys(c.keys)) ApplyIpKey(f, st, key);
        EXPECT_EQ(IpDisplayText(f), c.shown) << c.keys;
    }
    EXPECT_EQ(AddressFromFields({"255", "1", "", ""}), 0xFF010000u) << "empty fields count as 0";
    EXPECT_EQ(IpCursorColumn({"192", "168", "1", "1"}, {2, 1, false, false}), 8 + 2 + 1)
        << "the cursor follows the right-aligned field";
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
