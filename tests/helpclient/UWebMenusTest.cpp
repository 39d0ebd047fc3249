// The online library's choice menus on real wide popup menus: the native menus' items,
// their check marks, and choices arriving as command messages of the popup list.
#include "../vcl/VclTestSupport.h"

#include "Forms.h"
#include "TestHarness.h"
#include "TntMenus.h"
#include "UWebDataModule.h"
#include "UWebMenus.h"

#include <gtest/gtest.h>

using testing_support::TempDir;
using testing_support::WriteBytes;
using vcltest::Watchdog;

namespace {

struct TNativeItem {
    std::wstring Text;
    UINT Type = 0, State = 0;
};

TNativeItem NativeItem(HMENU Menu, int Position) {
    wchar_t buf[256] = {};
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    mii.dwTypeData = buf;
    mii.cch = 255;
    TNativeItem r;
    if (!GetMenuItemInfoW(Menu, static_cast<UINT>(Position), TRUE, &mii)) return r;
    r.Text = buf;
    r.Type = mii.fType;
    r.State = mii.fState;
    return r;
}

class WebMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        web.ProgramPath = dir.File(L"Vorlane.exe");
        web.OnRefreshPage = [this](int Code) { refreshes.push_back(Code); };
        WriteBytes(dir.File(L"Vorlane.ini"), "[style]\r\n&Dark=body{color:white}\r\nOne=x\r\nPlain=font-size:9pt\r\n");
    }

    TMenuItem* ItemOfTag(TWebPopupMenu& Menu, int Tag) {
        TMenuItem* items = Menu.Menu()->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (items->Items(i)->Tag == Tag) return items->Items(i);
        return nullptr;
    }
    // Checked items of the menu, as tags.
    std::vector<int> CheckedTags(TWebPopupMenu& Menu) {
        std::vector<int> r;
        TMenuItem* items = Menu.Menu()->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (items->Items(i)->Checked()) r.push_back(static_cast<int>(items->Items(i)->Tag));
        return r;
    }
    // The system's command message for a chosen item.
    void Choose(TMenuItem* Item) { SendMessageW(TntPopupList->Window(), WM_COMMAND, Item->Command(), 0); }

    Watchdog dog{20000, "online library menus"};
    TempDir dir;
    TWebPopupMenu webMenu{nullptr};
    TWebPopupMenu styleMenu{nullptr};
    TWebDataModule web{nullptr, &webMenu, &styleMenu};
    std::vector<int> refreshes;
};

} // namespace

TEST_F(WebMenusTest, MenusShowStylesSeparatorAndLocalesAsRadioGroups) {
    // A designed item goes when the menu is built.
    auto* designed = new TTntMenuItem(webMenu.Menu());
    designed->SetCaption(L"mnuMsdnLang");
    webMenu.Menu()->Items()->Add(designed);
    web.BuildMenus();

    TMenuItem* items = webMenu.Menu()->Items();
    ASSERT_EQ(items->Count(), 23);
    EXPECT_EQ(items->Find(L"mnuMsdnLang"), nullptr);
    HMENU h = webMenu.Menu()->GetHandle();
    ASSERT_EQ(GetMenuItemCount(h), 23);
    for (int i = 0; i < 23; ++i) {
        const TNativeItem n = NativeItem(h, i);
        const int tag = static_cast<int>(items->Items(i)->Tag);
        if (i == 8) {
            EXPECT_TRUE(n.Type & MFT_SEPARATOR);
            EXPECT_EQ(tag, 0);
            EXPECT_FALSE(items->Items(i)->RadioItem());
            continue;
        }
        EXPECT_TRUE(n.Type & MFT_RADIOCHECK) << i;
        EXPECT_EQ(items->Items(i)->GroupIndex(), i < 8 ? 1 : 2) << i;
        EXPECT_EQ((n.State & MFS_CHECKED) != 0, tag == WebStyleDefaultTag || tag == WebLocaleDefaultTag) << i;
    }
    EXPECT_EQ(NativeItem(h, 0).Text, L"classic\tClassic Library View");
    EXPECT_EQ(ItemOfTag(webMenu, 13)->Caption(), L"zh-cn\tChinese (People's Republic of China)");
    EXPECT_EQ(ItemOfTag(webMenu, 27)->Caption(), L"robot\tOptimized for search engines");

    // The options file's styles: the keys in file order, tags from 0, the first checked.
    TMenuItem* styles = styleMenu.Menu()->Items();
    ASSERT_EQ(styles->Count(), 3);
    EXPECT_EQ(styles->Items(0)->Caption(), L"&Dark");
    EXPECT_EQ(styles->Items(2)->Tag, 2);
    EXPECT_TRUE(styles->Items(0)->RadioItem());
    EXPECT_EQ(CheckedTags(styleMenu), (std::vector<int>{0}));

    // Building again replaces the items instead of adding to them.
    const int owned = webMenu.Menu()->ComponentCount();
    web.BuildMenus();
    EXPECT_EQ(items->Count(), 23);
    EXPECT_EQ(webMenu.Menu()->ComponentCount(), owned);
    EXPECT_EQ(styles->Count(), 3);
}

