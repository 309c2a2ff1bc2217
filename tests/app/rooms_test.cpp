#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Texture.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_Room.h"
#include "tests/app/room_render.h"
#include "tests/app/user_folder.h"

#include <cmath>
#include <tinyxml.h>

namespace
{
const char* const kTexts = " trg_open=\"*rec('open')\" trg_close=\"*rec('close')\""
                           " trg_preopen=\"*rec('preopen')\" trg_preclose=\"*rec('preclose')\"";

struct FrameRecorder : IdRecorder
{
    std::vector<float> followScales, followAlphas;
    nE_Object* followed = nullptr;
    nE_Rect layout;
    float appWidth = 0.0f; // 0: nobody answers

    void OnMessage(int id, void* record) override
    {
        IdRecorder::OnMessage(id, record);
        if (id == NG_MSG_SUBROOM_FRAME_FOLLOW)
        {
            nG_SubRoom* sub = static_cast<nG_SubRoom*>(record);
            followed = sub;
            followScales.push_back(sub->GetScaleX());
            followAlphas.push_back(sub->GetAlpha());
        }
        if (id == NG_MSG_SUBROOM_FRAME_LAYOUT) layout = *static_cast<nE_Rect*>(record);
        if (id == NG_MSG_GET_APP_WIDTH && appWidth > 0.0f)
            static_cast<nG_MsgFloat*>(record)->value = appWidth;
    }
};

// A texture with a size and nothing to draw: "room_bg" is 1024 x 700,
// "sub_bg" 300 x 200; any other name fails to load.
struct SizedTexture : nE_Texture
{
    SizedTexture(float w, float h) { m_width = w, m_height = h; }
    bool Load(const std::string& name) override
    {
        bool room = name == "room_bg";
        if (room || name == "sub_bg") m_width = room ? 1024.0f : 300.0f, m_height = room ? 700.0f : 200.0f;
        return room || name == "sub_bg";
    }
};

nE_Object* s_victim = nullptr;
int KillRoom(lua_State*)
{
    delete s_victim;
    s_victim = nullptr;
    return 0;
}

struct RoomFixture : testing::Test
{
    nE_Mediator bus;
    FrameRecorder recorder;
    std::unique_ptr<RoomRender> render;
    lua_State* L = nullptr;
    std::vector<std::unique_ptr<nE_Object>> owned;

    void SetUp() override
    {
        g_mediator = &bus;
        for (int id : {NG_MSG_SUBROOM_FRAME_FOLLOW, NG_MSG_SUBROOM_FRAME_LAYOUT, NG_MSG_GET_APP_WIDTH})
            bus.Subscribe(&recorder, id);
        nE_EngineContext::Instance();
        L = nE_GetLua();
        luaL_dostring(L, "log = {} function rec(e) log[#log + 1] = e .. ':' .. ne_params.sender end");
        nG_RegisterRoomTypes();
        render.reset(new RoomRender());
    }
    void TearDown() override
    {
        owned.clear();
        render.reset();
        nE_EngineContext::Destroy();
        g_mediator = nullptr;
    }

