#include "ShellTestSupport.h"

#include "ComObj.h"
#include "UPTShellContextMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

using namespace shelltest;

namespace {

using TPlainMenu = TFakeContextMenu<IContextMenu>;
using TMenu2 = TFakeContextMenu<IContextMenu2>;
using TMenu3 = TFakeContextMenu<IContextMenu3>;

} // namespace

TEST(ShellContextMenu, AVerbRunsItsCommandByCanonicalNameAndAMissingVerbRunsNothing) {
    auto menu = MakeComObject<TPlainMenu>();
    menu->Commands = {{L"open", 0, true}, {L"Copy", 7}, {L"delete", 12}, {L"rename", 18, false, true}};
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_TRUE(PTRunVerb(menu.Get(), owner, L"copy", false, false));
    EXPECT_EQ(menu->LastFlags, static_cast<UINT>(CMF_EXPLORE | CMF_EXTENDEDVERBS));
    ASSERT_EQ(menu->Invoked.size(), 1u);
    EXPECT_EQ(menu->Invoked[0].Offset, 7u);
    EXPECT_EQ(menu->Invoked[0].Owner, owner);
    EXPECT_EQ(menu->Invoked[0].Show, SW_SHOWNORMAL);
    EXPECT_EQ(menu->Invoked[0].Size, 36u);
    EXPECT_EQ(menu->Invoked[0].Mask, 0u);

    EXPECT_TRUE(PTRunVerb(menu.Get(), owner, L"DELETE", true, true));
    EXPECT_EQ(menu->Invoked.back().Offset, 12u);
    EXPECT_EQ(menu->Invoked.back().Mask, static_cast<DWORD>(CMIC_MASK_SHIFT_DOWN | CMIC_MASK_CONTROL_DOWN));
    EXPECT_TRUE(PTRunVerb(menu.Get(), owner, L"rename", false, true)); // found in a submenu
    EXPECT_EQ(menu->Invoked.back().Offset, 18u);
    EXPECT_EQ(menu->Invoked.back().Mask, static_cast<DWORD>(CMIC_MASK_CONTROL_DOWN));

    // No "paste" in this menu: nothing at all is run (not the menu's first command).
    const size_t before = menu->Invoked.size();
    EXPECT_FALSE(PTRunVerb(menu.Get(), owner, L"paste", false, false));
    EXPECT_FALSE(PTRunVerb(menu.Get(), owner, L"", false, false));
    EXPECT_FALSE(PTRunVerb(nullptr, owner, L"copy", false, false));
    EXPECT_EQ(menu->Invoked.size(), before);

    EXPECT_EQ(PTCommandVerb(menu.Get(), 12), L"delete");
    EXPECT_EQ(PTCommandVerb(menu.Get(), 3), L"");
    EXPECT_EQ(PTCommandHelpText(menu.Get(), 7), L"Help for Copy");
}

TEST(ShellContextMenu, TheDefaultCommandRunsOnlyWhenTheMenuHasOne) {
    auto menu = MakeComObject<TPlainMenu>();
    menu->Commands = {{L"open", 0}, {L"edit", 3, true}};
    EXPECT_TRUE(PTRunDefaultCommand(menu.Get(), nullptr, false));
    EXPECT_EQ(menu->LastFlags, static_cast<UINT>(CMF_EXPLORE));
    ASSERT_EQ(menu->Invoked.size(), 1u);
    EXPECT_EQ(menu->Invoked[0].Offset, 3u);
    EXPECT_TRUE(PTRunDefaultCommand(menu.Get(), nullptr, true));
    EXPECT_EQ(menu->LastFlags, static_cast<UINT>(CMF_EXPLORE | CMF_EXTENDEDVERBS));
    EXPECT_EQ(menu->Invoked.back().Mask, static_cast<DWORD>(CMIC_MASK_SHIFT_DOWN));

    auto plain = MakeComObject<TPlainMenu>();
    plain->Commands = {{L"open", 0}};
    EXPECT_FALSE(PTRunDefaultCommand(plain.Get(), nullptr, false));
    EXPECT_TRUE(plain->Invoked.empty());
}

TEST(ShellContextMenu, MenuMessagesGoToTheNewestInterfaceTheMenuOffers) {
    EXPECT_TRUE(PTIsMenuObjectMessage(WM_DRAWITEM));
    EXPECT_TRUE(PTIsMenuObjectMessage(WM_MEASUREITEM));
    EXPECT_TRUE(PTIsMenuObjectMessage(WM_INITMENUPOPUP));
    EXPECT_TRUE(PTIsMenuObjectMessage(WM_MENUCHAR));
    EXPECT_TRUE(PTIsMenuObjectMessage(WM_MENUSELECT));
    EXPECT_FALSE(PTIsMenuObjectMessage(WM_COMMAND));

    LRESULT result = 0;
    auto m3 = MakeComObject<TMenu3>();
    EXPECT_TRUE(PTForwardMenuMessage(m3.Get(), WM_MENUCHAR, 0, 0, result));
    EXPECT_EQ(result, 77);
    EXPECT_EQ(m3->Handled, std::vector<UINT>{WM_MENUCHAR + 0x10000});

    auto m2 = MakeComObject<TMenu2>();
    EXPECT_TRUE(PTForwardMenuMessage(m2.Get(), WM_INITMENUPOPUP, 0, 0, result));
    EXPECT_EQ(m2->Handled, std::vector<UINT>{WM_INITMENUPOPUP});
    EXPECT_TRUE(PTForwardMenuMessage(m2.Get(), WM_DRAWITEM, 0, 0, result));
    EXPECT_EQ(result, TRUE);

    auto m1 = MakeComObject<TPlainMenu>();
    EXPECT_FALSE(PTForwardMenuMessage(m1.Get(), WM_DRAWITEM, 0, 0, result));
    EXPECT_TRUE(m1->Handled.empty());
    EXPECT_FALSE(PTForwardMenuMessage(nullptr, WM_DRAWITEM, 0, 0, result));
}
