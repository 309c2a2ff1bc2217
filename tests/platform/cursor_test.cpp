// The cursor service: registration by kind, selection, the drawn cursor at the
// pointer (read back from the screen), hiding until the pointer moves, and the
// system pointer mode. The sprite kinds live above this layer, so the tests
// register small stand-ins under "spr" and "anim".

#include "de50/de50_cursor.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <climits>
#include <fstream>
#include <memory>
#include <string>

namespace
{

// Draws its texture like a sprite and remembers how it was started.
class StandInSprite : public nE_Object
{
public:
    explicit StandInSprite(bool still) : m_still(still) {}
    std::string GetTypeName() const override { return m_still ? "spr" : "anim"; }
    void LoadResources() override
    {
        if (g_resourceCache && m_still) // animated stand-ins have no image of their own
            texture = std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(m_resourceName));
    }
    void Load(nE_SLHelper& sl) override
    {
        nE_Object::Load(sl);
        sl.ReadBool("playing", playing);
        sl.ReadString("animfunc", animfunc);
    }
    void Draw(nE_Render* render, const nE_RenderState& state) override
    {
        render->DrawTexture(texture, state);
    }

    std::shared_ptr<nE_Texture> texture;
    bool playing = false;
    std::string animfunc;

private:
    bool m_still;
};

const uint32_t kMagenta = 0xFFFF00FF;
const uint32_t kBlack = 0xFF000000;

class CursorTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        g_mediator = &bus;
        nE_RegisterObjectType("spr", [] { return static_cast<nE_Object*>(new StandInSprite(true)); });
        nE_RegisterObjectType("anim", [] { return static_cast<nE_Object*>(new StandInSprite(false)); });
        g_resourceCache = &cache;
        nE_RegisterTextureCreators();
        render.reset(nE_CreateRender());
        render->SetScreenSize(float(kW), float(kH));
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(nullptr, s);
        SDL_FillRect(s, nullptr, kMagenta);
        for (const char* png : {"still.png", "both.png"})
            ASSERT_EQ(0, IMG_SavePNG(s, (dir + png).c_str()));
        SDL_FreeSurface(s);
        std::ofstream(dir + "both.xml") << "<animation/>";
        std::ofstream(dir + "moving.xml") << "<animation/>";
        cursor = std::make_unique<nE_Cursor_Pl5>();
        // The eleven cursors as start-up registers them, on our files.
        const char* names[] = {"",      "still", "both",  "moving", "none", "still",
                               "still", "still", "still", "still",  "still"};
        const unsigned short ids[] = {0,      0x7F00, 0x7F86, 0x7F89, 0x7F89, 0x7F89,
                                      0x7F86, 0x7F86, 0x7F86, 0x7F86, 0x7F86};
        for (int i = 0; i < 11; ++i)
            ASSERT_EQ(i, cursor->AddCursor(*names[i] ? dir + names[i] : "", 0, 0, ids[i]));
    }
    void TearDown() override
    {
        cursor.reset();
        g_cursor = nullptr;
        g_scriptMediaHooks = nE_ScriptMediaHooks();
        nE_SetCursorPosFunc(nullptr);
        nE_EngineContext::Destroy();
        render.reset();
        cache.Clear();
        g_resourceCache = nullptr;
        g_mediator = nullptr;
        WindowTest::TearDown();
    }

    // One frame: black screen, then the cursor; the pixel at (x, y).
    uint32_t Frame(uint32_t x, uint32_t y)
    {
        render->BeginScene();
        render->Begin2D();
        r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0, 0, 0, 1));
        render->End2D();
        cursor->Draw(render.get());
        render->EndScene();
        return Pixel(x, y);
    }
    StandInSprite* Sprite(int index) const
    {
        const nE_CursorRecord* record = cursor->GetRecord(index);
        return record ? static_cast<StandInSprite*>(record->sprite.get()) : nullptr;
    }

    de50test::ScratchDir scratch;
    const std::string& dir = scratch.path;
    nE_Mediator bus;
    nE_ResourceCache cache;
    std::unique_ptr<nE_Render_Pl5> render;
    std::unique_ptr<nE_Cursor_Pl5> cursor;
};

TEST_F(CursorTest, EachKindIsRegisteredByWhichFilesExist)
{
    ASSERT_EQ(11, cursor->GetCursorCount());
    EXPECT_EQ(nullptr, Sprite(0)); // no name
    EXPECT_EQ(nullptr, Sprite(4)); // no files: still registered
    EXPECT_EQ(-1, cursor->GetCurrent());
    ASSERT_NE(nullptr, Sprite(1));
    EXPECT_EQ("spr", Sprite(1)->GetTypeName());
    EXPECT_FALSE(cursor->GetRecord(1)->animated);
    EXPECT_EQ(dir + "still", Sprite(1)->GetResourceName());
    for (int index : {2, 3}) // ".xml" wins over ".png", and the animation starts at once
    {
        ASSERT_NE(nullptr, Sprite(index));
        EXPECT_EQ("anim", Sprite(index)->GetTypeName());
        EXPECT_TRUE(cursor->GetRecord(index)->animated && Sprite(index)->playing);
        EXPECT_EQ("DoAnim", Sprite(index)->animfunc);
    }
    const DE50::TSystemCursor shapes[] = {DE50::kSystemCursorNone, DE50::kSystemCursorArrow,
                                          DE50::kSystemCursorSizeAll, DE50::kSystemCursorHand};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(shapes[i], cursor->GetRecord(i)->systemCursor) << i;
}