TEST_F(WebMenusTest, ChoicesArriveAsCommandsAndMoveTheCheckWithinTheirGroup) {
    web.BuildMenus();
    HMENU h = webMenu.Menu()->GetHandle();
    TMenuItem* japanese = ItemOfTag(webMenu, 8);
    ASSERT_NE(japanese, nullptr);
    Choose(japanese);
    EXPECT_EQ(web.LangTag, 8);
    EXPECT_EQ(web.GetLocaleCode(), L"ja-jp");
    EXPECT_EQ(refreshes, (std::vector<int>{2}));
    // The style keeps its check: the locales are a group of their own.
    EXPECT_EQ(CheckedTags(webMenu), (std::vector<int>{WebStyleDefaultTag, 8}));
    EXPECT_TRUE(NativeItem(h, japanese->MenuIndex()).State & MFS_CHECKED);
    EXPECT_FALSE(NativeItem(h, ItemOfTag(webMenu, WebLocaleDefaultTag)->MenuIndex()).State & MFS_CHECKED);

    Choose(ItemOfTag(webMenu, 22));
    EXPECT_EQ(web.GetStyleCode(), L"loband");
    EXPECT_EQ(refreshes, (std::vector<int>{2, 3}));
    EXPECT_EQ(CheckedTags(webMenu), (std::vector<int>{22, 8}));

    // The separator does nothing.
    Choose(webMenu.Menu()->Items()->Items(8));
    EXPECT_EQ(refreshes.size(), 2u);

    // A user style of the options file.
    Choose(styleMenu.Menu()->Items()->Items(2));
    EXPECT_EQ(web.StyleText, L";font-size:9pt;");
    EXPECT_EQ(web.StyleName, L"Plain");
    EXPECT_EQ(CheckedTags(styleMenu), (std::vector<int>{2}));
    EXPECT_EQ(refreshes, (std::vector<int>{2, 3, 1}));
}

TEST_F(WebMenusTest, ItemAccessOutsideTheMenuIsNeutral) {
    web.BuildMenus();
    TWebMenu& m = webMenu;
    EXPECT_EQ(m.Caption(-1), L"");
    EXPECT_EQ(m.Caption(23), L"");
    EXPECT_EQ(m.Tag(23), 0);
    EXPECT_FALSE(m.Checked(-1));
    m.Check(23);
    m.Click(-1);
    EXPECT_TRUE(refreshes.empty());
    // Click runs the item's own handler, as a chosen item does.
    m.Click(0);
    EXPECT_EQ(web.StyleTag, 20);
    EXPECT_TRUE(m.Checked(0));
}

TEST(WebDataModuleProgram, TheProgramsModuleBuildsItsWidePopupMenus) {
    Watchdog dog(20000, "program module");
    ASSERT_EQ(WebDataModule, nullptr);
    CreateWebDataModule();
    ASSERT_NE(WebDataModule, nullptr);
    auto* web = dynamic_cast<TWebPopupMenu*>(WebDataModule->webPopupMenu);
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->Owner(), WebDataModule);
    EXPECT_EQ(web->Menu()->Items()->Count(), 23);
    EXPECT_NE(dynamic_cast<TWebPopupMenu*>(WebDataModule->StylePopupMenu), nullptr);
    delete WebDataModule;
    EXPECT_EQ(WebDataModule, nullptr);
}
