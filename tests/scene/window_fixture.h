#pragma once
// Scene objects drawn in a real window: the platform renderer (also as
// g_render), texture and object kinds, a resource cache and a scratch folder.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_Engine.h"
#include "platform/de50_test_support.h"
#include "scene/anim_fixture.h"

#include <functional>
#include <memory>

class SceneWindowTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        ASSERT_TRUE(files.Make());
        g_mediator = &bus;
        g_resourceCache = &cache;
        nE_RegisterTextureCreators();
        nE_RegisterEngineKinds();
        render.reset(nE_CreateRender());
        render->SetScreenSize(float(kW), float(kH));
        g_render = render.get();
    }
    void TearDown() override
    {
        nE_SetCursorPosFunc(nullptr);
        g_render = g_currentRender = nullptr;
        render.reset();
        cache.Clear();
        g_resourceCache = nullptr;
        g_mediator = nullptr;
        WindowTest::TearDown();
    }
    // One frame: the background, the object's tree, then `after` in its own pass.
    void Frame(nE_Object* object, uint32_t background = 0xFF000000, const std::function<void()>& after = {})
    {
        render->BeginScene();
        render->Begin2D();
        const auto c = [&](int shift) { return float(background >> shift & 0xFF) / 255.0f; };
        r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(c(16), c(8), c(0), 1));
        if (object) object->DrawTree(render.get(), nE_RenderState());
        render->End2D();
        if (after) after();
        render->EndScene();
    }

    animfixture::Folder files;
    nE_Mediator bus;
    nE_ResourceCache cache;
    std::unique_ptr<nE_Render_Pl5> render;
};
