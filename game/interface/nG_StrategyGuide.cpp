#include "game/interface/nG_StrategyGuide.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_Xml.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
const int kMessages[] = {NG_MSG_GUIDE_TOC,    NG_MSG_GUIDE_NEXT,         NG_MSG_GUIDE_PREV,    NG_MSG_GUIDE_BUTTON,
                         NG_MSG_GUIDE_IMAGE_BUTTON, NG_MSG_GUIDE_SET_PAGE, NG_MSG_GUIDE_GET_PAGE};

const char* const kContentsButton = "ng_strategy_guide_btn_";
const char* const kImageButton = "ng_strategy_guide_imagebtn_";
const float kSlotX[nG_StrategyGuide::kSlots] = {845, 662, 845, 662, 845, 662};
const float kSlotY[nG_StrategyGuide::kSlots] = {245, 245, 381, 381, 517, 517};
// Both fades take a third of a second.
const float kFadeRate = 3.0f;

// ---- reading ----

std::string TextOf(const TiXmlElement* element)
{
    const char* text = element ? element->GetText() : nullptr;
    return text ? text : "";
}

const TiXmlElement* Child(const TiXmlNode* parent, const char* name)
{
    return parent ? parent->FirstChildElement(name) : nullptr;
}

void ReadContents(const TiXmlElement* root, nG_Guide& out)
{
    const TiXmlElement* toc = Child(root, "toc");
    out.title = TextOf(Child(toc, "h2"));
    for (const TiXmlElement* li = Child(Child(toc, "ul"), "li"); li; li = li->NextSiblingElement("li"))
        out.contents.push_back(nG_GuideTocEntry{TextOf(li), nG_StrategyGuide::kNoPage});
}

nG_GuidePage ReadPage(const TiXmlElement* element, const std::string& title)
{
    nG_GuidePage page;
    page.title = title;
    for (const TiXmlElement* ul = Child(element, "ul"); ul; ul = ul->NextSiblingElement("ul"))
        for (const TiXmlElement* li = Child(ul, "li"); li; li = li->NextSiblingElement("li"))
            page.text += "- " + TextOf(li) + "\n";
    for (const TiXmlElement* img = Child(element, "img"); img; img = img->NextSiblingElement("img"))
    {
        const char* src = img->Attribute("src");
        int position = 0;
        if (nE_XmlReadInt(img, "position", position) == nE_XmlNumber::Bad)
        {
            const std::string file = img->GetDocument() ? img->GetDocument()->ValueStr() : std::string();
            nE_WarnOnce("guidenumber:" + file, "Warning: strategy guide \"" + file + "\": " +
                                                   nE_XmlBadNumber(img, "position") + "; it reads as 0");
        }
        page.images.push_back(nG_GuideImage{src ? src : "", position});
    }
    return page;
}

void ReadChapters(const TiXmlElement* root, nG_Guide& out)
{
    for (const TiXmlElement* chapter = Child(Child(root, "guide"), "chapter"); chapter;
         chapter = chapter->NextSiblingElement("chapter"))
    {
        const std::string title = TextOf(Child(chapter, "h2"));
        for (nG_GuideTocEntry& entry : out.contents)
            if (entry.text == title) entry.page = static_cast<int>(out.pages.size());
        for (const TiXmlElement* page = Child(chapter, "page"); page; page = page->NextSiblingElement("page"))
            out.pages.push_back(ReadPage(page, title));
    }
}

// `place` is where a malformed text went wrong.
bool Finish(nE_XmlResult result, const TiXmlDocument& doc, const nE_XmlPlace& place,
            const std::string& source, nG_Guide& out)
{
    out = nG_Guide();
    if (result == nE_XmlResult::Ok)
    {
        nG_ReadGuide(doc, out);
        // Without contents nothing leads to a page and every turn is ignored.
        if (!Child(doc.RootElement(), "toc"))
            nE_LogFmt("Error: strategy guide \"%s\" has no \"toc\" element; it shows no contents.", source);
        return true;
    }
    if (result == nE_XmlResult::Missing)
        nE_LogFmt("Error: strategy guide \"%s\" could not be read.", source);
    else if (result == nE_XmlResult::Malformed)
    {
        char line[512];
        std::snprintf(line, sizeof line, "Error: strategy guide \"%s\" is not well-formed: %s, line %d, pos %d",
                      source.c_str(), doc.ErrorDesc() ? doc.ErrorDesc() : "", place.row, place.col);
        nE_Log(line);
    }
    return false;
}

