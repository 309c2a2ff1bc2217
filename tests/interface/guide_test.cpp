#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_StrategyGuide.h"
#include "widget_fixture.h"

#include <fstream>
#include <tuple>

namespace
{
// Two chapters of 3 and 2 pages, and a contents entry that no chapter has.
const char* const kGuide = R"(<book>
 <toc><h2>Contents</h2><ul><li>One</li><li>Two</li><li>Lost</li></ul></toc>
 <guide>
  <chapter><h2>One</h2>
   <page><ul><li>a</li><li>b</li></ul><ul><li>c</li></ul><img src="s0" position="0"/><img src="s2" position="2"/></page>
   <page><img src="s3" position="3"/></page>
   <page/>
  </chapter>
  <chapter><h2>Two</h2><page><img src="x" position="6"/><img src="y" position="-1"/></page><page/></chapter>
 </guide>
</book>)";

struct GuideTest : WidgetFixture
{
    std::string dir;
    nG_StrategyGuide* guide = nullptr;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        dir = MakeScratch();
        std::ofstream(dir + "/guide.xml") << kGuide;
    }
    nG_StrategyGuide* Open(const std::string& res)
    {
        guide = new nG_StrategyGuide("guide");
        guide->SetResourceName(res);
        return Add(guide);
    }
    void Go(int id) { bus.Send(id, nullptr); }
    int GetPage() { return Send<nG_MsgInt>(NG_MSG_GUIDE_GET_PAGE).value; }
    void Turn() { Step(0.1f, 8); } // a whole page turn takes two thirds of a second
    nE_Object* Find(const std::string& name) { return guide->FindChild(name, true); }
    std::string Text(const std::string& name) { return TextOf(Find(name)); }
};

// A malformed text is named with where it went wrong, a guide without
// contents says so.
TEST_F(GuideTest, BrokenOrThinGuidesReadAsEmptyParts)
{
    const std::string malformed = "Error: strategy guide \"text\" is not well-formed: ";
    const std::string noToc = "Error: strategy guide \"text\" has no \"toc\" element";
    // Text; read, title, contents and pages, the first entry's page, and the log line.
    const std::tuple<const char*, bool, std::string, size_t, size_t, int, std::string> cases[] = {
        {"", false, "", 0, 0, 0, malformed + "Error document empty., line 1, pos 1"},
        {"<g><toc>", false, "", 0, 0, 0, malformed + "Error reading Element value., line 1, pos 9"},
        {"<g>\n<toc></g>", false, "", 0, 0, 0, malformed + "Error reading end tag., line 2, pos 6"},
        {"<g/>", true, "", 0, 0, 0, noToc},
        {"<g><toc><ul><li/></ul></toc></g>", true, "", 1, 0, -2, ""},
        {"<g><guide><chapter><page><img/></page></chapter></guide></g>", true, "", 0, 1, 0, noToc},
        {"<g><toc/><guide><chapter><page><img position=\"nan\"/></page></chapter></guide></g>", true, "", 0,
         1, 0,
         "Warning: strategy guide \"strategy guide\": \"position\" (line 1) is not a finite number "
         "(\"nan\"); it "
         "reads as 0"},
    };
    for (const auto& [text, ok, title, contents, pages, firstEntryPage, line] : cases)
    {
        logs.clear();
        nG_Guide read;
        read.title = "left over";
        EXPECT_EQ(ok, nG_ParseGuide(text, read)) << text;
        EXPECT_EQ(std::tuple(title, contents, pages),
                  std::tuple(read.title, read.contents.size(), read.pages.size()))
            << text;
        EXPECT_TRUE(read.contents.empty() || firstEntryPage == read.contents[0].page) << text;
        ASSERT_EQ(line.empty() ? 0u : 1u, logs.size()) << text;
        EXPECT_TRUE(line.empty() || logs[0].find(line) == 0) << logs[0];
    }
}

