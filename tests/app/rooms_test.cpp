#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Texture.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_Room.h"
#include "tests/app/room_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <tinyxml.h>
#include <vector>

namespace
{
const char* const kTexts = " trg_open=\"*rec('open')\" trg_close=\"*rec('close')\""
                           " trg_preopen=\"*rec('preopen')\" trg_preclose=\"*rec('preclose')\"";

struct Recorder : nE_Listener
{
    std::vector<int> ids;
    std::vector<float> followScales;
    std::vector<float> followAlphas;
    nE_Object* followed = nullptr;
    nE_Rect layout;
    float appWidth = 0.0f; // 0: nobody answers

    void OnMessage(int id, void* record) override
    {
        ids.push_back(id);
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
    int Count(int id) const
    {
        int n = 0;
        for (int i : ids)
            n += i == id;
        return n;
    }
};

// A texture with a size and nothing to draw: "room_bg" is 1024 x 700,
// "sub_bg" 300 x 200; any other name fails to load.
struct SizedTexture : nE_Texture
{
    SizedTexture(float w, float h)
    {
        m_width = w;
        m_height = h;
    }
    bool Load(const std::string& name) override
    {
        bool room = name == "room_bg";
        if (!room && name != "sub_bg") return false;
        m_width = room ? 1024.0f : 300.0f;
        m_height = room ? 700.0f : 200.0f;
        return true;
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
    Recorder recorder;
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

TEST_F(RoomFixture, TypesAreRegisteredAndPersistTheirOwnProperties)
{
    EXPECT_TRUE(nE_IsObjectTypeRegistered("room"));
    EXPECT_TRUE(nE_IsObjectTypeRegistered("subroom"));
    nG_Room* room = MakeRoom();
    nG_SubRoom* sub = MakeSubRoom();
    ASSERT_TRUE(room && sub);
    EXPECT_EQ("room", room->GetTypeName());
    EXPECT_EQ("subroom", sub->GetTypeName());

    TiXmlElement out("subroom");
    nE_SLHelper_XML sl(&out);
    sub->Save(sl);
    EXPECT_STREQ("*rec('open')", out.Attribute("trg_open"));
    EXPECT_STREQ("*rec('preclose')", out.Attribute("trg_preclose"));
    EXPECT_STREQ("10", out.Attribute("start_x"));
    EXPECT_STREQ("40", out.Attribute("end_y"));

    nG_SubRoom copy;
    nE_SLHelper_XML in(&out);
    copy.Load(in);
    EXPECT_EQ(30u, copy.GetEndX());
    EXPECT_EQ(20u, copy.GetStartY());
}

TEST_F(RoomFixture, NewRoomsAreClosedAndTakeNoInput)
{
    nG_Room room;
    EXPECT_EQ("ng_room", room.GetName());
    EXPECT_EQ(NG_ROOM_CLOSED, room.GetRoomState());
    EXPECT_FALSE(room.IsInput());
    EXPECT_FLOAT_EQ(0.0f, room.GetAlpha());
    EXPECT_FLOAT_EQ(512.0f, room.GetRenderState().offsetX);
    EXPECT_FLOAT_EQ(384.0f, room.GetRenderState().offsetY);
    nG_SubRoom sub;
    EXPECT_EQ("ng_subroom", sub.GetName());
    EXPECT_FLOAT_EQ(0.0f, sub.GetRenderState().offsetX);
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
    EXPECT_TRUE(room->IsInput());
    EXPECT_TRUE(room->IsChildrenUpdate());
    EXPECT_FLOAT_EQ(1.0f, room->GetAlpha());
    EXPECT_FALSE(room->GetSnapshot());
    EXPECT_EQ("preopen:r1", Log()); // "trg_open" waits for the next tick
    Tick();
    EXPECT_EQ("preopen:r1,open:r1", Log());
}

TEST_F(RoomFixture, TransitionCountsFixedSixtyHertzSteps)
{
    nG_Room* room = MakeRoom();
    room->Open(true);
    Frame(room);
    Step(room, 1.0f / 60.0f, 35);
    EXPECT_EQ(NG_ROOM_OPENING, room->GetRoomState());
    Step(room, 1.0f / 60.0f, 2);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());
}

TEST_F(RoomFixture, ClosingRunsPrecloseAtOnceAndQueuesClose)
{
    nG_Room* room = MakeRoom();
    room->Open(false);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());
    Tick();
    EXPECT_EQ("preopen:r1,open:r1", Log());

