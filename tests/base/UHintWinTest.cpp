#include "UHintWin.h"

#include "../vcl/VclTestSupport.h"
#include "TntStdCtrls.h"
#include "UGradient.h"
#include "UUtilsW.h"
#include "UVistaFix.h"

#include <gtest/gtest.h>

TEST(WindowHelpers, ExceptionForwarderShowsAtMostOneBox) {
    int boxes = 0;
    auto previous = SetUserMessageHandler([&](int, const std::wstring&, const std::wstring&, int) {
        ++boxes;
        return true;
    });
    const int before = ForwardedExceptionBoxes();
    ForwardShowException(L"QXSuperTip > Exception Caught - TSHintWin.Hide");
    ForwardShowException(L"QXSuperTip > Exception Caught - TSHintWin.Timer_Timer()");
    ForwardShowException(L"QXSuperTip > Exception Caught - TSHintWin.Hide");
    EXPECT_LE(boxes, 1);
    EXPECT_LE(ForwardedExceptionBoxes() - before, 1);
    std::vector<std::wstring> shown;
    auto old = SetExceptionDisplay([&](const std::wstring& t) { shown.push_back(t); });
    ForwardShowException(L"X > Exception Caught - Y.Z");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], L"X > Exception Caught - Y.Z");
    SetExceptionDisplay(old);
    SetUserMessageHandler(previous);
}

TEST(WindowHelpers, MonitorsIncludeTheirEdges) {
    ASSERT_GE(HintMonitorCount(), 1);
    const RECT r = HintMonitorRect(0);
    EXPECT_EQ(MonitorIndexOfPoint(POINT{r.right, r.top + 1}), 0);
    EXPECT_TRUE(PointInMonitor(POINT{r.left, r.bottom}, 0));
    EXPECT_EQ(MonitorIndexOfPoint(POINT{-100000, -100000}), -1);
    EXPECT_FALSE(PointInMonitor(POINT{0, 0}, 99));
}

TEST(WindowHelpers, GradientRampAndShapes) {
    const TColorRamp ramp = MakeColorRamp(clBlack, clWhite);
    EXPECT_EQ(ramp[255].R, 255);
    EXPECT_EQ(ramp[255].B, 255);
    EXPECT_EQ(ramp[128].G, 0x80);
    EXPECT_EQ(ramp[0].R, 0);
    // Descending channels truncate toward zero.
    const TColorRamp down = MakeColorRamp(static_cast<TColor>(0x0000FF), clBlack);
    EXPECT_EQ(down[1].R, 254);

    TBitmap bmp;
    DrawGradient(&bmp, clBlack, clWhite, 11);
    EXPECT_EQ(bmp.Width(), 256);
    EXPECT_EQ(bmp.Height(), 1);
    EXPECT_EQ(bmp.ScanLine(0)[128 * 3], 0x80);
    DrawGradient(&bmp, clBlack, clWhite, 13);
    EXPECT_EQ(bmp.Height(), 512);
    EXPECT_EQ(bmp.ScanLine(0)[0], 255);
    EXPECT_EQ(bmp.ScanLine(511)[0], 255);
    EXPECT_EQ(bmp.ScanLine(255)[0], 0);
    DrawGradient(&bmp, clBlack, clWhite, 99); // unknown style: size untouched
    EXPECT_EQ(bmp.Height(), 512);
}

TEST(WindowHelpers, StartupObjectsAndAtoms) {
    // Global atoms outlive their process: one of an ended process that had this process's
    // id (ids come round again while the tests run) would still be found after the free.
    FreeWindowHelpers();
    for (int i = 0; i < 100 && GlobalFindAtomW(HookAtomName(false).c_str()); ++i)
        GlobalDeleteAtom(GlobalFindAtomW(HookAtomName(false).c_str()));
    ASSERT_EQ(GlobalFindAtomW(HookAtomName(false).c_str()), 0);
    InitWindowHelpers();
    EXPECT_NE(GlobalFindAtomW(HookAtomName(false).c_str()), 0);
    EXPECT_NE(GlobalFindAtomW(HookAtomName(true).c_str()), 0);
    ASSERT_NE(SharedGradient(0), nullptr);
    EXPECT_EQ(SharedGradient(0)->Width(), 256);
    FreeWindowHelpers();
    EXPECT_EQ(GlobalFindAtomW(HookAtomName(false).c_str()), 0);
    EXPECT_EQ(SharedGradient(1), nullptr);
}

TEST(WindowHelpers, VistaRepaintFixPicksButtonsAndCheckBoxes) {
    vcltest::Watchdog w(10000);
    TForm form(nullptr);
    for (int i = 0; i < 2; ++i) {
        auto* b = new TTntButton(&form);
        b->SetParent(&form);
    }
    auto* c = new TTntCheckBox(&form);
    c->SetParent(&form);
    auto* e = new TTntEdit(&form);
    e->SetParent(&form);
    form.Show();
    FixVistaTabAltPaint(&form, VK_TAB);
    EXPECT_EQ(LastVistaFixCount(), 3);
    FixVistaTabAltPaint(&form, 'A');
    EXPECT_EQ(LastVistaFixCount(), 0);
    FixVistaAltPaint(&form, VK_MENU);
    EXPECT_EQ(LastVistaFixCount(), 4);
    FixVistaAltPaint(&form, VK_TAB);
    EXPECT_EQ(LastVistaFixCount(), 0);
}
