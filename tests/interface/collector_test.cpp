#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_HoCollector.h"
#include "platform/de50_test_support.h"
#include "scene/particle_fixture.h"
#include "widget_fixture.h"

#include <cmath>
#include <fstream>
#include <tuple>

namespace
{
// Stands in for the particle system: an implementation without particles,
// kept whatever the resource name, so that its mask can be read.
struct StandInImpl : nE_PartSysImpl
{
    bool Load(const std::string&) override { return true; }
    bool LoadDocument(const TiXmlDocument&, const std::string&) override { return true; }
    void LoadResources() override {}
    void ReleaseResources() override {}
    void Update(const nE_TimeStep*) override {}
    void Draw(nE_Render*, const nE_RenderState*) override {}
};
struct StandInEffect : nE_ParticleSystem
{
    StandInEffect()
    {
        m_impl = std::make_unique<StandInImpl>();
        m_impl->SetOwner(this);
    }
    void SetResourceName(const std::string& name) override { nE_Object::SetResourceName(name); }
};

nE_Object* MakeEffect()
{
    return new StandInEffect();
}

// "effect>mask" of the effect's implementation; "" without an effect or mask.
std::string MaskOf(nE_Object* effect)
{
    auto* system = dynamic_cast<nE_ParticleSystem*>(effect);
    nE_Object* mask = system && system->GetImpl() ? system->GetImpl()->GetMask() : nullptr;
    return mask ? effect->GetName() + ">" + mask->GetName() : std::string();
}

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
    }
    void TearDown() override
    {
        nE_RegisterObjectType("partsys", nullptr);
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
        nE_Object* effect = ho->FindChild("ng_ho_collector_effect_vase", false);
        const bool hasEffect = effect != nullptr;
        EXPECT_EQ(effectOn && registered, hasEffect);
        EXPECT_EQ(hasEffect ? "ng_ho_collector_effect_vase>vase" : "", MaskOf(effect));
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

// The collector itself, what holds it (the HUD layer, the level, the scene
// root) or the storage root: each call is refused with one warning, and the
// collectors go on working.
TEST_F(CollectorTest, CollectingTheCollectorOrWhatHoldsItIsRefused)
{
    nE_ObjectHandle hoAlive = ho->GetHandle(), flyerAlive = flyer->GetHandle();
    // Whether it flies to the HUD, and the name collected.
    for (auto [toHud, name] : {std::tuple{true, "ng_collector"},
                               {false, "ng_ho_collector"},
                               {false, "ng_collector"},
                               {true, "ng_ho_collector"},
                               {false, "test_layer"},
                               {true, "test_layer"},
                               {false, "ne_origin"},
                               {true, "ne_storage"}})
    {
        logs.clear();
        toHud ? Fly(name) : Collect(name);
        Step(0.1f, 16);
        ASSERT_TRUE(hoAlive.IsAlive() && flyerAlive.IsAlive() && g_scene->FindObject("test_layer")) << name;
        EXPECT_EQ(layer, ho->GetParent()) << name;
        EXPECT_EQ(layer, flyer->GetParent()) << name;
        EXPECT_EQ(1, std::count_if(logs.begin(), logs.end(),
                                   [](const std::string& line) { return line.rfind("Warning:", 0) == 0; }))
            << name;
    }
    EXPECT_EQ(0u, ho->GetEntryCount() + flyer->GetFlightCount());
    nE_ObjectHandle vase = AddObject(parent, "vase", 0, 0)->GetHandle();
    Collect("vase");
    Step(0.1f, 16);
    EXPECT_FALSE(vase.IsAlive());
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

// The found-object effect drawn in a real window: the HUD and the room are
// placed differently, the effect's pixels (a frame with it less a frame
// without it) centre on the collected object. Both kinds of description: an
// emitter file, and the sample's own scripted effect.
struct CollectEffectDraw : WidgetFixture
{
    static constexpr uint32_t kW = 320, kH = 240;
    nE_Render_Pl5 render;

    void SetUp() override
    {
        ASSERT_TRUE(DE50::InitLibrary());
        ASSERT_TRUE(DE50::TPlatform::GetInstance()->SetDisplay(kW, kH, false, false, 0));
        render.SetScreenSize(float(kW), float(kH));
        g_render = &render;
        nE_RegisterTextureCreators();
        g_resourceCache = new nE_ResourceCache();
        WidgetFixture::SetUp();
        nE_RegisterParticleType();
        layer->SetPos(30, 20); // the HUD
        Add(new nG_HoCollector("ng_ho_collector"));
    }
    void TearDown() override
    {
        WidgetFixture::TearDown();
        nE_RegisterObjectType("partsys", nullptr);
        delete g_resourceCache;
        g_resourceCache = nullptr;
        g_render = g_currentRender = nullptr;
        DE50::Test::Reset();
    }
    // Counts the pixels that differ with and without the effect, and their centre.
    int EffectPixels(nE_Object* effect, float& cx, float& cy)
    {
        std::vector<uint32_t> frames[2];
        for (bool shown : {true, false})
        {
            effect->SetVisible(shown);
            render.BeginScene();
            render.Begin2D();
            DE50::TRenderer::GetInstance()->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0, 0, 0, 1));
            g_scene->GetOrigin()->DrawTree(&render, nE_RenderState());
            render.End2D();
            render.EndScene();
            uint32_t w = 0, h = 0;
            EXPECT_TRUE(DE50::Test::ReadScreen(frames[shown ? 0 : 1], w, h) && w == kW && h == kH);
        }
        effect->SetVisible(true);
        int count = 0;
        cx = cy = 0;
        for (uint32_t i = 0; i < kW * kH; ++i)
            if (frames[0][i] != frames[1][i])
            {
                ++count;
                cx += float(i % kW);
                cy += float(i / kW);
            }
        if (count) cx /= float(count), cy /= float(count);
        return count;
    }
};