// The decimal number that follows the prefix in a button's name; -1 when
// there is none or it is not below count.
int NumberAfter(const std::string& name, const char* prefix, size_t count)
{
    const size_t length = std::strlen(prefix);
    if (name.compare(0, length, prefix) != 0 || name.size() == length || name.size() > length + 9) return -1;
    size_t n = 0;
    for (size_t i = length; i < name.size(); ++i)
    {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + size_t(name[i] - '0');
    }
    return n < count ? static_cast<int>(n) : -1;
}

std::string SlotName(const char* prefix, size_t index)
{
    return prefix + std::to_string(index);
}

nE_Object* AddNode(nE_Object* parent, const std::string& name, float z)
{
    auto node = std::make_unique<nE_Object>(name);
    node->SetZ(z);
    node->SetInput(false);
    return nG_Attach(parent, std::move(node));
}

nE_Text* RawText(nE_Object* parent, const std::string& name, const char* font, int size, const float* rgb,
                 float x, float y, float z)
{
    return nG_AddText(parent, name, font, size, rgb, x, y, z, true);
}

template <class T> T* As(const nE_ObjectHandle& handle)
{
    return static_cast<T*>(handle.Get());
}
} // namespace

void nG_ReadGuide(const TiXmlDocument& doc, nG_Guide& out)
{
    out = nG_Guide();
    const TiXmlElement* root = doc.RootElement();
    ReadContents(root, out);
    ReadChapters(root, out);
}

bool nG_ParseGuide(const std::string& text, nG_Guide& out)
{
    TiXmlDocument doc;
    nE_XmlPlace place;
    const nE_XmlResult result = nE_XmlParse(doc, text, "strategy guide", &place);
    return Finish(result, doc, place, "text", out);
}

bool nG_LoadGuide(const std::string& name, nG_Guide& out)
{
    TiXmlDocument doc;
    nE_XmlPlace place;
    const std::string path = nE_MakePath(name, ".xml");
    const nE_XmlResult result = nE_XmlLoadFile(doc, path, &place);
    return Finish(result, doc, place, path, out);
}

// ---- the screen ----

nG_StrategyGuide::nG_StrategyGuide()
{
    nG_StrategyGuide::SetDefaults();
    if (g_mediator)
        for (int id : kMessages)
            g_mediator->Subscribe(this, id);
}

nG_StrategyGuide::nG_StrategyGuide(const std::string& name) : nG_StrategyGuide()
{
    m_name = name;
}

nG_StrategyGuide::~nG_StrategyGuide()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_StrategyGuide::SetDefaults()
{
    m_pageAlpha = 1.0f;
    m_current = m_requested = kContents;
}

void nG_StrategyGuide::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    if (!sl.ReadString("res", m_resourceName) || !m_resourcesLoaded) return;
    ReleaseResources();
    LoadResources();
}

void nG_StrategyGuide::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    sl.WriteString("res", m_resourceName);
}

void nG_StrategyGuide::LoadResources()
{
    m_bigViewAlpha = 0.0f;
    m_bigViewShown = false;
    nG_LoadGuide(m_resourceName, m_guide);
    Build();
    m_current = Normalize(m_current);
    m_requested = Normalize(m_requested);
    ShowPage();
    ApplyAlphas();
}

void nG_StrategyGuide::ReleaseResources()
{
    for (nE_ObjectHandle* view : {&m_header, &m_pageNumber, &m_contentsNode, &m_pageNode, &m_bigView})
        delete view->Get();
    for (nE_ObjectHandle* view : {&m_header, &m_pageNumber, &m_pageNode, &m_description, &m_contentsNode,
                                  &m_bigView, &m_bigViewImage})
        *view = nE_ObjectHandle();
    for (int i = 0; i < kSlots; ++i)
        m_imageButtons[i] = m_images[i] = nE_ObjectHandle();
}