    Frame(room);
    room->Close(true);
    EXPECT_EQ("preopen:r1,open:r1,preclose:r1", Log());
    EXPECT_EQ(NG_ROOM_CLOSING, room->GetRoomState());
    EXPECT_FALSE(room->IsChildrenUpdate());
    EXPECT_FALSE(room->IsInput());
    Step(room, 0.3f);
    EXPECT_EQ(NG_ROOM_CLOSING, room->GetRoomState());
    Step(room, 0.3f);
    EXPECT_EQ(NG_ROOM_CLOSED, room->GetRoomState());
    EXPECT_FLOAT_EQ(0.0f, room->GetAlpha());
    EXPECT_EQ("preopen:r1,open:r1,preclose:r1", Log());
    Tick();
    EXPECT_EQ("preopen:r1,open:r1,preclose:r1,close:r1", Log());

    room->Open(false);
    room->Close(false);
    EXPECT_EQ(NG_ROOM_CLOSED, room->GetRoomState());
}

TEST_F(RoomFixture, ObjectsOfARoomTakeClicksOnlyOnceItIsOpen)
{
    nG_Room* room = new nG_Room();
    room->SetName("hall");
    g_scene->AttachObject(g_scene->GetOrigin(), room);
    nE_Object* door = new nE_Object("door");
    door->SetPos(100.0f, 100.0f);
    door->SetInputRect(nE_Rect(0.0f, 0.0f, 50.0f, 50.0f));
    door->SetEventCode(NE_EVENT_MDOWN, "*rec('click')");
    g_scene->AttachObject(room, door);

    nE_InputEvent click;
    click.kind = NE_INPUT_MOUSEDOWN;
    click.key = NE_MOUSE_KEYCODE;
    click.x = click.y = 120.0f;

    room->Open(true);
    Frame(room);
    g_scene->DispatchInput(&click);
    Tick();
    EXPECT_EQ("", Log());

    Step(room, 0.6f);
    ASSERT_EQ(NG_ROOM_OPEN, room->GetRoomState());
    g_scene->DispatchInput(&click);
    Tick();
    EXPECT_EQ("click:door", Log());

    room->Close(true);
    g_scene->DispatchInput(&click);
    Tick();
    EXPECT_EQ("click:door", Log());
}

TEST_F(RoomFixture, SnapshotCoversTheVisibleWidthAndTheRoomHeight)
{
    nG_Room* room = MakeRoom();
    std::shared_ptr<nE_Texture> picture = std::make_shared<SizedTexture>(1024.0f, 768.0f);
    room->SetTexture(picture); // the input rectangle stays as it was: none
    room->Open(true);
    ASSERT_EQ(1u, render->targets.size());
    EXPECT_EQ(1024u, render->targets[0].first); // nobody answers the width query
    EXPECT_EQ(768u, render->targets[0].second); // no input rectangle: full height

    recorder.appWidth = 1366.0f;
    room->SetInputRect(nE_Rect(0.0f, 0.0f, 1366.0f, 600.0f));
    room->Close(false);
    room->Open(true);
    ASSERT_EQ(2u, render->targets.size());
    EXPECT_EQ(1366u, render->targets[1].first);
    EXPECT_EQ(600u, render->targets[1].second);
    ASSERT_FALSE(render->targetDraws.empty());
    const nE_RenderState& drawn = render->targetDraws.back().state;
    EXPECT_EQ(picture.get(), render->targetDraws.back().texture);
    EXPECT_FLOAT_EQ(171.0f, drawn.matrix.At(3, 0)); // centred in the wide target
    EXPECT_FLOAT_EQ(1.0f, drawn.alpha);             // the snapshot is taken at full alpha
}

TEST_F(RoomFixture, WithoutARendererTheRoomStillOpens)
{
    nG_Room* room = MakeRoom();
    render.reset();
    room->Open(true);
    EXPECT_FALSE(room->GetSnapshot());
    room->Draw(nullptr, nE_RenderState());
    Step(room, 0.6f);
    EXPECT_EQ(NG_ROOM_OPEN, room->GetRoomState());
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
    ASSERT_EQ(1u, render->targets.size());
    EXPECT_EQ(200u, render->targets[0].first);
    EXPECT_EQ(100u, render->targets[0].second);

    Frame(sub, 0.7f); // during the zoom: the snapshot with the state as given
    EXPECT_EQ(sub->GetSnapshot().get(), render->draws.back().texture);
    EXPECT_FLOAT_EQ(0.7f, render->draws.back().state.alpha);

    recorder.ids.clear();
    Step(sub, 0.15f, 2); // t = 0.5: about 29.3 % of the way
    const float eased = 1.0f - std::sqrt(0.5f);
    EXPECT_NEAR(eased, nG_RoomEase(0.0f, 1.0f, 0.5f), 1e-5);
    EXPECT_NEAR(100.0f + 400.0f * eased, sub->GetX(), 1e-3);
    EXPECT_NEAR(200.0f + 100.0f * eased, sub->GetY(), 1e-3);
    EXPECT_NEAR(eased, sub->GetScaleX(), 1e-5);
    EXPECT_NEAR(eased, sub->GetAlpha(), 1e-5);
    EXPECT_EQ(2, recorder.Count(NG_MSG_SUBROOM_FRAME_FOLLOW));
    EXPECT_EQ(sub, recorder.followed);

    Step(sub, 0.15f, 2);
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_FLOAT_EQ(500.0f, sub->GetX());
    EXPECT_FLOAT_EQ(300.0f, sub->GetY());
    EXPECT_FLOAT_EQ(1.0f, sub->GetScaleX());
    EXPECT_FLOAT_EQ(1.0f, sub->GetAlpha());
    EXPECT_TRUE(sub->IsChildrenDraw());
    EXPECT_FALSE(sub->GetSnapshot());
}

TEST_F(RoomFixture, SubroomOpenedFromZerosKeepsItsPersistedPoints)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(0, 0, 0, 0, false);
    EXPECT_EQ(10u, sub->GetStartX());
    EXPECT_EQ(40u, sub->GetEndY());
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_FLOAT_EQ(30.0f, sub->GetX());
    EXPECT_FLOAT_EQ(40.0f, sub->GetY());
}

TEST_F(RoomFixture, SubroomClosedAtOnceFollowsTheFrameOnceShowingNothing)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(0, 0, 0, 0, false);
    recorder.ids.clear();
    recorder.followScales.clear();
    recorder.followAlphas.clear();
    sub->Close(false);
    EXPECT_EQ(NG_ROOM_CLOSED, sub->GetRoomState());
    ASSERT_EQ(1, recorder.Count(NG_MSG_SUBROOM_FRAME_FOLLOW));
    EXPECT_FLOAT_EQ(0.0f, recorder.followScales[0]);
    EXPECT_FLOAT_EQ(0.0f, recorder.followAlphas[0]);
    EXPECT_TRUE(render->targets.empty());
}

