#pragma once
// The strategy guide ("str_guide"): a book-like screen showing a walkthrough
// read from an XML guide file (its "res" + ".xml"): a contents page, chapters
// of pages with bullet texts and up to six screenshots each, page turning
// with a fade, and an enlarged view of a clicked screenshot. It builds its
// display when its resources load and removes it when they are released.
// Scripts and its own buttons drive it through bus messages.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>
#include <vector>

class TiXmlDocument;

struct nG_GuideTocEntry
{
    std::string text;
    int page = -2; // the first page of the chapter of that title; -2 when none has it
};

struct nG_GuideImage
{
    std::string source; // "screens/" + source beside the guide file
    int position = 0;   // slot 0..5; others are not shown
};

struct nG_GuidePage
{
    std::string title; // the chapter's
    std::string text;  // "- " + item + "\n" per item
    std::vector<nG_GuideImage> images;
};

struct nG_Guide
{
    std::string title; // of the contents page
    std::vector<nG_GuideTocEntry> contents;
    std::vector<nG_GuidePage> pages;
};

// Each starts from an empty guide; missing parts read as empty. The file
// and text forms answer false (with a log line) when there is nothing to read.
void nG_ReadGuide(const TiXmlDocument& doc, nG_Guide& out);
bool nG_ParseGuide(const std::string& text, nG_Guide& out);
bool nG_LoadGuide(const std::string& name, nG_Guide& out);

class nG_StrategyGuide : public nE_Object, public nE_Listener
{
public:
    static const int kSlots = 6;
    // Page numbers besides 0..: the contents, and a page that cannot be shown.
    static const int kContents = -1, kNoPage = -2;

    nG_StrategyGuide();
    explicit nG_StrategyGuide(const std::string& name);
    ~nG_StrategyGuide() override;
    static nE_Object* Create() { return new nG_StrategyGuide(); }

    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "str_guide"; }
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    const nG_Guide& GetGuide() const { return m_guide; }
    int GetCurrentPage() const { return m_current; }
    int GetRequestedPage() const { return m_requested; }
    float GetPageAlpha() const { return m_pageAlpha; }
    bool IsBigViewShown() const { return m_bigViewShown; }
    float GetBigViewAlpha() const { return m_bigViewAlpha; }

private:
    void Build();
    void BuildPage();
    void BuildContents();
    void BuildBigView();
    void ShowPage();
    void ShowPageContent(const nG_GuidePage* page);
    // -1 and the page numbers stand; anything else is a page that cannot be shown.
    int Normalize(int page) const;
    int LastPage() const { return static_cast<int>(m_guide.pages.size()) - 1; }
    const nG_GuidePage* PageAt(int page) const;
    void SetNodeInput(bool contents, bool page);
    void ApplyAlphas();
    void UpdateBigView(float dt);
    void UpdatePageTurn(float dt);
    void PressContents(const std::string& button);
    void PressImage(const std::string& button);

    nG_Guide m_guide;
    int m_current = kContents;
    int m_requested = kContents;
    float m_pageAlpha = 1.0f;
    float m_bigViewAlpha = 0.0f;
    bool m_bigViewShown = false;

    nE_ObjectHandle m_header, m_pageNumber, m_pageNode, m_description, m_contentsNode;
    nE_ObjectHandle m_imageButtons[kSlots], m_images[kSlots];
    nE_ObjectHandle m_bigView, m_bigViewImage;
};

// Registers the "str_guide" object kind.
void nG_RegisterStrategyGuideType();