// ---- building ----

void nG_StrategyGuide::Build()
{
    const float headerColour[3] = {0.290196f, 0.227451f, 0.121569f};
    if (nE_Text* header =
            RawText(this, "ng_strategy_guide_header", "assets/fonts/timesi", 26, headerColour, 250, 76, 10))
    {
        header->SetMaxWidth(160);
        m_header = header->GetHandle();
    }
    const float numberColour[3] = {0.917647f, 0.796078f, 0.403922f};
    if (nE_Text* number =
            RawText(this, "ng_strategy_guide_pagenum", "assets/fonts/times", 30, numberColour, 522, 632, 10))
    {
        number->SetAlign(1);
        m_pageNumber = number->GetHandle();
    }
    BuildPage();
    BuildContents();
    BuildBigView();
}

void nG_StrategyGuide::BuildPage()
{
    nE_Object* page = AddNode(this, "ng_strategy_guide_page", 1);
    if (!page) return;
    m_pageNode = page->GetHandle();
    const float black[3] = {0, 0, 0};
    if (nE_Text* description =
            RawText(page, "ng_strategy_guide_descr", "assets/fonts/timesi", 17, black, 109, 100, 9))
    {
        description->SetAlign(0);
        m_description = description->GetHandle();
    }
    for (size_t i = 0; i < kSlots; ++i)
    {
        auto owned = std::make_unique<nG_InterfButton>(SlotName(kImageButton, i));
        nG_InterfButton* button = owned.get();
        nG_BuildButton(button, "", "", "", 4, "", "", 0, nullptr, nullptr, nullptr, nullptr, false);
        button->SetInputRect(nE_Rect(-86, -65, 172, 130));
        button->pressId = nG_ButtonMsg<NG_MSG_GUIDE_IMAGE_BUTTON>();
        button->SetPos(kSlotX[i], kSlotY[i]);
        button->SetZ(10);
        m_imageButtons[i] = nE_ObjectHandle(nG_Attach(page, std::move(owned)));
        if (nE_Sprite* image = nG_AddSprite(page, SlotName("ng_strategy_guide_image_", i), "", 9))
        {
            image->SetScale(0.2687f, 0.2687f);
            image->SetPos(kSlotX[i], kSlotY[i]);
            m_images[i] = image->GetHandle();
        }
    }
}

void nG_StrategyGuide::BuildContents()
{
    nE_Object* contents = AddNode(this, "ng_strategy_guide_toc", 6);
    if (!contents) return;
    m_contentsNode = contents->GetHandle();
    const float colour[3] = {0.435294f, 0.121569f, 0.0f};
    const float captionAt[3] = {25, 0, 0};
    for (size_t i = 0; i < m_guide.contents.size(); ++i)
    {
        auto owned = std::make_unique<nG_InterfButton>(SlotName(kContentsButton, i));
        nG_InterfButton* button = owned.get();
        nG_BuildButton(button, "", "assets/levels/menu/strguide/layers/light", "", 4, m_guide.contents[i].text,
                       "assets/fonts/times", 22, captionAt, colour, nullptr, nullptr, true);
        button->SetInputRect(nE_Rect(-200, -19, 400, 38));
        button->pressId = nG_ButtonMsg<NG_MSG_GUIDE_BUTTON>();
        button->SetPos(492, 167 + 39.0f * static_cast<float>(i));
        button->SetZ(5);
        nG_Attach(contents, std::move(owned));
    }
}

void nG_StrategyGuide::BuildBigView()
{
    auto bigView = std::make_unique<nE_Object>("ng_strategy_guide_big_view");
    bigView->SetZ(999999);
    bigView->SetInputRect(nE_Rect(-171, 0, 1366, 768));
    bigView->SetVisible(false);
    bigView->SetInput(false);
    nE_Object* view = nG_Attach(this, std::move(bigView));
    if (!view) return;
    m_bigView = view->GetHandle();
    if (nE_Sprite* black = nG_AddSprite(view, "ng_strategy_guide_big_view_black", "assets/interface/main/black", 0))
    {
        black->SetPos(512, 384);
        black->SetScale(683, 384);
        black->SetAlpha(0.6f);
    }
    // The picture and its frame keep their input: a click on them does not close the view.
    nE_Sprite* image = nG_AddSprite(view, "ng_strategy_guide_big_view_im", "", 1);
    nE_Sprite* frame = nG_AddSprite(view, "ng_strategy_guide_big_view_frame", "", 2);
    for (nE_Sprite* sprite : {image, frame})
    {
        if (!sprite) continue;
        sprite->SetInput(true);
        sprite->SetPos(512, 384);
    }
    if (image) m_bigViewImage = image->GetHandle();
}

