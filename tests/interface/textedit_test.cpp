#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/scene/nE_Font.h"
#include "game/interface/nG_TextEdit.h"
#include "widget_fixture.h"

#include <tinyxml.h>

#include <random>
#include <tuple>

namespace
{
const uint32_t kLeft = static_cast<uint32_t>(-126), kRight = static_cast<uint32_t>(-125);
const std::string kFont = std::string(NE_SOURCE_DIR_DEFAULT) + "/tests/data/fonts/testfont";

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        out += nG_EncodeUtf8(c);
    return out;
}

// Every glyph of the test font advances 10 px at size 20 (CJK and emoji 20);
// a block is 10 px wider than its glyphs.
struct TextEditTest : WidgetFixture
{
    nE_ResourceCache cache;
    nE_ResourceCreator savedFont;
    nG_TextEdit* field = nullptr;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        savedFont = nE_ResourceCache::SetCreator(NE_RES_FONT, nE_ResourceCreator());
        nE_RegisterFontCreator();
        g_resourceCache = &cache;
    }
    void TearDown() override
    {
        WidgetFixture::TearDown(); // deletes the fields while their font is still cached
        cache.Clear();
        g_resourceCache = nullptr;
        nE_ResourceCache::SetCreator(NE_RES_FONT, savedFont);
    }
    nG_TextEdit* Field(bool withFont = true)
    {
        delete field;
        field = new nG_TextEdit("field");
        if (withFont) field->SetResourceName(kFont);
        return Add(field);
    }
    bool Event(uint32_t kind, uint32_t key, uint32_t character = 0)
    {
        nE_InputEvent event;
        event.kind = kind;
        event.key = key;
        event.character = character;
        return field->HandleInput(&event, nullptr, nE_RenderState());
    }
    bool Key(uint32_t key) { return Event(NE_INPUT_KEYDOWN, key); }
    void Type(const std::u32string& text)
    {
        for (char32_t c : text)
            Event(NE_INPUT_CHAR, 0, c);
    }
};

// Filters (letters and numbers only, capitals) work in every script; control
// characters and non-characters never pass; the limit counts characters.
TEST_F(TextEditTest, TypedCharactersPassTheFiltersAndTheLimit)
{
    struct Case
    {
        bool lettersAndNumbers, capitals;
        uint32_t limit;
        std::u32string typed, kept;
    } cases[] = {
        {true, false, 40, U"a b-1", U"ab1"},
        {false, false, 40, U"a b-1", U"a b-1"},
        {true, true, 40, U"a\u00e9\u00ff\u00df", U"A\u00c9\u0178\u00df"},
        {true, false, 40, U"\u00e9\u4e00\u20ac\u0661", U"\u00e9\u4e00\u0661"},
        {false, false, 40, U"\x1f\x7f\u0085\U0001F600\uFFFD", U"\U0001F600\uFFFD"},
        {false, false, 40, {0xD800, 0x110000, 'z'}, U"z"},
        {true, false, 3, U"\u00e9a\u4e00\u00e9", U"\u00e9a\u4e00"},
    };
    for (const Case& c : cases)
    {
        Field()->onlyLettersAndNumbers = c.lettersAndNumbers;
        field->onlyCapitalLetters = c.capitals;
        field->maxChars = c.limit;
        Type(c.typed);
        EXPECT_EQ(Utf8(c.kept), field->GetText()) << Utf8(c.typed);
        EXPECT_EQ(c.kept.size(), field->GetOffsets().size());
        EXPECT_EQ(static_cast<int>(c.kept.size()), field->GetCaret());
    }
    field->SetText(Utf8(U"\u4e00\u4e00\u4e00\u4e00"));                // cut at a character, not a byte
    EXPECT_EQ((std::vector<float>{19, 39, 59}), field->GetOffsets()); // blocks 30, 50, 70 wide, less 11
    field->SetFontSize(40);                                           // the offsets follow every layout
    EXPECT_EQ((std::vector<float>{38, 78, 118}), field->GetOffsets());
}

