// Scripted particle systems: emitters and particles driven by Lua chunks in a
// private state.

#include "de50/de50_platform.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_FlashAnim.h"
#include "scene/particle_fixture.h"

#include <cmath>
#include <lua.hpp>
#include <tinyxml.h>
#include <tuple>

namespace
{

using pstest::kFrame;

class ComplexTest : public pstest::ParticleTest
{
protected:
    // A file whose root process makes one "emit" emitter at (10, 0) on the first step.
    std::string Scripted(const std::string& emitProcess, const std::string& bornpart,
                         const std::string& diepart = "", const std::string& rootExtra = "")
    {
        return File("complex",
                    "<!-- Blend: 2 -->\n<ps><process>if ps_state == 0 then CreateEmitter(\"emit\", "
                    "10, 0) ps_state = 1 end " +
                        rootExtra + "</process><emit res=\"tex\"><process>" + emitProcess +
                        "</process><bornpart>" + bornpart + "</bornpart><diepart>" + diepart +
                        "</diepart></emit><spark res=\"other\"/></ps>");
    }
    static double Global(nE_PartSysImpl_Complex* impl, const char* name)
    {
        lua_State* L = impl->GetLuaState();
        lua_getglobal(L, name);
        double value =
            lua_isstring(L, -1) && !lua_isnumber(L, -1) ? double(lua_objlen(L, -1)) : lua_tonumber(L, -1);
        lua_pop(L, 1);
        return value;
    }
    // One particle on the first step, then none.
    const char* kOnce = "if not once then once = true CreateParticles(1) end";
};

TEST_F(ComplexTest, CreateParticlesCarriesFractions)
{
    auto ps = System(Scripted("n = (n or 0) + 1 CreateParticles(({2.5, 0.5, 0})[n])", "DieAfter(100)"));
    nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
    for (size_t count : {2, 3, 3})
    {
        Tick(*ps);
        EXPECT_EQ(count, impl->GetParticles().size());
    }
    EXPECT_EQ(1, impl->GetPsState());
    EXPECT_EQ(1u, impl->GetEmitters().size());
}

// A track, quarters of the 1 s lifetime stepped, the property read and its value.
TEST_F(ComplexTest, AnimateInterpolatesClampsAndHolds)
{
    for (auto [track, ticks, property, value] :
         {std::tuple{"ne_pos_x, {0, 0, 100, 8}", 1, int(NE_PS_POS_X), 2.0f},
          {"ne_alpha, {0, 0, 100, 2}", 2, NE_PS_ALPHA, 1},               // clamped
          {"ne_pos_x, {0, 0, 50, 10}", 3, NE_PS_POS_X, 10},              // held past the last key
          {"ne_pos_x, {0, 1, 50, 3, 50, 9, 100, 9}", 2, NE_PS_POS_X, 9}, // equal times jump
          {"ne_pos_x, {5}", 2, NE_PS_POS_X, 0},                          // no whole pair: no track
          {"ne_pos_z, {0, 0, 100, 8}", 1, NE_PS_POS_Z, 0}})              // no storage
    {
        auto ps = System(Scripted(kOnce, std::string("DieAfter(1) Animate(") + track + ")"));
        Tick(*ps, 0.25f, ticks);
        ASSERT_EQ(1u, ComplexOf(*ps)->GetParticles().size()) << track;
        EXPECT_NEAR(value, ComplexOf(*ps)->GetParticles()[0]->Get(property), 1e-4f) << track;
    }
}

TEST_F(ComplexTest, DyingParticlesAndLifetimeZero)
{
    auto ps = System(Scripted(kOnce, "DieAfter(0.5) Animate(ne_pos_x, {0, 0, 100, 40})",
                              "CreateEmitter(\"spark\", 0, 5)"));
    nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
    Tick(*ps, 0.25f, 2);
    EXPECT_TRUE(impl->GetParticles().empty());
    ASSERT_EQ(2u, impl->GetEmitters().size());
    EXPECT_EQ(20.0f, impl->GetEmitters()[1].x); // where the dying particle was
    EXPECT_EQ(5.0f, impl->GetEmitters()[1].y);

    auto instant = System(Scripted(kOnce, "born = (born or 0) + 1"));
    Tick(*instant, 0.0f); // no DieAfter: lifetime 0 ends in the first step, even a zero one
    EXPECT_TRUE(ComplexOf(*instant)->GetParticles().empty());
    EXPECT_EQ(1.0, Global(ComplexOf(*instant), "born"));
}

TEST_F(ComplexTest, FunctionsActOnlyWhereTheyHaveTheirSubject)
{
    // The root chunk has no current emitter; bornpart has the one emitting,
    // which it may delete but not make emit again; overwriting "pointer"
    // harms nothing.
    auto ps =
        System(Scripted("CreateParticles(1)",
                        "pointer = 5 DieAfter(9) CreateParticles(5) DeleteMe() SetProperty(ne_alpha, 3) "
                        "SetProperty('heat', 7) a = GetProperty(ne_alpha) h = GetProperty('heat') "
                        "z = GetProperty(ne_pos_z) u = GetProperty('cold') name = ObjGet().name "
                        "m = GetPosFromMask() mx = m.x + m.y r = Random(2, 2) SetIndependent()",
                        "", "DeleteMe() CreateParticles(3) SetProperty(ne_alpha, 0)"));
    Tick(*ps, kFrame, 3);
    nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
    ASSERT_EQ(1u, impl->GetParticles().size()); // its emitter went with it
    EXPECT_TRUE(impl->GetEmitters().empty());
    EXPECT_TRUE(impl->GetParticles()[0]->independent);
    for (auto [global, value] :
         {std::pair{"a", 1.0}, {"h", 7}, {"z", 0}, {"u", 0}, {"mx", 0}, {"r", 2}, {"name", 2 /* "ps" */}})
        EXPECT_EQ(value, Global(impl, global)) << global;
}

// A keyframe animation loaded first must not change how chunks are read: a
// chunk opening with a comment line still runs the lines after it.
TEST_F(ComplexTest, ChunksKeepTheirLineBreaksAfterAKeyframeAnimation)
{
    const bool before = TiXmlBase::IsWhiteSpaceCondensed();
    TiXmlBase::SetCondenseWhiteSpace(false);
    nE_FlashAnim anim("anim");
    anim.SetResourceName(File("anim", "<animation fps=\"10\"><frames><frame/></frames></animation>"));
    auto ps = System(File("commented", "<ps><process>-- the root chunk\nroot_ran = 1</process></ps>"));
    Tick(*ps);
    EXPECT_EQ(1.0, Global(ComplexOf(*ps), "root_ran"));
    TiXmlBase::SetCondenseWhiteSpace(before);
}

TEST_F(ComplexTest, LuaErrorsAreLoggedOnceAndSkipped)
{
    // The root chunk also locks the globals: the system's own writes must not trip on it.
    auto ps = System(Scripted("CreateParticles(", "DieAfter(1) error(\"boom\")", "",
                              "setmetatable(_G, {__newindex = function() error('locked') end}) "
                              "rawset(_G, 'ps_state', nil) rawset(_G, 'ps_dt', nil) error('root')"));
    Tick(*ps, kFrame, 3);
    int errors = 0;
    for (const std::string& line : log.lines)
        errors +=
            line.find("Error: nE_PartSysImpl_Complex::lua error in \"" + dir.path + "complex.xml\"") == 0;
    EXPECT_EQ(2, errors); // the root's runtime error and the emitter chunk's syntax error
}

// A chunk that never ends is stopped (the limit made tiny here) and not run
// again; one that allocates without end fails with a memory error and its
// garbage is collected. Each is named once by its file; the rest of the system
// goes on. os.exit asks the platform to close; the chunk runs on.
TEST_F(ComplexTest, RunawayChunksFailAloneAndOsExitAsksThePlatformToClose)
{
    const std::string path = dir.path + "complex.xml";
    const struct
    {
        const char* loop;
        int timeMs;
        std::string line;
        double spins;
        size_t particles;
        double roots; // a stop ends every chunk of the system, a memory error only its own call
    } cases[] = {
        {"while true do end", 1, "Error: script \"" + path + "\" ran for more than 0.001 s and was stopped", 2, 2, 2},
        {"local t = {} while true do t[#t + 1] = {} end", kParticleLuaLimits.timeMs,
         "Error: nE_PartSysImpl_Complex::lua error in \"" + path + "\": not enough memory", 4, 4, 4},
    };
    for (const auto& c : cases)
    {
        log.lines.clear();
        auto ps = System(Scripted(std::string("CreateParticles(1) spins = (spins or 0) + 1 if spins == 2 then ") +
                                      c.loop + " end",
                                  "DieAfter(9)", "", "roots = (roots or 0) + 1"));
        nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
        nE_SetLuaLimits(impl->GetLuaState(), {4 << 20, c.timeMs});
        Tick(*ps, kFrame, 4);
        EXPECT_EQ(std::vector<std::string>{c.line}, log.lines);
        EXPECT_EQ(c.roots, Global(impl, "roots"));
        EXPECT_EQ(c.spins, Global(impl, "spins"));
        EXPECT_EQ(c.particles, impl->GetParticles().size());
        EXPECT_LT(lua_gc(impl->GetLuaState(), LUA_GCCOUNT, 0), 1024);
    }
    // Many endless chunks cost one stop in all, also when the system starts
    // again; a script cannot take the watchdog's hook away.
    {
        log.lines.clear();
        std::string file = "<ps><process>debug.sethook() if ps_state == 0 then ps_state = 1 for _, n in "
                           "ipairs({'emit', 'b', 'c', 'd'}) do CreateEmitter(n, 0, 0) end end</process>";
        for (const char* name : {"emit", "b", "c", "d"})
            file += std::string("<") + name + " res=\"tex\"><process>ran = (ran or 0) + 1 while true do end</process></" +
                    name + ">";
        auto ps = System(File("endless", file + "</ps>"));
        nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
        nE_SetLuaLimits(impl->GetLuaState(), {4 << 20, 1});
        Tick(*ps, kFrame, 3);
        EXPECT_EQ(1.0, Global(impl, "ran"));
        impl->Stop(true);
        impl->Start();
        Tick(*ps, kFrame, 3);
        EXPECT_EQ(0.0, Global(impl, "ran"));
        EXPECT_EQ((std::vector<std::string>{"Warning: debug.sethook is not available to scripts; the call does nothing",
                                            "Error: script \"" + dir.path + "endless.xml\" ran for more than 0.001 s "
                                            "and was stopped"}),
                  log.lines);
    }
    DE50::TPlatform* platform = DE50::TPlatform::GetInstance();
    auto ps = System(Scripted("", "", "", "os.exit(3) after_exit = 1"));
    Tick(*ps);
    EXPECT_TRUE(platform->ExitRequested());
    EXPECT_EQ(3, platform->ExitCode());
    EXPECT_EQ(1.0, Global(ComplexOf(*ps), "after_exit"));
    platform->ClearExit();
}

TEST_F(ComplexTest, StopPauseAndStartLeakNoLuaState)
{
    const int before = nE_PartSysImpl_Complex::GetOpenStateCount();
    {
        auto ps = System(Scripted("CreateParticles(1)", "DieAfter(9)"));
        nE_PartSysImpl* impl = ps->GetImpl();
        Tick(*ps, kFrame, 2);
        impl->Stop(false); // particles live on, nothing new
        Tick(*ps);
        EXPECT_EQ(2u, ComplexOf(*ps)->GetParticles().size());
        impl->SetPaused(true);
        Tick(*ps, 10.0f);
        EXPECT_EQ(2u, ComplexOf(*ps)->GetParticles().size());
        impl->SetPaused(false);
        impl->Start(); // closes the old state first
        EXPECT_EQ(before + 1, nE_PartSysImpl_Complex::GetOpenStateCount());
        EXPECT_TRUE(ComplexOf(*ps)->GetParticles().empty());
        impl->Stop(false);
        impl->Stop(true); // still clears
        EXPECT_EQ(nullptr, ComplexOf(*ps)->GetLuaState());
        Tick(*ps);
    }
    EXPECT_EQ(before, nE_PartSysImpl_Complex::GetOpenStateCount());
}

TEST_F(ComplexTest, IndependentParticlesStayWhereTheyWereBorn)
{
    nE_Object parent("parent"); // its offset applies to them too (the wide-screen margin, say)
    parent.SetPos(7, 0);
    auto owned = System(Scripted(kOnce, "DieAfter(9) SetProperty(ne_pos_x, 5) SetIndependent()"));
    nE_ParticleSystem* ps = owned.get();
    parent.AddChild(std::move(owned));
    ps->SetPos(100, 0);
    Tick(*ps);
    ps->SetPos(200, 0);
    pstest::CaptureRender render;
    parent.DrawTree(&render, nE_RenderState());
    ASSERT_EQ(1u, render.lists.size());
    EXPECT_NEAR(122, render.CentreX(0, 0), 1e-3f); // parent 7 + emitter 10 + owner 100 at birth + 5
    EXPECT_EQ(2u, render.blends[0]);               // from the leading comment
}

// Every way a scripted description can be damaged names the file in one line,
// however often it is loaded and stepped; what is refused leaves finite particles.
TEST_F(ComplexTest, DamagedFilesSayWhatIsWrongOnce)
{
    const struct
    {
        const char* file;
        const char* line;
    } cases[] = {
        {"complex_missing_picture", "has no picture \"missing_dot\"; its particles are not drawn"},
        {"complex_unknown_element", "has an element <proces> that means nothing there"},
        {"complex_bad_blend", "has a Blend comment with no blend mode 0 to 4"},
        {"complex_not_finite", "a number that is not finite; ignored"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        log.lines.clear();
        for (int load = 0; load < 2; ++load)
        {
            auto ps = System(DataFile(c.file));
            Tick(*ps, kFrame, 5);
            EXPECT_LE(ps->GetRenderState().blendMode, 4u);
            for (const auto& p : ComplexOf(*ps)->GetParticles())
            {
                EXPECT_TRUE(std::isfinite(p->baseX) && std::isfinite(p->baseY) && p->lifetime == 1.0f);
                for (float v : p->values)
                    EXPECT_TRUE(std::isfinite(v));
            }
        }
        EXPECT_EQ(1u, log.lines.size());
        EXPECT_EQ(1, LinesAbout(DataFile(c.file), c.line));
    }
}

// Chunks that ask for work or memory without end get the budgets' share, and
// each bound names the file once.
TEST_F(ComplexTest, HostileFilesStayWithinTheBudgets)
{
    std::string templates = "<ps>";
    for (size_t i = 0; i <= nE_PsBudget::kEmitters; ++i)
        templates += "<emit/>";
    const struct
    {
        std::string res;
        int ticks;
        size_t emitters, particles;
        const char* line;
    } cases[] = {
        {DataFile("complex_emitter_chain"), 3, nE_PsBudget::kEmitters, 0, "reaches 256 emitters"},
        {DataFile("complex_births"), 1, 1, nE_PsBudget::kBirthsPerStep, "more than 2000 births in one step"},
        {DataFile("complex_births"), 10, 1, nE_PsBudget::kScriptedParticles, "reaches 10000 live particles"},
        {DataFile("complex_memory"), 30, 1, 10, "animates with more than 64 keys"},
        {DataFile("complex_memory"), 30, 1, 10, "sets more than 16 named numbers on a particle"},
        {File("templates", templates + "</ps>"), 1, 0, 0, "has more than 256 emitter templates"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        nE_ForgetWarnings();
        log.lines.clear();
        auto ps = System(c.res);
        Tick(*ps, kFrame, c.ticks);
        const nE_PartSysImpl_Complex* impl = ComplexOf(*ps);
        EXPECT_LE(impl->GetTemplates().size(), nE_PsBudget::kEmitters);
        EXPECT_EQ(c.emitters, impl->GetEmitters().size());
        EXPECT_EQ(c.particles, impl->GetParticles().size());
        EXPECT_EQ(1, LinesAbout(c.res, c.line));
        for (const auto& p : impl->GetParticles())
        {
            EXPECT_LE(p->named.size(), nE_PsBudget::kNamedValues);
            EXPECT_LE(p->tracks.size(), 2u); // a new track of a property replaces the old
            for (const nE_ComplexTrack& track : p->tracks)
                EXPECT_LE(track.KeyCount(), nE_PsBudget::kTrackKeys);
        }
    }
}

// The collect effect that the hidden-object collector makes by type name and
// never starts: it must play by itself, once, and leave nothing behind.
TEST_F(ComplexTest, SampleCollectEffectPlaysOnceFromConstruction)
{
    nE_RegisterEngineKinds();
    std::unique_ptr<nE_Object> made(nE_CreateObject("partsys", "collect"));
    auto* ps = static_cast<nE_ParticleSystem*>(made.get());
    ps->SetResourceName(std::string(NE_SOURCE_DIR_DEFAULT) +
                        "/sample/assets/levels/common/ho_collect_effect");
    Tick(*ps, kFrame, 10);
    EXPECT_GT(ComplexOf(*ps)->GetParticles().size(), 10u);
    Tick(*ps, kFrame, 120);
    EXPECT_TRUE(ComplexOf(*ps)->GetParticles().empty() && ComplexOf(*ps)->GetEmitters().empty());
    EXPECT_TRUE(log.lines.empty());
}

} // namespace