// Texts are taken as written: an entry leads to a chapter only by the exact
// title, and page lines keep their spaces and breaks.
TEST_F(GuideTest, TextsAreTakenAsWritten)
{
    // The contents entry, the chapter's title and the entry's page.
    const std::tuple<const char*, const char*, int> cases[] = {
        {"Chapter A", "Chapter A", 0},
        {"Chapter  A", "Chapter A", -2},
        {" Chapter A", "Chapter A", -2},
        {"Chapter\nA", "Chapter\nA", 0},
    };
    for (const auto& [entry, title, page] : cases)
    {
        nG_Guide read;
        ASSERT_TRUE(nG_ParseGuide(std::string("<g><toc><h2>\n Walk  through</h2><ul><li>") + entry +
                                      "</li></ul></toc><guide><chapter><h2>" + title +
                                      "</h2><page><ul><li>one\n  two</li></ul></page></chapter></guide></g>",
                                  read));
        EXPECT_EQ(page, read.contents.at(0).page) << entry;
        EXPECT_EQ("\n Walk  through", read.title);
        EXPECT_EQ("- one\n  two\n", read.pages.at(0).text);
    }
}

TEST_F(GuideTest, TurnsPagesAcrossChaptersAndBackToTheContents)
{
    Open(dir + "/guide");
    EXPECT_EQ("Contents", Text("ng_strategy_guide_header")); // shown once loaded
    // The message; the page after it, whether the header stays (a turn inside a chapter), header and number.
    const std::tuple<int, int, bool, std::string, std::string> turns[] = {
        {NG_MSG_GUIDE_NEXT, 0, false, "One", "1"}, {NG_MSG_GUIDE_NEXT, 1, true, "One", "2"},
        {NG_MSG_GUIDE_NEXT, 2, true, "One", "3"},  {NG_MSG_GUIDE_NEXT, 3, false, "Two", "4"},
        {NG_MSG_GUIDE_NEXT, 4, true, "Two", "5"},  {NG_MSG_GUIDE_NEXT, -1, false, "Contents", ""},
        {NG_MSG_GUIDE_PREV, 4, false, "Two", "5"}, {NG_MSG_GUIDE_TOC, -1, false, "Contents", ""},
        {NG_MSG_GUIDE_NEXT, 0, false, "One", "1"}, {NG_MSG_GUIDE_PREV, -1, false, "Contents", ""},
    };
    for (const auto& [message, page, steady, header, number] : turns)
    {
        const int from = guide->GetCurrentPage();
        Go(message);
        Step(0.1f); // mid-fade: the old page still shows, takes no clicks, and the query has the new one
        EXPECT_EQ(from, guide->GetCurrentPage());
        EXPECT_EQ(page, GetPage());
        EXPECT_FALSE(Find("ng_strategy_guide_toc")->IsInput() || Find("ng_strategy_guide_page")->IsInput());
        EXPECT_EQ(steady, Find("ng_strategy_guide_header")->GetAlpha() == 1.0f) << from << ">" << page;
        Step(0.1f, 7);
        EXPECT_EQ(std::tuple(page, header, number),
                  std::tuple(guide->GetCurrentPage(), Text("ng_strategy_guide_header"),
                             Text("ng_strategy_guide_pagenum")));
        EXPECT_EQ(page == -1, Find("ng_strategy_guide_toc")->IsInput());
        EXPECT_EQ(page != -1, Find("ng_strategy_guide_page")->IsInput());
    }
}