TEST_F(CursorTest, BadIndicesAreIgnoredAlsoFromScript)
{
    cursor->SetCursor(3);
    for (int bad : {-1, -100, 11, 12, INT_MAX, INT_MIN})
    {
        cursor->SetCursor(bad);
        EXPECT_EQ(3, cursor->GetCurrent()) << bad;
    }

    g_cursor = cursor.get();
    nE_EngineContext::Instance();
    nE_InstallCursorHooks();
    lua_State* L = nE_GetLua();
    cursor->SetPosition(100, 7);
    ASSERT_EQ(0, luaL_dostring(L, "SetCursor(4); x = CursorPosX(); y = CursorPosY()"));
    EXPECT_EQ(4, cursor->GetCurrent());
    ASSERT_EQ(0, luaL_dostring(L, "SetCursor(11); SetCursor(-1); SetCursor()"));
    EXPECT_EQ(4, cursor->GetCurrent());
    ASSERT_EQ(0, luaL_dostring(L, "return x * 1000 + y"));
    EXPECT_EQ(100007, lua_tointeger(L, -1));
    lua_settop(L, 0);
    g_cursor = nullptr; // the service gone: the pointer reads as the origin
    float x = 1, y = 1;
    nE_GetCursorPos(&x, &y);
    EXPECT_EQ(0.0f, x + y);
}

TEST_F(CursorTest, DrawnCursorFollowsThePointerAndItsHotSpot)
{
    ASSERT_EQ(11, cursor->AddCursor(dir + "still", 10, -5, 0x7F00));
    struct Step
    {
        int index;
        float x, y;
        bool hideUntilMoved;
        int litX, litY, darkX, darkY;
    };
    const Step steps[] = {
        {1, 20, 10, false, 18, 8, 22, 10},   // the 4 x 4 image centred on the pointer
        {1, 40, 30, false, 40, 30, 20, 10},  // moved along
        {11, 20, 20, false, 30, 15, 20, 20}, // shifted by the hot spot
        {4, 20, 10, false, -1, -1, 20, 10},  // no image: nothing
        {1, 20, 10, true, -1, -1, 20, 10},   // hidden until the pointer moves
    };
    for (const Step& step : steps)
    {
        cursor->SetCursor(step.index);
        cursor->SetPosition(step.x, step.y);
        cursor->SetHiddenUntilMoved(step.hideUntilMoved);
        EXPECT_TRUE(de50test::Near(Frame(step.darkX, step.darkY), kBlack)) << step.index;
        EXPECT_TRUE(step.litX < 0 || de50test::Near(Pixel(step.litX, step.litY), kMagenta)) << step.index;
    }
    cursor->SetPosition(21, 10);
    EXPECT_FALSE(cursor->IsHiddenUntilMoved());
    EXPECT_TRUE(de50test::Near(Frame(21, 10), kMagenta));
}

TEST_F(CursorTest, SystemModeOnShowsTheSystemShapeAndOffHidesItAgain)
{
    cursor->SetCursor(1);
    EXPECT_FALSE(DE50::IsSystemCursorShown()); // hidden when the service started
    cursor->SetSystemCursor(true);
    EXPECT_TRUE(cursor->IsSystemCursor() && DE50::IsSystemCursorShown());
    EXPECT_EQ(DE50::kSystemCursorArrow, DE50::GetSystemCursor());
    cursor->SetPosition(20, 10);
    EXPECT_TRUE(de50test::Near(Frame(20, 10), kBlack));

    cursor->SetCursor(3);
    EXPECT_EQ(DE50::kSystemCursorHand, DE50::GetSystemCursor());

    cursor->SetCursor(1);
    cursor->SetSystemCursor(false);
    EXPECT_FALSE(cursor->IsSystemCursor());
    EXPECT_FALSE(DE50::IsSystemCursorShown());
    EXPECT_EQ(DE50::kSystemCursorNone, DE50::GetSystemCursor());
    EXPECT_EQ(1, cursor->GetCurrent()); // the selection survives the switch
    cursor->SetPosition(20, 10);
    EXPECT_TRUE(de50test::Near(Frame(20, 10), kMagenta));
    EXPECT_FALSE(DE50::IsSystemCursorShown());
    // Unknown ids and shapes hide the pointer.
    EXPECT_EQ(DE50::kSystemCursorNone, DE50::LoadSystemCursor(0x7F01));
    EXPECT_FALSE(DE50::SetSystemCursor(static_cast<DE50::TSystemCursor>(42)));
    EXPECT_FALSE(DE50::IsSystemCursorShown());
}

} // namespace
