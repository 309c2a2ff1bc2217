#include "engine/core/nE_ObjectTypeRegistry.h"
#include "game/interface/nG_HoCollector.h"
#include "widget_fixture.h"

#include <cmath>
#include <tuple>

namespace
{
nE_Object* MakeEffect() // stands in for the particle system
{
    return new nE_Object();
}

std::string s_mask; // "effect>mask" of the last mask hook call

struct CollectorTest : WidgetFixture
{
    nG_HoCollector* ho = nullptr;
    nG_Collector* flyer = nullptr;
    nE_Object* parent = nullptr; // a transformed parent for the objects

    void SetUp() override
    {
        WidgetFixture::SetUp();
        WideHud();
        ho = Add(new nG_HoCollector("ng_ho_collector"));
        flyer = Add(new nG_Collector("ng_collector"));
        parent = AddObject(g_scene->GetOrigin(), "sub", 300, 200, 0, 0);
        parent->SetScale(2, 2);
        s_mask.clear();
        g_scriptMediaHooks.psSetMaskObj = [](nE_Object* system, nE_Object* mask)
        { s_mask = system->GetName() + ">" + mask->GetName(); };
    }
    void TearDown() override
    {
        nE_RegisterObjectType("partsys", nullptr);
        g_scriptMediaHooks.psSetMaskObj = nullptr;
        WidgetFixture::TearDown();
    }
    void Collect(const std::string& name) { SendString(NG_MSG_COLLECT_HO_OBJECT, name); }
    void Fly(const std::string& name)
    {
        Send(NG_MSG_COLLECT_TO_INTERFACE, nG_MsgCollectToInterface{name, 900, 40});
    }
};

// Each case: the effect switched on, its type registered, the task list keeping
// the object (as its room's end dialog object), a script deleting it mid-fade.
TEST_F(CollectorTest, HiddenObjectFadesWithItsEffectAndBothGo)
{
    for (auto [effectOn, registered, kept, scriptDelete] : {std::tuple{true, true, false, false},
                                                            {true, true, true, false},
                                                            {false, true, false, false},
                                                            {true, false, false, false},
                                                            {true, true, false, true}})
    {
        nE_RegisterObjectType("partsys", registered ? MakeEffect : nullptr);
        SendBool(NG_MSG_COLLECT_HO_TASK_OBJECT, effectOn);
        std::unique_ptr<nG_Tasks> tasks(Add(new nG_Tasks("ng_tasks")));
        Send3(NG_MSG_TASKS_COMPLETE_DATA, "room", kept ? "vase" : "other");
        nE_Object* vase = AddObject(parent, "vase", 10, 20);
        nE_ObjectHandle handle = vase->GetHandle();
        const nE_Vec3 before = WorldPos(vase);
        Collect("vase");
        Collect("vase"); // a second click is ignored
        EXPECT_EQ(1u, ho->GetEntryCount());
        EXPECT_EQ(ho, vase->GetParent());
        EXPECT_FALSE(vase->IsInput());
        EXPECT_NEAR(0.0f, std::abs(before.x - WorldPos(vase).x) + std::abs(before.y - WorldPos(vase).y),
                    0.02f);
        const bool hasEffect = ho->FindChild("ng_ho_collector_effect_vase", false) != nullptr;
        EXPECT_EQ(effectOn && registered, hasEffect);
        EXPECT_EQ(hasEffect ? "ng_ho_collector_effect_vase>vase" : "", s_mask);
        s_mask.clear();
        if (scriptDelete) delete vase;
        Step(0.1f, 14);
        EXPECT_EQ(!scriptDelete, handle.IsAlive());
        Step(0.1f, 2); // 1.5 s in all
        EXPECT_EQ(kept, handle.IsAlive());
        EXPECT_EQ(nullptr, ho->FindChild("ng_ho_collector_effect_vase", false));
        EXPECT_EQ(0u, ho->GetEntryCount());
        delete handle.Get();
    }
}

TEST_F(CollectorTest, StartingLevelDeletesAtOnce)
{
    starting = true;
    nE_ObjectHandle a = AddObject(parent, "a", 0, 0)->GetHandle();
    nE_ObjectHandle b = AddObject(parent, "b", 0, 0)->GetHandle();
    Collect("a");
    Fly("b");
    EXPECT_FALSE(a.IsAlive() || b.IsAlive());
    Collect("");
    Fly("missing");
}

TEST_F(CollectorTest, FlightToTheHudStartsWhereTheObjectStandsAndEndsAfterOnePointTwoSeconds)
{
    nE_Object* key = AddObject(parent, "key", -30, 15);
    nE_ObjectHandle handle = key->GetHandle();
    nE_Vec3 before = WorldPos(key);
    Fly("key");
    Fly("key"); // in flight already
    EXPECT_EQ(1u, flyer->GetFlightCount());
    Step(0.001f);
    EXPECT_NEAR(before.x, WorldPos(key).x, 0.5f);
    EXPECT_NEAR(before.y, WorldPos(key).y, 0.5f);
    Step(0.1f, 11);
    ASSERT_TRUE(handle.IsAlive());
    EXPECT_GT(key->GetScaleX(), 0.0f);
    Step(0.1f, 2);
    EXPECT_FALSE(handle.IsAlive());
    EXPECT_EQ(0u, flyer->GetFlightCount());
}
} // namespace
