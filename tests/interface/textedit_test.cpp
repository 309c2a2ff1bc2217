#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/scene/nE_Font.h"
#include "game/interface/nG_TextEdit.h"
#include "widget_fixture.h"

#include <tinyxml.h>

#include <cstdlib>
#include <random>

namespace
{
const uint32_t kLeft = static_cast<uint32_t>(-126), kRight = static_cast<uint32_t>(-125);

// Every glyph of the test font advances 10 px at size 20 (CJK and emoji 20).
struct TextEditTest : WidgetFixture
{
    nE_ResourceCache cache;
    nE_ResourceCreator savedFont;
    std::string font;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        const char* dir = std::getenv("NE_SOURCE_DIR");
        font = std::string(dir ? dir : ".") + "/tests/data/fonts/testfont";
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
        nG_TextEdit* field = new nG_TextEdit("field");
        if (withFont) field->SetResourceName(font);
        return Add(field);
    }
    bool Event(uint32_t kind, uint32_t key, uint32_t character = 0)
    {
        nE_InputEvent event;
        event.kind = kind;
        event.key = key;
        event.character = character;
        nE_RenderState state;
        return layer->FindChild("field", false)->HandleInput(&event, nullptr, state);
    }
    bool Key(uint32_t key) { return Event(NE_INPUT_KEYDOWN, key); }
    void Type(const std::u32string& text)
    {
        for (char32_t c : text)
            Event(NE_INPUT_CHAR, 0, c);
    }
    // The offsets a field laying the text out afresh gets.
    std::vector<float> Fresh(const std::string& text)
    {
        nG_TextEdit other("other");
        other.SetResourceName(font);
        other.LoadResourcesTree();
        other.SetText(text);
        return other.GetOffsets();
    }
};

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
        out += nG_EncodeUtf8(c);
    return out;
}

TEST_F(TextEditTest, TypedCharactersPassTheFilters)
{
    struct Case
    {
        bool lettersAndNumbers, capitals;
        std::u32string typed;
        std::u32string kept;
    } cases[] = {
        {true, false, U"a b-1", U"ab1"},
        {false, false, U"a b-1", U"a b-1"},
        {true, true, U"a\u00e9\u00ff\u00df", U"A\u00c9\u0178\u00df"}, // other scripts have capitals too
        {true, false, U"\u00e9\u4e00\u20ac\u0661", U"\u00e9\u4e00\u0661"}, // letters and digits of any script
        {false, false, U"\x1f\x7f\u0085\U0001F600\uFFFD", U"\U0001F600\uFFFD"}, // control characters never
        {false, false, {0xD800, 0x110000, 'z'}, U"z"}, // not characters
    };
    for (const Case& c : cases)
    {
        nG_TextEdit* field = Field();
        field->onlyLettersAndNumbers = c.lettersAndNumbers;
        field->onlyCapitalLetters = c.capitals;
        Type(c.typed);
        EXPECT_EQ(Utf8(c.kept), field->GetText()) << Utf8(c.typed);
        EXPECT_EQ(c.kept.size(), field->GetOffsets().size());
        EXPECT_EQ(static_cast<int>(c.kept.size()), field->GetCaret());
        delete field;
    }
}

TEST_F(TextEditTest, TheLimitCountsCharacters)
{
    nG_TextEdit* field = Field();
    field->maxChars = 3;
    EXPECT_TRUE(Key(kLeft));
    Type(U"\u00e9a\u4e00\u00e9");
    EXPECT_EQ(Utf8(U"\u00e9a\u4e00"), field->GetText());
    EXPECT_EQ(3, field->GetCaret());
    // A longer text set by content is cut at a character, not a byte.
    field->SetText(Utf8(U"\u4e00\u4e00\u4e00\u4e00"));
    EXPECT_EQ(Utf8(U"\u4e00\u4e00\u4e00"), field->GetText());
    EXPECT_EQ((std::vector<float>{19, 39, 59}), field->GetOffsets()); // blocks 30, 50, 70 wide, less 11
}

// The model: a code-point string and a caret, edited as the field should.
TEST_F(TextEditTest, RandomEditsKeepTheOffsetsOfAFreshLayout)
{
    const char32_t alphabet[] = {U'a', U'Z', U'7', U' ', U'\u00e9', U'\u4e00', U'\U0001F600', U'-'};
    std::mt19937 random(16);
    for (int round = 0; round < 8; ++round)
    {
        nG_TextEdit* field = Field(round != 7); // the last round has no font
        field->maxChars = 6 + round;
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
                bool took = Key(8);
                EXPECT_EQ(caret > 0, took);
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
            if (round != 7)
            {
                ASSERT_EQ(Fresh(field->GetText()), field->GetOffsets());
            }
        }
        delete field;
    }
}