// ---- pages ----

int nG_StrategyGuide::Normalize(int page) const
{
    return page == kContents || (page >= 0 && page <= LastPage()) ? page : kNoPage;
}

const nG_GuidePage* nG_StrategyGuide::PageAt(int page) const
{
    return page >= 0 && page <= LastPage() ? &m_guide.pages[size_t(page)] : nullptr;
}

void nG_StrategyGuide::SetNodeInput(bool contents, bool page)
{
    if (nE_Object* node = m_contentsNode.Get()) node->SetInput(contents);
    if (nE_Object* node = m_pageNode.Get()) node->SetInput(page);
}

void nG_StrategyGuide::ShowPage()
{
    SetNodeInput(m_current == kContents, m_current != kContents);
    const nG_GuidePage* page = PageAt(m_current);
    std::string header, number;
    if (m_current == kContents)
        header = m_guide.title;
    else if (page)
    {
        header = page->title;
        number = std::to_string(m_current + 1);
    }
    if (nE_Text* text = As<nE_Text>(m_header)) text->SetText(header);
    if (nE_Text* text = As<nE_Text>(m_pageNumber)) text->SetText(number);
    if (m_current != kContents) ShowPageContent(page);
}

// Page -2 (or any number that is no page) shows an empty page.
void nG_StrategyGuide::ShowPageContent(const nG_GuidePage* page)
{
    bool left = false, right = false; // any image in slots 1, 3, 5 / 0, 2, 4
    for (int i = 0; i < kSlots; ++i)
    {
        if (nE_Object* button = m_imageButtons[i].Get())
        {
            button->SetVisible(false);
            button->SetInput(false);
        }
        if (nE_Sprite* image = As<nE_Sprite>(m_images[i])) image->SetResourceName("");
    }
    const std::string folder = nE_PathDirectory(m_resourceName) + "screens/";
    for (const nG_GuideImage& image : page ? page->images : std::vector<nG_GuideImage>())
    {
        if (image.position < 0 || image.position >= kSlots) continue;
        (image.position % 2 ? left : right) = true;
        if (nE_Sprite* sprite = As<nE_Sprite>(m_images[image.position]))
            sprite->SetResourceName(folder + image.source);
        if (nE_Object* button = m_imageButtons[image.position].Get())
        {
            button->SetVisible(true);
            button->SetInput(true);
        }
    }
    nE_Text* description = As<nE_Text>(m_description);
    if (!description) return;
    description->SetFontSize(17);
    description->SetMaxWidth(left ? 470 : right ? 650 : 810);
    description->SetText(page ? page->text : std::string());
    description->SetPos(100, 185 + description->GetLocalRect().h / 2);
}

// ---- per frame ----

void nG_StrategyGuide::Update(const nE_TimeStep* step)
{
    const float dt = step ? step->step : 0.0f;
    UpdateBigView(dt);
    UpdatePageTurn(dt);
    ApplyAlphas();
}

void nG_StrategyGuide::UpdateBigView(float dt)
{
    nE_Object* view = m_bigView.Get();
    if (m_bigViewShown)
        m_bigViewAlpha = std::min(1.0f, m_bigViewAlpha + kFadeRate * dt);
    else if (m_bigViewAlpha > 0.0f)
    {
        m_bigViewAlpha = std::max(0.0f, m_bigViewAlpha - kFadeRate * dt);
        if (m_bigViewAlpha == 0.0f && view)
        {
            view->SetVisible(false);
            view->SetInput(false);
        }
    }
    if (view) view->SetAlpha(m_bigViewAlpha);
}