TEST_F(RoomFixture, SubroomAnimatedCloseShrinksBackToItsStartPoint)
{
    nG_SubRoom* sub = MakeSubRoom();
    sub->OpenFrom(100, 200, 500, 300, false);
    Frame(sub);
    sub->Close(true);
    EXPECT_EQ(1u, render->targets.size());
    EXPECT_EQ(NG_ROOM_CLOSING, sub->GetRoomState());
    EXPECT_FALSE(sub->IsChildrenDraw());
    Step(sub, 0.15f, 2);
    EXPECT_NEAR(1.0f - std::sqrt(0.5f), sub->GetScaleX(), 1e-5);
    Step(sub, 0.15f, 2);
    EXPECT_EQ(NG_ROOM_CLOSED, sub->GetRoomState());
    EXPECT_FLOAT_EQ(0.0f, sub->GetScaleX());
    EXPECT_FALSE(sub->GetSnapshot());
    Tick();
    EXPECT_EQ("preopen:s1,preclose:s1,open:s1,close:s1", Log()); // queued texts wait for a tick
}

TEST_F(RoomFixture, SubroomWithoutASizeZoomsWithoutASnapshot)
{
    nG_SubRoom* sub = MakeSubRoom("");
    sub->OpenFrom(1, 2, 3, 4, true);
    EXPECT_TRUE(render->targets.empty());
    EXPECT_FALSE(sub->GetSnapshot());
    Frame(sub);
    Step(sub, 0.6f);
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
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
    ASSERT_EQ(1u, render->targets.size());
    EXPECT_EQ(700u, render->targets[0].second); // the picture's height
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

    TiXmlElement out("room");
    nE_SLHelper_XML sl(&out);
    room->Save(sl);
    EXPECT_STREQ("room_bg", out.Attribute("res"));
    EXPECT_STREQ("*rec('open')", out.Attribute("trg_open"));
}

TEST_F(RoomPictureFixture, SubroomTakesClicksOnItsPictureAndCentresItsSnapshotOnIt)
{
    nG_SubRoom* sub = MakeSubRoom(" res=\"sub_bg\"");
    sub->LoadResourcesTree();
    ASSERT_TRUE(sub->GetTexture());
    EXPECT_TRUE(sub->HasInputRect());
    EXPECT_FLOAT_EQ(-150.0f, sub->GetInputRect().x);
    EXPECT_FLOAT_EQ(-100.0f, sub->GetInputRect().y);
    EXPECT_FLOAT_EQ(300.0f, sub->GetInputRect().w);
    EXPECT_FLOAT_EQ(200.0f, sub->GetInputRect().h);

    sub->OpenFrom(100, 200, 500, 300, true);
    ASSERT_EQ(1u, render->targets.size());
    EXPECT_EQ(300u, render->targets[0].first);
    EXPECT_EQ(200u, render->targets[0].second);
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
    int events = 0;
    for (TiXmlElement* e = report.FirstChildElement(); e; e = e->NextSiblingElement())
    {
        EXPECT_EQ("cellar", e->ValueStr());
        events += std::string(e->Attribute("place")) == "event";
    }
    EXPECT_EQ(2, events);
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
