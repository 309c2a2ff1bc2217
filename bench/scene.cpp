// The sample's own rooms:
//  - BM_Pictures: the pictures named by NE_BENCH_PICTURES (absolute paths,
//    ":" between them; bench/table.py names every picture of the hall and the
//    attic), each decoded, uploaded and drawn once in one presented frame, as
//    bench/love does with the same files; the process's peak resident memory
//    is the figure (peak_rss_mb, also measured from outside);
//  - BM_HallScale/<copies>: the hall of sample/assets/levels/start.xml with its
//    objects (sprites, the title text, the particle system) cloned into
//    `copies` times as many by a module written here and loaded as the game
//    loads one; one update of 1/60 s and one presented frame per iteration,
//    the process's peak resident memory beside it.
// Run under Xvfb from anywhere: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_scene

#include "bench/fixtures/bench_env.h"
#include "bench/fixtures/bench_shell.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_StringTable.h"
#include "engine/platform/nE_Texture.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "engine/scene/nE_Sprite.h"
#include "game/app/nG_Room.h"

#include <benchmark/benchmark.h>
#include <tinyxml.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

const std::filesystem::path kRoot = std::filesystem::path(__FILE__).parent_path().parent_path();

std::vector<std::string> PictureList()
{
    std::vector<std::string> list;
    const char* env = std::getenv("NE_BENCH_PICTURES");
    std::stringstream in(env ? env : "");
    std::string path;
    while (std::getline(in, path, ':'))
        if (!path.empty()) list.push_back(path);
    return list;
}