TEST_F(TextEditTest, OffsetsFollowTheTextThroughLoadsAndReleases)
{
    nG_TextEdit* field = Field(false);
    Type(U"ab\u00e9");
    EXPECT_EQ(3u, field->GetOffsets().size()); // no font: still one per character
    field->SetResourceName(font);
    field->ReleaseResourcesTree();
    field->LoadResourcesTree();
    EXPECT_EQ((std::vector<float>{9, 19, 29}), field->GetOffsets());
    field->ReleaseResourcesTree();
    ASSERT_EQ(3u, field->GetOffsets().size());
    EXPECT_TRUE(Key(8)); // the caret indexes offsets that exist
    EXPECT_EQ("ab", field->GetText());
    delete field;
}

TEST_F(TextEditTest, TheFirstEditClearsOnceUntilResourcesLoadAgain)
{
    struct Case
    {
        bool clear;
        bool backspace; // else a typed "x"
        std::string after;
    } cases[] = {{true, false, "x"}, {true, true, ""}, {false, false, "Playerx"}, {false, true, "Playe"}};
    for (const Case& c : cases)
    {
        nG_TextEdit* field = Field();
        field->clearOnFirstInput = c.clear;
        field->SetText("Player");
        c.backspace ? (void)Key(8) : Type(U"x");
        EXPECT_EQ(c.after, field->GetText());
        EXPECT_EQ(c.clear, field->clearedOnFirstInput);
        Type(U"y"); // only the first edit clears
        EXPECT_EQ(c.after + "y", field->GetText());
        field->ReleaseResourcesTree();
        field->LoadResourcesTree();
        Type(U"z");
        EXPECT_EQ(c.clear ? "z" : c.after + "yz", field->GetText());
        delete field;
    }
}

TEST_F(TextEditTest, KeysAreTakenOrPassedOn)
{
    nG_TextEdit* field = Field();
    EXPECT_FALSE(Key(8));  // Backspace at the start goes on to the base handler
    EXPECT_TRUE(Key(13));  // Enter without a call is taken and runs nothing
    EXPECT_FALSE(Key(27)); // any other key goes on
    field->enterTrigger = "probe(typed)";
    Type(U"ab");
    EXPECT_TRUE(Key(13));
    field->SetVisible(false);
    EXPECT_FALSE(Key(13)); // a hidden field takes no keys
    Type(U"c");
    EXPECT_EQ("ab", field->GetText());
    Step(0.01f);
    EXPECT_EQ("field:typed;", Probes());
}

TEST_F(TextEditTest, TheCaretStandsAfterItsCharacterAndBlinks)
{
    nG_TextEdit* field = Field();
    field->SetAlign(0);
    Type(U"ab");
    // Block 30 wide starting at the object's x: 2 characters end at 29 - 11 + 6 from its left edge.
    EXPECT_FLOAT_EQ(-15 + 19 + 6 + 15, field->GetCaretX());
    Key(kLeft);
    Key(kLeft);
    EXPECT_FLOAT_EQ(-15 + 5 + 15, field->GetCaretX());
    const float shown[] = {1, 1, 0, 0, 1, 1}; // each quarter second
    for (float alpha : shown)
    {
        Step(0.01f);
        EXPECT_EQ(alpha, field->GetCaretAlpha());
        Step(0.24f);
    }
}

TEST_F(TextEditTest, PropertiesRoundTripAndTheLimitCutsALoadedText)
{
    nG_TextEdit* field = Field();
    field->onlyLettersAndNumbers = false;
    Type(U"Zo\u00eb !");
    field->maxChars = 5;
    field->clearOnFirstInput = true;
    field->clearedOnFirstInput = true;
    field->onlyCapitalLetters = true;
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
    EXPECT_EQ(3u, copy.maxChars);
    EXPECT_EQ((std::vector<bool>{true, true, false, true}),
              (std::vector<bool>{copy.clearOnFirstInput, copy.clearedOnFirstInput, copy.onlyLettersAndNumbers,
                                 copy.onlyCapitalLetters}));
    EXPECT_EQ("named(field)", copy.enterTrigger);
    EXPECT_TRUE(copy.GetDispRawText());
    delete field;
}
} // namespace