// The model: a code-point string and a caret, edited as the field should; the
// offsets always match those of a field laying the text out anew.
TEST_F(TextEditTest, RandomEditsKeepTheOffsetsOfAFreshLayout)
{
    const char32_t alphabet[] = {U'a', U'Z', U'7', U' ', U'\u00e9', U'\u4e00', U'\U0001F600', U'-'};
    std::mt19937 random(16);
    nG_TextEdit fresh("fresh");
    fresh.SetResourceName(kFont);
    fresh.LoadResourcesTree();
    for (int round = 0; round < 8; ++round)
    {
        Field(round != 7)->maxChars = 6 + round; // the last round has no font
        field->onlyLettersAndNumbers = false;
        std::u32string model;
        int caret = 0;
        for (int step = 0; step < 120; ++step)
        {
            const int op = static_cast<int>(random() % 10);
            if (op < 5)
            {
                char32_t c = alphabet[random() % 8];
                Event(NE_INPUT_CHAR, 0, c);
                if (model.size() < field->maxChars) model.insert(size_t(caret++), 1, c);
            }
            else if (op < 7)
            {
                EXPECT_EQ(caret > 0, Key(8));
                if (caret > 0) model.erase(size_t(--caret), 1);
            }
            else
            {
                Key(op == 7 ? kLeft : kRight);
                caret = std::max(0, std::min(int(model.size()), caret + (op == 7 ? -1 : 1)));
            }
            ASSERT_EQ(Utf8(model), field->GetText()) << "round " << round << " step " << step;
            ASSERT_EQ(caret, field->GetCaret());
            ASSERT_EQ(model.size(), field->GetOffsets().size());
            fresh.SetText(field->GetText());
            ASSERT_TRUE(round == 7 || fresh.GetOffsets() == field->GetOffsets());
        }
    }
}

// Clear on first input, then a typed "x" or a Backspace, and the text after them.
TEST_F(TextEditTest, TheFirstEditClearsOnceUntilResourcesLoadAgain)
{
    for (auto [clear, backspace, after] :
         {std::tuple{true, false, "x"}, {true, true, ""}, {false, false, "Playerx"}, {false, true, "Playe"}})
    {
        Field()->clearOnFirstInput = clear;
        field->SetText("Player");
        backspace ? (void)Key(8) : Type(U"x");
        Type(U"y"); // only the first edit clears
        EXPECT_EQ(after + std::string("y"), field->GetText());
        EXPECT_EQ(clear, field->clearedOnFirstInput);
        field->ReleaseResourcesTree();
        EXPECT_EQ(nG_Utf8Starts(field->GetText()).size(), field->GetOffsets().size()); // even without a font
        field->LoadResourcesTree();
        Type(U"z");
        EXPECT_EQ(clear ? "z" : after + std::string("yz"), field->GetText());
    }
}

TEST_F(TextEditTest, KeysAreTakenOrPassedOnAndTheCaretBlinks)
{
    Field()->SetAlign(0);
    EXPECT_FALSE(Key(8));  // Backspace at the start goes on to the base handler
    EXPECT_TRUE(Key(13));  // Enter without a call is taken and runs nothing
    EXPECT_FALSE(Key(27)); // any other key goes on
    field->enterTrigger = "probe(typed)";
    Type(U"ab");
    EXPECT_FLOAT_EQ(-15 + 19 + 6 + 15, field->GetCaretX()); // block 30 wide from x: after "b"
    EXPECT_TRUE(Key(13));
    Key(kLeft);
    EXPECT_TRUE(Key(kLeft) && Key(kLeft)); // beyond the start it stays
    EXPECT_FLOAT_EQ(-15 + 5 + 15, field->GetCaretX());
    field->SetVisible(false);
    EXPECT_FALSE(Key(13)); // a hidden field takes no keys
    std::vector<float> shown;
    for (int i = 0; i < 6; ++i, Step(0.24f)) // each quarter second
        Step(0.01f), shown.push_back(field->GetCaretAlpha());
    EXPECT_EQ((std::vector<float>{1, 1, 0, 0, 1, 1}), shown);
    EXPECT_EQ("field:typed;", Probes());
}

TEST_F(TextEditTest, PropertiesRoundTripAndTheLimitCutsALoadedText)
{
    Field()->onlyLettersAndNumbers = false;
    Type(U"Zo\u00eb !");
    field->clearOnFirstInput = field->clearedOnFirstInput = field->onlyCapitalLetters = true;
    field->enterTrigger = "named(field)";
    TiXmlElement xml("textedit");
    nE_SLHelper_XML writer(&xml);
    field->Save(writer);
    xml.SetAttribute("maxchars", "3");
    nG_TextEdit copy("copy");
    nE_SLHelper_XML reader(&xml);
    copy.Load(reader);
    EXPECT_EQ(Utf8(U"Zo\u00eb"), copy.GetText());
    EXPECT_EQ(3, copy.GetCaret());
    EXPECT_EQ((std::vector<bool>{true, true, false, true}),
              (std::vector<bool>{copy.clearOnFirstInput, copy.clearedOnFirstInput, copy.onlyLettersAndNumbers,
                                 copy.onlyCapitalLetters}));
    EXPECT_EQ("named(field)", copy.enterTrigger);
    EXPECT_TRUE(copy.maxChars == 3 && copy.GetDispRawText());
}
} // namespace
