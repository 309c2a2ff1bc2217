// Every kind the game registers, loaded from one element that sets each of its
// properties away from its default, then saved to an XML element and to a Lua
// table (as ObjGet makes it) and compared byte for byte with the files in
// tests/data/roundtrip. What is saved must also read back, from either form,
// to the same bytes; SetDefaults then gives the kind's recorded defaults.
// NE_WRITE_ROUNDTRIP=1 writes the files from today's code.

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_Text.h"
#include "game/app/nG_ParticleSystemGm.h"
#include "game/app/nG_Room.h"
#include "game/interface/nG_StrategyGuide.h"
#include "game/interface/nG_TextEdit.h"
#include "tests/app/user_folder.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <tinyxml.h>

namespace
{
// Every base property; the rectangles are on, so their keys are written too.
#define NE_RT_BASE                                                                                           \
    " name=\"rt &amp; &quot;co&quot;\" pos_x=\"12.5\" pos_y=\"-7.25\" pos_z=\"3\" ang=\"0.123456789\""       \
    " scale_x=\"1.5\" scale_y=\"0.75\" alp=\"0.625\" color_r=\"0.25\" color_g=\"0.5\" color_b=\"0.75\""      \
    " blendmode=\"2\" attachtype=\"1\" active=\"0\" input=\"0\" visible=\"0\" drag=\"1\" realdrag=\"1\""     \
    " inputrect_init=\"1\" inputrect_x=\"1\" inputrect_y=\"2\" inputrect_w=\"30\" inputrect_h=\"40\""        \
    " croprect_init=\"1\" croprect_x=\"-5\" croprect_y=\"-6\" croprect_w=\"70\" croprect_h=\"80\""           \
    " drawoff_x=\"5\" drawoff_y=\"6\" tiling_x=\"2\" tiling_y=\"3\" event_mdown=\"down('a &lt; b')\""        \
    " event_mup=\"up()\" event_menter=\"enter()\" event_mleave=\"leave()\" event_menter_drag=\"in_drag()\""  \
    " event_mleave_drag=\"out_drag()\" event_dragdrop=\"drop()\" event_drag=\"drag(1,2)\""
#define NE_RT_SPRITE NE_RT_BASE " res=\"pics/door\""
#define NE_RT_ROOM                                                                                           \
    NE_RT_SPRITE " trg_open=\"opened()\" trg_close=\"closed()\" trg_preopen=\"opening()\""                   \
                 " trg_preclose=\"closing()\""
#define NE_RT_TEXT                                                                                           \
    NE_RT_BASE " res=\"fonts/none\" text=\"Caf\xc3\xa9 %s\" param0=\"p0\" param1=\"p1\" param2=\"p2\""       \
               " param3=\"p3\" param4=\"p4\" disprawtext=\"1\" fontsize=\"31\" maxwidth=\"250\" align=\"2\""

struct Case
{
    const char* file; // tests/data/roundtrip/<file>.xml, .lua.txt and .defaults.xml
    const char* type;
    const char* attributes;
};

const Case kCases[] = {
    {"obj", "obj", NE_RT_BASE},
    // The rectangles off: their keys are neither taken nor written.
    {"obj_rects_off", "obj",
     " name=\"plain\" inputrect_init=\"0\" inputrect_w=\"9\" croprect_init=\"0\""
     " croprect_w=\"9\" pos_x=\"1\""},
    {"spr", "spr", NE_RT_SPRITE},
    {"anim", "anim",
     NE_RT_BASE " res=\"res/door\" frame=\"1\" playing=\"1\" animfunc=\"swing\" endtrig=\"done()\""},
    {"partsys", "partsys", NE_RT_BASE " res=\"res/sparks\""},
    {"text", "text", NE_RT_TEXT},
    {"video", "video",
     NE_RT_BASE " res=\"clips/intro\" playing=\"1\" looped=\"1\" endtrig=\"ended()\""
                " frame=\"17\""},
    {"ateffect", "ateffect",
     NE_RT_BASE
     " res=\"pics/drop\" cam_pos=\"0.5;-1.25;2\" cam_ang=\"0.1;0.2;0.3\" floor_clip=\"3.5\""
     " near_z=\"0.5\" far_z=\"12\" scr_clip_size=\"800;600\" particle_inv_mass=\"0.02\""
     " dencity=\"2.5\" deviation=\"0.4\" particle_life_time=\"15\" particle_scale=\"1.75\" type=\"0\""
     " rain_length_factor=\"3\" fast_start=\"2\""},
    {"flashanim", "flashanim", NE_RT_BASE " res=\"res/wave\" frame=\"2\" playing=\"1\" endtrig=\"waved()\""},
    {"room", "room", NE_RT_ROOM},
    {"subroom", "subroom", NE_RT_ROOM " start_x=\"100\" start_y=\"200\" end_x=\"512\" end_y=\"3000000000\""},
    {"textedit", "textedit",
     NE_RT_TEXT " maxchars=\"12\" clearonfirstinput=\"1\" clearedonfirstinput=\"1\" trg_enter=\"entered()\""
                " only_letters_and_numbers=\"0\" only_capital_letters=\"1\""},
    {"partsys_gm", "partsys_gm", NE_RT_BASE " res=\"res/sparks\" game_mode=\"2\""},
    {"partsys_pm", "partsys_pm", NE_RT_BASE " res=\"res/sparks\" game_mode=\"1\""},
    {"str_guide", "str_guide", NE_RT_BASE " res=\"guide/book\""},
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.file;
}

std::string Printed(const TiXmlElement& element)
{
    TiXmlPrinter printer;
    element.Accept(&printer);
    return printer.Str();
}

std::string SavedXml(nE_Object& object)
{
    TiXmlElement element(object.GetTypeName());
    nE_SLHelper_XML sl(&element);
    object.Save(sl);
    return Printed(element);
}

// The table at the stack top, one field a line in key order.
std::string TableText(lua_State* L)
{
    LuaRun(L, "function ne_rt_dump(t)"
              "  local function v(x)"
              "    if type(x) == 'number' then return string.format('%.17g', x) end"
              "    if type(x) == 'string' then return string.format('%q', x) end"
              "    if type(x) ~= 'table' then return tostring(x) end"
              "    local parts = {} for i = 1, #x do parts[i] = v(x[i]) end"
              "    return '{' .. table.concat(parts, ', ') .. '}'"
              "  end"
              "  local keys = {} for k in pairs(t) do keys[#keys + 1] = k end table.sort(keys)"
              "  local lines = {} for _, k in ipairs(keys) do lines[#lines + 1] = k .. ' = ' .. v(t[k]) end"
              "  return table.concat(lines, '\\n') .. '\\n'"
              "end");
    lua_getglobal(L, "ne_rt_dump");
    lua_pushvalue(L, -2);
    if (lua_pcall(L, 1, 1, 0) != 0) return lua_tostring(L, -1);
    std::string text = lua_tostring(L, -1);
    lua_pop(L, 1);
    return text;
}

struct SaveRoundTrip : testing::TestWithParam<Case>
{
    lua_State* L = nullptr;
    std::unique_ptr<InFolder> folder;
    std::string dir;
    nE_Mediator bus;
    LogLines log; // the resources named must all be found

