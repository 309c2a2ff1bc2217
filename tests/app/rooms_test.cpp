#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Texture.h"
#include "game/app/nG_Room.h"
#include "game/messages/nG_Messages.h"
#include "tests/app/level_fixture.h"

#include <tinyxml.h>

namespace
{
const char* const kTexts = " trg_open=\"*rec('open')\" trg_close=\"*rec('close')\""
                           " trg_preopen=\"*rec('preopen')\" trg_preclose=\"*rec('preclose')\"";

struct FrameRecorder : IdRecorder
{
    std::vector<float> followScales, followAlphas;
    float appWidth = 0.0f; // 0: nobody answers

    void OnMessage(int id, void* record) override
    {
        IdRecorder::OnMessage(id, record);
        if (id == NG_MSG_SUBROOM_FRAME_FOLLOW)
        {
            nG_SubRoom* sub = static_cast<nG_SubRoom*>(record);
            followScales.push_back(sub->GetScaleX());
            followAlphas.push_back(sub->GetAlpha());
        }
        if (id == NG_MSG_GET_APP_WIDTH && appWidth > 0.0f)
            static_cast<nG_MsgFloat*>(record)->value = appWidth;
    }
};

// A texture with a size and nothing to draw.
struct SizedTexture : nE_Texture
{
    SizedTexture(float w, float h) { m_width = w, m_height = h; }
    bool Load(const std::string&) override { return false; }
};

nE_Object* s_victim = nullptr;
int KillRoom(lua_State*)
{
    delete s_victim;
    s_victim = nullptr;
    return 0;
}

struct RoomFixture : level_test::LevelFixtureBase
{
    FrameRecorder frames;
    std::vector<std::unique_ptr<nE_Object>> owned;

    void SetUp() override
    {
        LevelFixtureBase::SetUp();
        for (int id : {NG_MSG_SUBROOM_FRAME_FOLLOW, NG_MSG_SUBROOM_FRAME_LAYOUT, NG_MSG_GET_APP_WIDTH})
            bus.Subscribe(&frames, id);
        luaL_dostring(L, "log = {} function rec(e) log[#log + 1] = e .. ':' .. ne_params.sender end");
    }
    void TearDown() override
    {
        owned.clear();
        LevelFixtureBase::TearDown();
    }
    // A subroom from 10,20 to 30,40, or with `room` a room; `rect` is the input
    // rectangle's width and what follows it ("": none).
    template <class T = nG_SubRoom> T* Make(const std::string& rect = "200\" inputrect_h=\"100", bool room = false)
    {
        const std::string xml = std::string(room ? "<room name=\"r1\"" : "<subroom name=\"s1\" start_x=\"10\" start_y=\"20\""
                                                          " end_x=\"30\" end_y=\"40\"") +
                                kTexts + (rect.empty() ? "" : " inputrect_init=\"1\" inputrect_w=\"" + rect + "\"") + "/>";
        TiXmlDocument doc;
        doc.Parse(xml.c_str());
        owned.emplace_back(nE_CreateObjectFromXml(doc.RootElement()));
        return dynamic_cast<T*>(owned.back().get());
    }
    // The first frame, then `times` steps of `dt`.
    void Run(nE_Object* o, float dt, int times = 1)
    {
        o->Draw(render.get(), nE_RenderState());
        nE_TimeStep step;
        step.step = step.elapsed = dt;
        for (int i = 0; i < times; ++i)
            o->Update(&step);
    }
};

TEST_F(RoomFixture, SnapshotCoversTheVisibleWidthAndTheRoomHeight)
{
    nG_Room* room = Make<nG_Room>("", true);
    std::shared_ptr<nE_Texture> picture = std::make_shared<SizedTexture>(1024.0f, 768.0f);
    room->SetTexture(picture); // the input rectangle stays as it was: none
    const struct
    {
        float appWidth, rectW, rectH;
        unsigned width, height;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, 1024u, 768u},         // nobody answers the width; no rectangle: full height
        {1366.0f, 1366.0f, 600.0f, 1366u, 600u}, // the wide view, the room's own height
        {1366.0f, 1366.0f, 0.0f, 1366u, 768u},   // a zero-height rectangle counts as none
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.rectH);
        frames.appWidth = c.appWidth;
        if (c.rectW > 0.0f) room->SetInputRect(nE_Rect(0.0f, 0.0f, c.rectW, c.rectH));
        render->targets.clear();
        room->Close(false);
        room->Open(true);
        ASSERT_EQ(1u, render->targets.size());
        EXPECT_EQ(std::make_pair(c.width, c.height), render->targets[0]);
        ASSERT_TRUE(room->GetSnapshot());
        const nE_RenderState& drawn = render->targetDraws.back().state;
        EXPECT_EQ(picture.get(), render->targetDraws.back().texture);
        EXPECT_FLOAT_EQ((c.width - 1024.0f) / 2, drawn.matrix.At(3, 0)); // centred in the target
        EXPECT_FLOAT_EQ(1.0f, drawn.alpha);                              // taken at full alpha
    }
}

// A click in the wide-screen margin left of the design space has a negative x.
TEST_F(RoomFixture, SubroomZoomStartsLeftOfTheDesignSpace)
{
    nG_SubRoom* sub = Make();
    sub->OpenFrom(static_cast<uint32_t>(-100), 200, 500, 300, true);
    Run(sub, 0.15f, 2);
    EXPECT_NEAR(-100.0f + 600.0f * nG_RoomEase(0.0f, 1.0f, 0.5f), sub->GetX(), 1e-3);
}

TEST_F(RoomFixture, SubroomOpenedFromZerosKeepsItsPointsAndClosedAtOnceShowsNothing)
{
    nG_SubRoom* sub = Make();
    sub->OpenFrom(0, 0, 0, 0, false);
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_EQ(std::make_pair(30.0f, 40.0f), std::make_pair(sub->GetX(), sub->GetY()));
    frames.followScales.clear();
    frames.followAlphas.clear();
    sub->Close(false);
    EXPECT_EQ(NG_ROOM_CLOSED, sub->GetRoomState());
    EXPECT_EQ(std::vector<float>{0.0f}, frames.followScales);
    EXPECT_EQ(std::vector<float>{0.0f}, frames.followAlphas);
    EXPECT_TRUE(render->targets.empty());
    g_triggerManager->Update();
    EXPECT_EQ("preopen:s1,preclose:s1,open:s1,close:s1", Log()); // queued texts wait for a tick
}

TEST_F(RoomFixture, SubroomWithoutASizeZoomsWithoutASnapshot)
{
    for (const char* rect : {"", "200\" inputrect_h=\"0"})
    {
        nG_SubRoom* sub = Make(rect);
        sub->OpenFrom(1, 2, 3, 4, true);
        EXPECT_TRUE(render->targets.empty() && !sub->GetSnapshot()) << rect;
        Run(sub, 0.6f);
        EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState()) << rect;
    }
}

TEST_F(RoomFixture, PreopenThatDeletesTheRoomEndsTheOpenSafely)
{
    lua_register(L, "KillRoom", KillRoom);
    auto owned = std::make_unique<nG_Room>();
    nG_Room* room = owned.get();
    room->SetName("doomed");
    g_scene->AttachObject(g_scene->GetOrigin(), std::move(owned));
    TiXmlElement props("room");
    props.SetAttribute("trg_preopen", "*KillRoom()");
    nE_SLHelper_XML sl(&props);
    room->Load(sl);
    s_victim = room;
    room->Open(true);
    EXPECT_EQ(nullptr, s_victim);
    EXPECT_TRUE(render->targets.empty());
}
} // namespace