TEST_F(CollectEffectDraw, EffectLiesOverTheCollectedObject)
{
    const std::string sample = std::string(std::getenv("NE_SOURCE_DIR")) + "/sample/assets";
    const std::string emitterFile = "<particles type='jan'>" +
                                    pstest::Emitter("res=assets/particles/dot blend=2 lifetime=60 delay=5 "
                                                    "born_count=12 autooff=3") +
                                    "</particles>";
    for (const std::string& description : {emitterFile, std::string()})
    {
        EnterScratch("assets/levels/common");
        ASSERT_EQ(0, std::system(("ln -s '" + sample + "/particles' assets/particles").c_str()));
        ASSERT_EQ(0, std::system(("mkdir -p assets/interface && ln -s '" + sample +
                                  "/interface/particles' assets/interface/particles")
                                     .c_str()));
        const std::string file = "assets/levels/common/ho_collect_effect.xml";
        if (description.empty())
            ASSERT_EQ(
                0, std::system(("cp '" + sample + "/levels/common/ho_collect_effect.xml' " + file).c_str()));
        else
            std::ofstream(file) << description;
        nE_Object* room = AddObject(g_scene->GetOrigin(), "room", 10, 5, 0, 0);
        auto star = std::make_unique<nE_Sprite>("ho_star"); // 32 by 32, shown at twice its size
        star->SetResourceName("assets/interface/particles/star");
        star->SetPos(200, 140);
        star->SetScale(2, 2);
        nG_Attach(room, std::move(star));
        SendString(NG_MSG_COLLECT_HO_OBJECT, "ho_star");
        Step(0.05f, 4);
        nE_Object* effect = g_scene->FindObject("ng_ho_collector_effect_ho_star");
        ASSERT_NE(nullptr, effect);
        float cx = 0, cy = 0;
        EXPECT_GT(EffectPixels(effect, cx, cy), 50) << description.empty();
        EXPECT_NEAR(210.0f, cx, 16.0f) << description.empty();
        EXPECT_NEAR(145.0f, cy, 16.0f) << description.empty();
        Step(0.1f, 20);
        EXPECT_EQ(nullptr, g_scene->FindObject("ng_ho_collector_effect_ho_star"));
        delete room;
        ASSERT_EQ(0, chdir(oldDir.c_str()));
        std::system(("rm -rf '" + scratch + "'").c_str());
        oldDir = scratch = "";
    }
}
} // namespace