    void SetUp() override
    {
        bus.Subscribe(&log, NE_MSG_LOG);
        g_mediator = &bus;
        nE_EngineContext::Instance();
        L = nE_GetLua();
        nE_RegisterEngineKinds();
        nE_RegisterAnimType();
        nE_RegisterTextType();
        nG_RegisterRoomTypes();
        nG_RegisterParticleTypes();
        nE_RegisterObjectType("textedit", nG_TextEdit::Create);
        nE_RegisterObjectType("str_guide", nG_StrategyGuide::Create);
        dir = std::string(getenv("NE_TEST_DATA")) + "/roundtrip/";
        folder.reset(new InFolder(dir)); // the resources named are relative
    }
    void TearDown() override
    {
        folder.reset();
        nE_EngineContext::Destroy();
        g_mediator = nullptr;
    }
    std::unique_ptr<nE_Object> Make() const
    {
        return std::unique_ptr<nE_Object>(nE_CreateObject(GetParam().type, ""));
    }
    std::unique_ptr<nE_Object> FromXml(const std::string& text) const
    {
        TiXmlDocument doc;
        doc.Parse(text.c_str());
        std::unique_ptr<nE_Object> object = Make();
        if (!doc.RootElement() || !object) return nullptr;
        nE_SLHelper_XML sl(doc.RootElement());
        object->Load(sl);
        return object;
    }
    void Matches(const std::string& name, const std::string& text) const
    {
        const std::string path = dir + GetParam().file + name;
        if (getenv("NE_WRITE_ROUNDTRIP")) std::ofstream(path, std::ios::binary) << text;
        EXPECT_EQ(ReadFile(path), text) << path;
    }
};

TEST_P(SaveRoundTrip, SavesTodaysBytesAndReadsThemBack)
{
    const Case& c = GetParam();
    std::unique_ptr<nE_Object> object = FromXml(std::string("<") + c.type + c.attributes + "/>");
    ASSERT_TRUE(object);
    const std::string xml = SavedXml(*object);
    Matches(".xml", xml);

    lua_newtable(L);
    nE_SLHelper_Lua getter(L, true);
    object->Save(getter);
    Matches(".lua.txt", TableText(L));

    std::unique_ptr<nE_Object> fromLua = Make();
    nE_SLHelper_Lua setter(L);
    fromLua->Load(setter);
    lua_pop(L, 1);
    EXPECT_EQ(xml, SavedXml(*fromLua)) << "read back from the table";
    std::unique_ptr<nE_Object> fromXml = FromXml(xml);
    ASSERT_TRUE(fromXml);
    EXPECT_EQ(xml, SavedXml(*fromXml)) << "read back from the element";

    EXPECT_EQ(0u, log.lines.size()) << log.lines.front();

    // What the kind puts back of its properties, and what it leaves.
    object->SetDefaults();
    Matches(".defaults.xml", SavedXml(*object));
}

INSTANTIATE_TEST_SUITE_P(Kind, SaveRoundTrip, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info)
                         { return std::string(info.param.file); });
} // namespace
