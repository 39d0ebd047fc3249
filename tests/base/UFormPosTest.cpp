#include "UFormPos.h"

#include "../vcl/VclTestSupport.h"
#include "TestHarness.h"
#include "URegSafe.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

struct ScratchKey {
    std::wstring Path = L"Software\\VorlaneTests\\" + testing_support::UniqueName(L"FormPos");
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, Path.c_str()); }
    int Read(const std::wstring& Name) { return RegReadInt(HKEY_CURRENT_USER, Path, Name, -12345); }
};

class TPosForm : public TForm {
public:
    VORLANE_CLASS_NAME(TPosForm)
    explicit TPosForm(TComponent* AOwner, TFormBorderStyle Style = bsSizeable) : TForm(AOwner) {
        SetBorderStyle(Style);
        SetBounds(10, 10, 320, 240);
    }
};

RECT NormalRect(TCustomForm& F) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    GetWindowPlacement(F.Handle(), &wp);
    return wp.rcNormalPosition;
}

} // namespace

TEST(FormPos, RoundTripOfANormalWindow) {
    Watchdog w(15000);
    ScratchKey key;
    {
        TPosForm f(nullptr);
        f.Show();
        f.SetBounds(120, 90, 400, 300);
        Reg_SaveFormPos(key.Path, L"Main", &f);
    }
    EXPECT_EQ(key.Read(L"Main_Left"), 120);
    EXPECT_EQ(key.Read(L"Main_Top"), 90);
    EXPECT_EQ(key.Read(L"Main_Width"), 400);
    EXPECT_EQ(key.Read(L"Main_Height"), 300);
    EXPECT_EQ(key.Read(L"Main_Maximized"), 0);
    TPosForm g(nullptr);
    EXPECT_TRUE(Reg_RestoreFormPos(key.Path, L"Main", &g));
    g.Show();
    EXPECT_EQ(g.Left(), 120);
    EXPECT_EQ(g.Top(), 90);
    EXPECT_EQ(g.Width(), 400);
    EXPECT_EQ(g.Height(), 300);
}

TEST(FormPos, MinimisedSavesTheNormalRectangle) {
    Watchdog w(15000);
    ScratchKey key;
    TPosForm f(nullptr);
    f.Show();
    f.SetBounds(150, 110, 420, 310);
    ShowWindow(f.Handle(), SW_MINIMIZE);
    PumpFor(50);
    ASSERT_TRUE(IsIconic(f.Handle()));
    Reg_SaveFormPos(key.Path, L"Min", &f);
    EXPECT_EQ(key.Read(L"Min_Left"), 150);
    EXPECT_EQ(key.Read(L"Min_Top"), 110);
    EXPECT_EQ(key.Read(L"Min_Width"), 420);
    EXPECT_EQ(key.Read(L"Min_Height"), 310);
    EXPECT_EQ(key.Read(L"Min_Maximized"), 0);
}

TEST(FormPos, MaximisedKeepsThePreviousNormalPositionAndComesBackMaximised) {
    Watchdog w(15000);
    ScratchKey key;
    {
        TPosForm f(nullptr);
        f.Show();
        f.SetBounds(60, 70, 380, 260);
        Reg_SaveFormPos(key.Path, L"Max", &f);
        f.SetWindowState(wsMaximized);
        PumpFor(50);
        ASSERT_TRUE(IsZoomed(f.Handle()));
        Reg_SaveFormPos(key.Path, L"Max", &f);
    }
    EXPECT_EQ(key.Read(L"Max_Maximized"), 1);
    EXPECT_EQ(key.Read(L"Max_Left"), 60);
    EXPECT_EQ(key.Read(L"Max_Width"), 380);
    TPosForm g(nullptr);
    g.Show();
    Reg_RestoreFormPos(key.Path, L"Max", &g);
    PumpFor(50);
    EXPECT_TRUE(IsZoomed(g.Handle()));
    EXPECT_EQ(g.WindowState(), wsMaximized);
    const RECT n = NormalRect(g);
    EXPECT_EQ(n.right - n.left, 380);
    EXPECT_EQ(n.bottom - n.top, 260);
}

TEST(FormPos, OffScreenOrMissingPositionIsCentredOnTheWorkArea) {
    Watchdog w(15000);
    ScratchKey key;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int workW = work.right - work.left, workH = work.bottom - work.top;

    RegWriteInt(HKEY_CURRENT_USER, key.Path, L"Off_Left", work.right - 40); // only 40 pixels would show
    RegWriteInt(HKEY_CURRENT_USER, key.Path, L"Off_Top", 100);
    RegWriteInt(HKEY_CURRENT_USER, key.Path, L"Off_Width", 300);
    RegWriteInt(HKEY_CURRENT_USER, key.Path, L"Off_Height", 200);
    TPosForm f(nullptr);
    Reg_RestoreFormPos(key.Path, L"Off", &f);
    EXPECT_EQ(f.Left(), work.left + (workW - 300) / 2);
    EXPECT_EQ(f.Top(), work.top + (workH - 200) / 2);
    EXPECT_EQ(f.Width(), 300);

    // Nothing saved: centred at the designed size; a dialog keeps its size.
    TPosForm g(nullptr, bsDialog);
    Reg_RestoreFormPos(key.Path, L"Nothing", &g);
    EXPECT_EQ(g.Width(), 320);
    EXPECT_EQ(g.Left(), work.left + (workW - 320) / 2);
    EXPECT_EQ(g.Top(), work.top + (workH - 240) / 2);
}