    template <class T> T* Make(const std::string& xml)
    {
        TiXmlDocument doc;
        doc.Parse(xml.c_str());
        nE_Object* object = nE_CreateObjectFromXml(doc.RootElement());
        EXPECT_NE(nullptr, object);
        owned.emplace_back(object);
        return dynamic_cast<T*>(object);
    }
    nG_Room* MakeRoom(const std::string& name = "r1", const std::string& extra = "")
    {
        return Make<nG_Room>("<room name=\"" + name + "\"" + kTexts + extra + "/>");
    }
    nG_SubRoom*
    MakeSubRoom(const std::string& extra = " inputrect_init=\"1\" inputrect_x=\"0\" inputrect_y=\"0\""
                                           " inputrect_w=\"200\" inputrect_h=\"100\"")
    {
        return Make<nG_SubRoom>(std::string("<subroom name=\"s1\" start_x=\"10\" start_y=\"20\" end_x=\"30\""
                                            " end_y=\"40\"") +
                                kTexts + extra + "/>");
    }
    std::string Log()
    {
        luaL_dostring(L, "return table.concat(log, ',')");
        std::string s = lua_tostring(L, -1);
        lua_pop(L, 1);
        return s;
    }
    void Tick() { g_triggerManager->Update(); }
    void Step(nE_Object* o, float dt, int times = 1)
    {
        nE_TimeStep step;
        step.step = step.elapsed = dt;
        for (int i = 0; i < times; ++i)
            o->Update(&step);
    }
    void Frame(nE_Object* o, float alpha = 1.0f)
    {
        nE_RenderState state;
        state.alpha = alpha;
        o->Draw(render.get(), state);
    }
};

TEST_F(RoomFixture, SubroomPointsAndTriggerTextsRoundTrip)
{
    nG_SubRoom* sub = MakeSubRoom();
    ASSERT_TRUE(sub);
    TiXmlElement out("subroom");
    nE_SLHelper_XML sl(&out);
    sub->Save(sl);
    EXPECT_STREQ("*rec('preclose')", out.Attribute("trg_preclose"));
    nG_SubRoom copy;
    nE_SLHelper_XML in(&out);
    copy.Load(in);
    EXPECT_EQ((std::vector<unsigned>{10, 20, 30, 40}),
              (std::vector<unsigned>{copy.GetStartX(), copy.GetStartY(), copy.GetEndX(), copy.GetEndY()}));
    EXPECT_EQ("", Log());
}

TEST_F(RoomFixture, AnimatedOpenWaitsForTheFirstFrameThenFadesInOverPointSixSeconds)
{
    nG_Room* room = MakeRoom();
    room->Open(true);
    EXPECT_EQ("preopen:r1", Log()); // at once
    EXPECT_EQ(NG_ROOM_OPENING, room->GetRoomState());
    EXPECT_FALSE(room->IsInput());
    EXPECT_FLOAT_EQ(0.0f, room->GetAlpha());
    ASSERT_TRUE(room->GetSnapshot());
    EXPECT_FALSE(room->IsDrawn());

    Step(room, 0.125f, 3); // not drawn yet: nothing moves
    EXPECT_FLOAT_EQ(0.0f, room->GetTimer());

    Frame(room);
    Step(room, 0.125f, 4);
    EXPECT_FLOAT_EQ(0.5f, room->GetTimer());
    EXPECT_EQ(NG_ROOM_OPENING, room->GetRoomState());
    Frame(room);
    ASSERT_FALSE(render->draws.empty());
    EXPECT_EQ(room->GetSnapshot().get(), render->draws.back().texture);
    EXPECT_NEAR(0.5f / 0.6f, render->draws.back().state.alpha, 1e-6);

    Step(room, 0.125f);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());
    EXPECT_TRUE(room->IsInput() && room->IsChildrenUpdate());
    EXPECT_FLOAT_EQ(1.0f, room->GetAlpha());
    EXPECT_FALSE(room->GetSnapshot());

    // The transition counts fixed steps: 36 steps of 1/60 s are not yet 0.6 s.
    room->Close(false);
    room->Open(true);
    Frame(room);
    Step(room, 1.0f / 60.0f, 35);
    EXPECT_EQ(NG_ROOM_OPENING, room->GetRoomState());
    Step(room, 1.0f / 60.0f, 2);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());

    // Without a renderer there is no snapshot, and the room still opens.
    room->Close(false);
    render.reset();
    room->Open(true);
    EXPECT_FALSE(room->GetSnapshot());
    room->Draw(nullptr, nE_RenderState());
    Step(room, 0.6f);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());
}

