#include "app/main_window.h"

#include <gtest/gtest.h>

namespace {

TEST(MainWindow, OpensWithItsClassAndClosesTheLoop) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_EQ(RegisterMainWindowClass(instance), 1);
    HWND hwnd = CreateMainWindow(instance);
    ASSERT_NE(hwnd, nullptr);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    EXPECT_STREQ(name, "w_principale");

    DestroyWindow(hwnd);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    UnregisterClassA(kMainWindowClass, instance);
}

} // namespace