// Images set the description's width; the contents and image buttons act by
// their names, and a big view takes no click until fully shown.
TEST_F(GuideTest, ImagesAndButtonsByName)
{
    Open(dir + "/guide");
    for (auto [page, width, slots] : {std::tuple{0, 650, std::vector<int>{0, 2}},
                                      {1, 470, {3}},
                                      {2, 810, {}},
                                      {3, 810, {}}}) // 6 and -1 are no slots
    {
        SendInt(NG_MSG_GUIDE_SET_PAGE, page);
        EXPECT_EQ(width, static_cast<nE_Text*>(Find("ng_strategy_guide_descr"))->GetMaxWidth()) << page;
        std::vector<int> shown;
        for (int i = 0; i < nG_StrategyGuide::kSlots; ++i)
            if (Find("ng_strategy_guide_imagebtn_" + std::to_string(i))->IsVisible()) shown.push_back(i);
        EXPECT_EQ(slots, shown) << page;
    }
    Go(NG_MSG_GUIDE_TOC);
    Turn();
    auto* entry = dynamic_cast<nG_InterfButton*>(Find("ng_strategy_guide_btn_1"));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(4, entry->hoverCursor); // the hand, as on every other guide button
    for (const char* bad : {"ng_strategy_guide_btn_", "ng_strategy_guide_btn_3", "ng_strategy_guide_btn_-1",
                            "ng_strategy_guide_btn_99999999999"})
        SendString(NG_MSG_GUIDE_BUTTON, bad);
    EXPECT_EQ(-1, GetPage());
    SendString(NG_MSG_GUIDE_BUTTON, "ng_strategy_guide_btn_1");
    EXPECT_EQ(3, GetPage()); // the first page of chapter "Two"
    EXPECT_FALSE(Find("ng_strategy_guide_toc")->IsInput());
    Turn();

    SendInt(NG_MSG_GUIDE_SET_PAGE, 0);
    SendString(NG_MSG_GUIDE_IMAGE_BUTTON, "ng_strategy_guide_imagebtn_6");
    EXPECT_FALSE(guide->IsBigViewShown());
    SendString(NG_MSG_GUIDE_IMAGE_BUTTON, "ng_strategy_guide_imagebtn_2");
    ASSERT_TRUE(guide->IsBigViewShown());
    nE_Object* view = Find("ng_strategy_guide_big_view");
    EXPECT_TRUE(view->IsVisible() && view->IsInput());
    EXPECT_EQ(dir + "/screens/s2", Find("ng_strategy_guide_big_view_im")->GetResourceName());
    Step(0.1f);
    Input(NE_INPUT_MOUSEDOWN, 40, 40); // not yet fully shown: stays
    EXPECT_TRUE(guide->IsBigViewShown());
    Step(0.1f, 3);
    Input(NE_INPUT_MOUSEDOWN, 40, 40);
    EXPECT_FALSE(guide->IsBigViewShown());
    Step(0.1f, 4);
    EXPECT_EQ(0.0f, guide->GetBigViewAlpha());
    EXPECT_FALSE(view->IsVisible() || view->IsInput());
}

TEST_F(GuideTest, PagesThatCannotBeShownLeadBackToTheContents)
{
    Open(dir + "/guide");
    for (int page : {99, 5, -7, -2})
    {
        SendInt(NG_MSG_GUIDE_SET_PAGE, page);
        EXPECT_EQ(-2, guide->GetCurrentPage());
        EXPECT_EQ("", Text("ng_strategy_guide_header"));
        Go(NG_MSG_GUIDE_NEXT);
        EXPECT_EQ(-1, GetPage());
    }
    SendString(NG_MSG_GUIDE_BUTTON, "ng_strategy_guide_btn_2"); // "Lost" has no chapter
    Turn();
    EXPECT_EQ(-2, guide->GetCurrentPage());
    Go(NG_MSG_GUIDE_PREV);
    EXPECT_EQ(-1, GetPage());
}

// The guide is read once however often it is attached; without a guide file
// every message is ignored.
TEST_F(GuideTest, ReadsTheGuideOnceOrNotAtAll)
{
    Open(dir + "/guide");
    SendInt(NG_MSG_GUIDE_SET_PAGE, 4);
    for (int i = 0; i < 2; ++i)
    {
        g_scene->MoveObject(g_scene->GetStorage(), guide);
        EXPECT_EQ(nullptr, Find("ng_strategy_guide_pagenum"));
        g_scene->MoveObject(layer, guide);
    }
    EXPECT_EQ("- a\n- b\n- c\n", guide->GetGuide().pages.at(0).text);
    EXPECT_EQ(3, Find("ng_strategy_guide_toc")->GetChildCount()); // one set of contents lines
    EXPECT_EQ(5, guide->GetChildCount()); // and of header, page number, page, contents, big view
    EXPECT_EQ("5", Text("ng_strategy_guide_pagenum"));
    delete guide;

    Open(dir + "/missing");
    ASSERT_EQ(1u, logs.size());
    EXPECT_EQ(0u, logs[0].find("Error: strategy guide"));
    SendInt(NG_MSG_GUIDE_SET_PAGE, 2);
    EXPECT_EQ(0, GetPage()); // nobody answers
    EXPECT_EQ(-1, guide->GetCurrentPage());
}
} // namespace
