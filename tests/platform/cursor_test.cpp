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
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <climits>

namespace
{

// Draws its texture like a sprite. (The real animated cursor is drawn in the
// scene tests.)
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
    void Draw(nE_Render* render, const nE_RenderState& state) override
    {
        render->DrawTexture(texture, state);
    }
    std::shared_ptr<nE_Texture> texture;

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
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
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

// A name with ".xml" is an animation, even with a ".png" beside it; a ".png"
// alone a still sprite; no files, no name: no sprite, but registered.
TEST_F(CursorTest, EachKindIsRegisteredByWhichFilesExist)
{
    ASSERT_EQ(11, cursor->GetCursorCount());
    EXPECT_EQ(-1, cursor->GetCurrent());
    const std::string kinds[5] = {"", "spr", "anim", "anim", ""};
    const DE50::TSystemCursor shapes[5] = {DE50::kSystemCursorNone, DE50::kSystemCursorArrow,
                                           DE50::kSystemCursorSizeAll, DE50::kSystemCursorHand,
                                           DE50::kSystemCursorHand};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(kinds[i], Sprite(i) ? Sprite(i)->GetTypeName() : "") << i;
        EXPECT_EQ(kinds[i] == "anim", cursor->GetRecord(i)->animated) << i;
        EXPECT_EQ(shapes[i], cursor->GetRecord(i)->systemCursor) << i;
    }
    EXPECT_EQ(dir + "still", Sprite(1)->GetResourceName());
}

// Out-of-range indices leave the selection, also from script; the script reads
// the pointer, the origin once the service is gone.
TEST_F(CursorTest, BadIndicesAreIgnoredAlsoFromScript)
{
    cursor->SetCursor(3);
    for (int bad : {-1, -100, 11, 12, INT_MAX, INT_MIN})
        cursor->SetCursor(bad);
    EXPECT_EQ(3, cursor->GetCurrent());

    g_cursor = cursor.get();
    nE_EngineContext::Instance();
    nE_InstallCursorHooks();
    nE_RegisterCursorScriptFunctions();
    lua_State* L = nE_GetLua();
    cursor->SetPosition(100, 7);
    ASSERT_EQ(0, luaL_dostring(L, "SetCursor(4); SetCursor(11); SetCursor(-1); SetCursor()"));
    EXPECT_EQ(4, cursor->GetCurrent());
    ASSERT_EQ(0, luaL_dostring(L, "return CursorPosX() * 1000 + CursorPosY()"));
    EXPECT_EQ(100007, lua_tointeger(L, -1));
    lua_settop(L, 0);
    g_cursor = nullptr;
    float x = 1, y = 1;
    nE_GetCursorPos(&x, &y);
    EXPECT_EQ(0.0f, x + y);
}

TEST_F(CursorTest, DrawnCursorFollowsThePointerAndItsHotSpot)
{
    ASSERT_EQ(11, cursor->AddCursor(dir + "still", 10, -5, 0x7F00));
    // Cursor, pointer, hidden until moved; a pixel lit (none when x < 0), one dark.
    const int steps[][8] = {
        {1, 20, 10, 0, 18, 8, 22, 10},   // the 4 x 4 image centred on the pointer
        {1, 40, 30, 0, 40, 30, 20, 10},  // moved along
        {11, 20, 20, 0, 30, 15, 20, 20}, // shifted by the hot spot
        {4, 20, 10, 0, -1, -1, 20, 10},  // no image: nothing
        {1, 20, 10, 1, -1, -1, 20, 10},  // hidden until the pointer moves
    };
    for (const auto& [index, x, y, hidden, litX, litY, darkX, darkY] : steps)
    {
        cursor->SetCursor(index);
        cursor->SetPosition(float(x), float(y));
        cursor->SetHiddenUntilMoved(hidden);
        EXPECT_TRUE(de50test::Near(Frame(darkX, darkY), kBlack)) << index;
        EXPECT_TRUE(litX < 0 || de50test::Near(Pixel(litX, litY), kMagenta)) << index;
    }
    cursor->SetPosition(21, 10);
    EXPECT_FALSE(cursor->IsHiddenUntilMoved());
    EXPECT_TRUE(de50test::Near(Frame(21, 10), kMagenta));
}

// System mode shows the system shape of the selection and draws no cursor; off
// hides it again and keeps the selection. Unknown ids and shapes hide the pointer.
TEST_F(CursorTest, SystemModeOnShowsTheSystemShapeAndOffHidesItAgain)
{
    cursor->SetCursor(1);
    cursor->SetPosition(20, 10);
    EXPECT_FALSE(DE50::IsSystemCursorShown()); // hidden when the service started
    cursor->SetSystemCursor(true);
    EXPECT_TRUE(cursor->IsSystemCursor() && DE50::IsSystemCursorShown());
    EXPECT_EQ(DE50::kSystemCursorArrow, DE50::GetSystemCursor());
    EXPECT_TRUE(de50test::Near(Frame(20, 10), kBlack));
    cursor->SetCursor(3);
    EXPECT_EQ(DE50::kSystemCursorHand, DE50::GetSystemCursor());

    cursor->SetCursor(1);
    cursor->SetSystemCursor(false);
    EXPECT_FALSE(cursor->IsSystemCursor() || DE50::IsSystemCursorShown());
    EXPECT_EQ(DE50::kSystemCursorNone, DE50::GetSystemCursor());
    EXPECT_TRUE(de50test::Near(Frame(20, 10), kMagenta));
    EXPECT_EQ(DE50::kSystemCursorNone, DE50::LoadSystemCursor(0x7F01));
    EXPECT_FALSE(DE50::SetSystemCursor(static_cast<DE50::TSystemCursor>(42)) || DE50::IsSystemCursorShown());
}

} // namespace