void nG_StrategyGuide::UpdatePageTurn(float dt)
{
    if (m_pageAlpha >= 1.0f && m_current == m_requested) return;
    SetNodeInput(false, false);
    if (m_current != m_requested)
    {
        m_pageAlpha = std::max(0.0f, m_pageAlpha - kFadeRate * dt);
        if (m_pageAlpha > 0.0f) return;
        m_current = m_requested;
        ShowPage();
        SetNodeInput(false, false); // until the page has faded in
        return;
    }
    m_pageAlpha = std::min(1.0f, m_pageAlpha + kFadeRate * dt);
    if (m_pageAlpha == 1.0f) SetNodeInput(m_current == kContents, m_current != kContents);
}

void nG_StrategyGuide::ApplyAlphas()
{
    // Turning inside one chapter keeps the header; anything else fades it with the page.
    const nG_GuidePage* current = PageAt(m_current);
    const nG_GuidePage* requested = PageAt(m_requested);
    const bool steady = m_current == m_requested || (current && requested && current->title == requested->title);
    if (nE_Object* header = m_header.Get()) header->SetAlpha(steady ? 1.0f : m_pageAlpha);
    const bool contents = m_current == kContents;
    if (nE_Object* node = m_contentsNode.Get()) node->SetAlpha(contents ? m_pageAlpha : 0.0f);
    if (nE_Object* node = m_pageNode.Get()) node->SetAlpha(contents ? 0.0f : m_pageAlpha);
}

bool nG_StrategyGuide::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState&)
{
    if (!event || event->kind != NE_INPUT_MOUSEDOWN || !found || found != m_bigView.Get()) return false;
    if (!m_bigViewShown || m_bigViewAlpha < 1.0f) return false;
    m_bigViewShown = false;
    return true;
}

// ---- messages ----

void nG_StrategyGuide::PressContents(const std::string& button)
{
    const int n = NumberAfter(button, kContentsButton, m_guide.contents.size());
    if (n < 0) return;
    m_requested = Normalize(m_guide.contents[size_t(n)].page);
    nG_SelectCursor(1);
    if (nE_Object* node = m_contentsNode.Get()) node->SetInput(false);
}

void nG_StrategyGuide::PressImage(const std::string& button)
{
    const int n = NumberAfter(button, kImageButton, kSlots);
    nE_Object* view = m_bigView.Get();
    if (n < 0 || !view) return;
    m_bigViewShown = true;
    view->SetInput(true);
    view->SetVisible(true);
    nE_Object* image = m_images[n].Get();
    if (nE_Object* big = m_bigViewImage.Get()) big->SetResourceName(image ? image->GetResourceName() : "");
}

void nG_StrategyGuide::OnMessage(int id, void* record)
{
    if (m_guide.contents.empty()) return;
    switch (id)
    {
    case NG_MSG_GUIDE_TOC:
        m_requested = kContents;
        break;
    case NG_MSG_GUIDE_NEXT:
        m_requested = m_current == kNoPage || m_current == LastPage() ? kContents : m_current + 1;
        break;
    case NG_MSG_GUIDE_PREV:
        m_requested = m_current == kNoPage ? kContents : m_current == kContents ? LastPage() : m_current - 1;
        break;
    case NG_MSG_GUIDE_BUTTON:
        if (auto* msg = nE_MsgAs<NG_MSG_GUIDE_BUTTON>(id, record)) PressContents(msg->value);
        break;
    case NG_MSG_GUIDE_IMAGE_BUTTON:
        if (auto* msg = nE_MsgAs<NG_MSG_GUIDE_IMAGE_BUTTON>(id, record)) PressImage(msg->value);
        break;
    case NG_MSG_GUIDE_SET_PAGE:
        if (!record) break;
        m_current = m_requested = Normalize(nE_MsgAs<NG_MSG_GUIDE_SET_PAGE>(id, record)->value);
        ShowPage();
        break;
    case NG_MSG_GUIDE_GET_PAGE:
        if (auto* msg = nE_MsgAs<NG_MSG_GUIDE_GET_PAGE>(id, record)) msg->value = m_requested;
        break;
    default:
        break;
    }
}

void nG_RegisterStrategyGuideType()
{
    nE_RegisterObjectType("str_guide", nG_StrategyGuide::Create);
}
