#include "game/app/nG_CheatHighlight.h"
#include "tests/app/level_fixture.h"

namespace
{
struct CheatFixture : level_test::LevelFixtureBase
{
    std::unique_ptr<nE_Object> room{new nE_Object("room")};
    std::unique_ptr<nG_CheatHighlight> overlay;

    void SetUp() override
    {
        LevelFixtureBase::SetUp();
        MakeProfiles();
        for (const char* name : {"player", "ZavoZez", "zavozez"})
            ASSERT_TRUE(profiles->Add(name));
        room->SetPos(10.0f, 0.0f);
        overlay.reset(new nG_CheatHighlight("ng_cheat_highlight"));
        overlay->SetTarget(room.get());
    }
    void TearDown() override
    {
        overlay.reset();
        LevelFixtureBase::TearDown();
    }
    // Cheat mode as given, the overlay switched on.
    void CheatOn(bool flag, const std::string& profile)
    {
        config.SetCheatMode(flag);
        ASSERT_TRUE(profiles->SetCurrent(profile));
        if (!overlay->IsOn()) bus.Send(NG_MSG_CHEAT_HIGHLIGHT, nullptr);
    }
    nE_Object* Add(nE_Object* parent, const std::string& name, int event, bool rect = true)
    {
        auto o = std::make_unique<nE_Object>(name);
        if (event >= 0) o->SetEventCode(event, "*x()");
        if (rect) o->SetInputRect(nE_Rect(0.0f, 0.0f, 20.0f, 10.0f));
        nE_Object* added = o.get();
        parent->AddChild(std::move(o));
        return added;
    }
    void Draw()
    {
        render->lines.clear();
        overlay->Draw(render.get(), nE_RenderState());
    }
};

TEST_F(CheatFixture, ShownOnlyWithTheCheatFlagAndTheCheatProfileWhileToggledOn)
{
    EXPECT_FALSE(overlay->IsInput());
    Add(room.get(), "door", NE_EVENT_MDOWN);
    const std::pair<bool, const char*> cases[] = {
        {false, "player"}, {true, "player"}, {false, "ZavoZez"}, {true, "ZavoZez"}, {true, "zavozez"}};
    for (const auto& c : cases)
    {
        CheatOn(c.first, c.second);
        const bool shown = c.first && std::string(c.second) != "player";
        EXPECT_EQ(shown, nG_IsCheatMode()) << c.second << " " << c.first;
        Draw();
        EXPECT_EQ(shown ? 4u : 0u, render->lines.size()) << c.second << " " << c.first;
    }
    bus.Send(NG_MSG_CHEAT_HIGHLIGHT, nullptr); // off again
    EXPECT_FALSE(overlay->IsOn());
    Draw();
    EXPECT_TRUE(render->lines.empty());
}

TEST_F(CheatFixture, MarksClickCodeRedAndHoverOrDragCodeGreenAndForgetsWhatIsDeleted)
{
    CheatOn(true, "ZavoZez");
    nE_Object* door = Add(room.get(), "door", NE_EVENT_MDOWN);
    door->SetPos(100.0f, 50.0f);
    door->GetRenderState().offsetX = 5.0f;
    door->GetRenderState().offsetY = 5.0f;
    Add(room.get(), "lamp", NE_EVENT_MENTER);
    Add(room.get(), "rope", NE_EVENT_DRAG);
    Add(room.get(), "mat", NE_EVENT_MUP); // mouse-up code alone is not marked
    nE_Object* shelf = Add(room.get(), "shelf", -1, false);
    shelf->SetInput(false); // hides its marked children too
    Add(shelf, "book", NE_EVENT_MDOWN);

    Draw();
    ASSERT_EQ(12u, render->lines.size());
    const RoomRender::Line& top = render->lines[0]; // room 10 + door 100 + offset 5
    EXPECT_EQ((std::vector<float>{115, 55, 135, 55}), (std::vector<float>{top.x1, top.y1, top.x2, top.y2}));
    std::string colours; // the door's four lines red, the lamp's and the rope's green
    for (const RoomRender::Line& l : render->lines)
        colours += l.colour[0] == 1.0f && l.colour[1] == 0.0f ? 'r' : l.colour[1] == 1.0f ? 'g' : '?';
    EXPECT_EQ("rrrrgggggggg", colours);

    // A deleted target is forgotten; a deleted overlay stops listening.
    room.reset();
    EXPECT_EQ(nullptr, overlay->GetTarget());
    Draw();
    EXPECT_TRUE(render->lines.empty());
    overlay.reset();
    bus.Send(NG_MSG_CHEAT_HIGHLIGHT, nullptr);
    EXPECT_TRUE(bus.GetListeners(NG_MSG_CHEAT_HIGHLIGHT).empty());
}

} // namespace