TEST_F(RoomFixture, SnapshotCoversTheVisibleWidthAndTheRoomHeight)
{
    nG_Room* room = MakeRoom();
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
        recorder.appWidth = c.appWidth;
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

TEST_F(RoomFixture, SubroomZoomsFromTheStartPointToTheEndPoint)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(100, 200, 500, 300, true);
    EXPECT_EQ(500u, sub->GetEndX());
    EXPECT_EQ(1, recorder.Count(NG_MSG_SUBROOM_FRAME_LAYOUT));
    EXPECT_EQ(NG_ROOM_OPENING, sub->GetRoomState());
    EXPECT_FALSE(sub->IsChildrenDraw());
    EXPECT_FLOAT_EQ(0.0f, sub->GetScaleX());
    EXPECT_EQ((std::vector<std::pair<unsigned, unsigned>>{{200, 100}}), render->targets);

    Frame(sub, 0.7f); // during the zoom: the snapshot with the state as given
    EXPECT_EQ(sub->GetSnapshot().get(), render->draws.back().texture);
    EXPECT_FLOAT_EQ(0.7f, render->draws.back().state.alpha);

    recorder.ids.clear();
    Step(sub, 0.15f, 2); // t = 0.5: about 29.3 % of the way
    const float eased = 1.0f - std::sqrt(0.5f);
    EXPECT_NEAR(eased, nG_RoomEase(0.0f, 1.0f, 0.5f), 1e-5);
    EXPECT_NEAR(100.0f + 400.0f * eased, sub->GetX(), 1e-3);
    EXPECT_NEAR(eased, sub->GetAlpha(), 1e-5);
    EXPECT_EQ(2, recorder.Count(NG_MSG_SUBROOM_FRAME_FOLLOW));
    EXPECT_EQ(sub, recorder.followed);

    Step(sub, 0.15f, 2);
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_FLOAT_EQ(300.0f, sub->GetY());
    EXPECT_FLOAT_EQ(1.0f, sub->GetScaleX() * sub->GetAlpha());
    EXPECT_TRUE(sub->IsChildrenDraw());
    EXPECT_FALSE(sub->GetSnapshot());
}

// A click in the wide-screen margin left of the design space has a negative x.
TEST_F(RoomFixture, SubroomZoomStartsLeftOfTheDesignSpace)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(static_cast<uint32_t>(-100), 200, 500, 300, true);
    Frame(sub, 1.0f);
    Step(sub, 0.15f, 2);
    const float eased = nG_RoomEase(0.0f, 1.0f, 0.5f);
    EXPECT_NEAR(-100.0f + 600.0f * eased, sub->GetX(), 1e-3);
}

TEST_F(RoomFixture, SubroomOpenedFromZerosKeepsItsPointsAndClosedAtOnceShowsNothing)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(0, 0, 0, 0, false);
    EXPECT_EQ(10u, sub->GetStartX());
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_EQ(std::make_pair(30.0f, 40.0f), std::make_pair(sub->GetX(), sub->GetY()));
    recorder.followScales.clear();
    recorder.followAlphas.clear();
    sub->Close(false);
    EXPECT_EQ(NG_ROOM_CLOSED, sub->GetRoomState());
    EXPECT_EQ(std::vector<float>{0.0f}, recorder.followScales);
    EXPECT_EQ(std::vector<float>{0.0f}, recorder.followAlphas);
    EXPECT_TRUE(render->targets.empty());
    Tick();
    EXPECT_EQ("preopen:s1,preclose:s1,open:s1,close:s1", Log()); // queued texts wait for a tick
}

TEST_F(RoomFixture, SubroomWithoutASizeZoomsWithoutASnapshot)
{
    for (const char* rect : {"", " inputrect_init=\"1\" inputrect_w=\"200\" inputrect_h=\"0\""})
    {
        SCOPED_TRACE(rect);
        nG_SubRoom* sub = MakeSubRoom(rect);
        sub->OpenFrom(1, 2, 3, 4, true);
        EXPECT_TRUE(render->targets.empty());
        EXPECT_FALSE(sub->GetSnapshot());
        Frame(sub);
        Step(sub, 0.6f);
        EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    }
}

// Rooms are sprites: their "res" picture is loaded through the resource cache.
struct RoomPictureFixture : RoomFixture
{
    nE_ResourceCreator previous;
    std::unique_ptr<nE_ResourceCache> cache;

    void SetUp() override
    {
        RoomFixture::SetUp();
        previous = nE_ResourceCache::SetCreator(NE_RES_TEXTURE, [] { return new SizedTexture(1.0f, 1.0f); });
        cache.reset(new nE_ResourceCache());
        g_resourceCache = cache.get();
    }
    void TearDown() override
    {
        RoomFixture::TearDown();
        g_resourceCache = nullptr;
        cache.reset();
        nE_ResourceCache::SetCreator(NE_RES_TEXTURE, previous);
    }
};