void BM_Pictures(benchmark::State& state)
{
    const std::vector<std::string> files = PictureList();
    if (files.empty()) return state.SkipWithError("NE_BENCH_PICTURES names no picture");
    if (!benchshell::StartShell("bench_scene"))
    {
        state.SkipWithError("no window");
        benchshell::StopShell();
        return;
    }
    std::vector<nE_Sprite*> sprites;
    for (auto _ : state)
    {
        for (size_t i = 0; i < files.size(); ++i)
        {
            auto sprite = std::make_unique<nE_Sprite>();
            // Resources are named without their extension.
            sprite->SetResourceName(std::filesystem::path(files[i]).replace_extension().string());
            sprite->SetPos(float((i * 37) % benchshell::kWidth), float((i * 53) % benchshell::kHeight));
            sprites.push_back(nE_Attach(g_scene->GetOrigin(), std::move(sprite)));
        }
        benchshell::DrawFrame();
    }
    for (nE_Sprite* sprite : sprites)
        if (!sprite->GetTexture() || sprite->GetTexture()->GetWidth() <= 1.0f)
            state.SkipWithError(("not drawn: " + sprite->GetResourceName()).c_str());
    state.counters["pictures"] = double(files.size());
    state.counters["peak_rss_mb"] = benchenv::PeakMb();
    benchshell::StopShell();
    DE50::Test::Reset();
}
BENCHMARK(BM_Pictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// ---- the hall, grown ----

// Every name in the subtree gains `suffix`, so that clones stay apart.
void Rename(TiXmlElement* e, const std::string& suffix)
{
    if (const char* name = e->Attribute("name")) e->SetAttribute("name", name + suffix);
    for (TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement())
        Rename(c, suffix);
}

void Shift(TiXmlElement* e, const char* attribute, double by)
{
    double at = 0;
    e->QueryDoubleAttribute(attribute, &at);
    e->SetDoubleAttribute(attribute, at + by);
}

// The hall's room element with its children `copies` times over, its scripts
// left out (the benchmark draws it; nothing clicks); empty when start.xml has no hall.
std::string HallModule(int copies)
{
    TiXmlDocument doc((kRoot / "sample/assets/levels/start.xml").string());
    if (!doc.LoadFile()) return std::string();
    TiXmlElement* hall = nullptr;
    TiXmlHandle objs = TiXmlHandle(&doc).FirstChildElement("module").FirstChildElement("objs");
    for (TiXmlElement* holder = objs.FirstChildElement().ToElement(); holder && !hall;
         holder = holder->NextSiblingElement())
        for (TiXmlElement* e = holder->FirstChildElement("room"); e && !hall;
             e = e->NextSiblingElement("room"))
            if (e->ValueStr() == "room" && e->Attribute("name") == std::string("sample_room1")) hall = e;
    if (!hall) return std::string();
    TiXmlElement room(*hall);
    for (const char* trigger : {"trg_open", "trg_close", "trg_preopen", "trg_preclose"})
        room.RemoveAttribute(trigger);
    std::vector<TiXmlElement> originals;
    for (TiXmlElement* c = room.FirstChildElement(); c; c = c->NextSiblingElement())
        originals.push_back(*c);
    for (int k = 1; k < copies; ++k)
        for (const TiXmlElement& original : originals)
        {
            TiXmlElement clone(original);
            Rename(&clone, "_" + std::to_string(k));
            Shift(&clone, "pos_x", double((k * 37) % 201 - 100));
            Shift(&clone, "pos_y", double((k * 53) % 121 - 60));
            room.InsertEndChild(clone);
        }
    TiXmlPrinter printer;
    room.Accept(&printer);
    return "<module name=\"bench_hall\"><objs><obj name=\"bench_hall_holder\">" + printer.Str() +
           "</obj></objs></module>";
}

void StartParticles(nE_Object* object)
{
    if (auto* ps = dynamic_cast<nE_ParticleSystem*>(object))
        if (ps->GetImpl()) ps->GetImpl()->Start();
    for (int i = 0; i < object->GetChildCount(); ++i)
        StartParticles(object->GetChild(i));
}

int CountObjects(const nE_Object* object)
{
    int n = 1;
    for (int i = 0; i < object->GetChildCount(); ++i)
        n += CountObjects(object->GetChild(i));
    return n;
}

void Step()
{
    nE_TimeStep step;
    step.step = step.elapsed = 1.0f / 60.0f;
    g_scene->GetOrigin()->UpdateTree(&step);
}

// The hall module loaded into the scene and opened; null when something is missing.
nG_Room* ShowHall(int copies, const std::string& dir)
{
    const std::string module = HallModule(copies);
    if (module.empty()) return nullptr;
    std::ofstream(dir + "/bench_hall.xml") << module;
    nE_Module(dir + "/bench_hall").Run(g_scene, nullptr, nullptr);
    auto* room = dynamic_cast<nG_Room*>(g_scene->FindObject("sample_room1"));
    if (!room || !g_scene->MoveObject(g_scene->GetOrigin(), room)) return nullptr;
    room->Open(false);
    StartParticles(room);
    return room;
}

void BM_HallScale(benchmark::State& state)
{
    const int copies = int(state.range(0));
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(kRoot / "sample"); // the module names its pictures under assets/
    benchshell::SoftDisc scratch;                    // a scratch folder for the module file
    nE_StringTable strings;
    strings.Load("assets/strings");
    g_stringTable = &strings;
    nG_RegisterRoomTypes();
    nG_Room* room = benchshell::StartShell("bench_scene") ? ShowHall(copies, scratch.dir) : nullptr;
    if (!room)
        state.SkipWithError("no window, or no hall in sample/assets/levels/start.xml");
    else
    {
        for (int i = 0; i < 120; ++i) // two seconds: the sparks are under way
            Step();
        benchshell::DrawFrame();
        for (auto _ : state)
        {
            Step();
            benchshell::DrawFrame();
        }
        state.counters["objects"] = double(CountObjects(room));
        state.counters["lit_share"] = benchshell::LitShare();
        state.counters["peak_rss_mb"] = benchenv::PeakMb();
    }
    benchshell::StopShell();
    DE50::Test::Reset();
    g_stringTable = nullptr;
    std::filesystem::current_path(old);
}
BENCHMARK(BM_HallScale)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