TEST_F(RoomPictureFixture, RoomShowsItsPictureOnceOpenAndItsSnapshotWhileFading)
{
    nG_Room* room = MakeRoom("hall", " res=\"room_bg\"");
    room->LoadResourcesTree();
    std::shared_ptr<nE_Texture> picture = room->GetTexture();
    ASSERT_TRUE(picture);
    EXPECT_FLOAT_EQ(700.0f, room->GetLocalRect().h);

    room->Open(true);
    EXPECT_EQ((std::vector<std::pair<unsigned, unsigned>>{{1024, 700}}),
              render->targets); // the picture's height
    ASSERT_EQ(1u, render->targetDraws.size());
    EXPECT_EQ(picture.get(), render->targetDraws[0].texture);

    Frame(room);
    EXPECT_EQ(room->GetSnapshot().get(), render->draws.back().texture);
    EXPECT_FLOAT_EQ(0.0f, render->draws.back().state.alpha);
    Step(room, 0.6f);
    ASSERT_EQ(NG_ROOM_OPEN, room->GetRoomState());
    Frame(room, 0.8f);
    EXPECT_EQ(picture.get(), render->draws.back().texture);
    EXPECT_FLOAT_EQ(0.8f, render->draws.back().state.alpha);
}

TEST_F(RoomPictureFixture, SubroomTakesClicksOnItsPictureAndCentresItsSnapshotOnIt)
{
    nG_SubRoom* sub = MakeSubRoom(" res=\"sub_bg\"");
    sub->LoadResourcesTree();
    ASSERT_TRUE(sub->GetTexture());
    ASSERT_TRUE(sub->HasInputRect());
    const nE_Rect r = sub->GetInputRect();
    EXPECT_EQ((std::vector<float>{-150, -100, 300, 200}), (std::vector<float>{r.x, r.y, r.w, r.h}));

    sub->OpenFrom(100, 200, 500, 300, true);
    EXPECT_EQ((std::vector<std::pair<unsigned, unsigned>>{{300, 200}}), render->targets);
    ASSERT_FALSE(render->targetDraws.empty());
    EXPECT_EQ(sub->GetTexture().get(), render->targetDraws.back().texture);
    EXPECT_FLOAT_EQ(150.0f, render->targetDraws.back().state.matrix.At(3, 0)); // whole picture in the target
    EXPECT_FLOAT_EQ(100.0f, render->targetDraws.back().state.matrix.At(3, 1));
    EXPECT_FLOAT_EQ(300.0f, recorder.layout.w);
    EXPECT_FLOAT_EQ(-100.0f, recorder.layout.y);

    Frame(sub);
    Step(sub, 0.6f);
    ASSERT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    nE_RenderState at;
    nE_Matrix::BuildObjectTransform(at.matrix, 500.0f, 300.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_TRUE(sub->HitTest(500.0f + 149.0f, 300.0f - 99.0f, at));
    EXPECT_FALSE(sub->HitTest(500.0f + 151.0f, 300.0f, at));
}

TEST_F(RoomFixture, FindTextInTriggersReportsEachMatchingText)
{
    nG_Room* room = Make<nG_Room>("<room name=\"cellar\" trg_open=\"*go('hall')\" trg_close=\"*stay()\""
                                  " trg_preclose=\"*go('hall')\"/>");
    TiXmlElement report("report");
    room->FindTextInTriggers(&report, "hall", false);
    std::string found;
    for (TiXmlElement* e = report.FirstChildElement(); e; e = e->NextSiblingElement())
        found += e->ValueStr() + ":" + e->Attribute("place") + " ";
    EXPECT_EQ("cellar:event cellar:event ", found);
    room->FindTextInTriggers(nullptr, "hall", true);
}

TEST_F(RoomFixture, PreopenThatDeletesTheRoomEndsTheOpenSafely)
{
    lua_register(L, "KillRoom", KillRoom);
    nG_Room* room = new nG_Room();
    room->SetName("doomed");
    g_scene->AttachObject(g_scene->GetOrigin(), room);
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
