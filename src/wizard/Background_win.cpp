#include "wizard/Background.h"

#include <string>

#include "ResENU.h"
#include "script/PathTokens.h"
#include "state/SetupState.h"
#include "win/Gdi.h"
#include "wizard/Pages.h"

namespace {

constexpr COLORREF kBackgroundColour = RGB(0, 130, 132);
constexpr int kTitleHeight = 44;

// Covers (left, top) to (right, bottom) inclusive: a null pen leaves the last row and column
// of a rectangle unpainted, so the rectangle is drawn one larger.
void Fill(HDC dc, int left, int top, int right, int bottom) {
    win::UniqueGdiObject brush(CreateSolidBrush(kBackgroundColour));
    win::UniqueGdiObject pen(CreatePen(PS_NULL, 0, 0));
    win::ScopedSelect selectBrush(dc, brush.get());
    win::ScopedSelect selectPen(dc, pen.get());
    Rectangle(dc, left, top, right + 1, bottom + 1);
}

void PaintBackground(HDC dc, const RECT& r) {
    const WizardState& wizard = Wizard();
    HBITMAP image = static_cast<HBITMAP>(wizard.background.get());
    BITMAP info = {};
    if (!image || !GetObjectA(image, sizeof(info), &info)) {
        Fill(dc, r.left, r.top, r.right, r.bottom);
        return;
    }
    // A corner image keeps its size in inches; stretched, it covers everything.
    int w = ScaledToScreen(info.bmWidth);
    int h = ScaledToScreen(info.bmHeight);
    int x = r.left;
    int y = r.top;
    switch (wizard.backgroundMode) {
        case 1:  // top right
            Fill(dc, r.left, r.top, r.right - w, r.bottom);
            Fill(dc, r.right - w, r.top + h, r.right, r.bottom);
            x = r.right - w;
            break;
        case 2:  // bottom left
            Fill(dc, r.left, r.top, r.right, r.bottom - h);
            Fill(dc, r.left + w, r.bottom - h, r.right, r.bottom);
            y = r.bottom - h;
            break;
        case 3:  // bottom right
            Fill(dc, r.left, r.top, r.right, r.bottom - h);
            Fill(dc, r.left, r.bottom - h, r.right - w, r.bottom);
            x = r.right - w;
            y = r.bottom - h;
            break;
        default:  // stretched over everything
            w = r.right - r.left;
            h = r.bottom - r.top;
            break;
    }
    win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    win::ScopedSelect select(memory.get(), image);
    StretchBlt(dc, x, y, w, h, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

// The product title in large white letters with a black copy two units up and to the left.
void PaintTitle(HWND window, HDC dc) {
    win::UniqueGdiObject font(MakeFont(ScaledToScreen(kTitleHeight), FontFace::TimesNewRoman));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    win::ScopedSelect select(dc, font.get());

    RECT r;
    GetClientRect(window, &r);
    r.left += ScaledToScreen(40);
    r.top += ScaledToScreen(20);
    const Project& project = *Setup().current;
    std::string title;
    if (!ExpandTitleTokens(project, project.winTitle, &title, kPathLimit)) title = project.winTitle;
    DrawTextA(dc, title.c_str(), -1, &r, DT_WORDBREAK);
    const int shadow = ScaledToScreen(2);
    OffsetRect(&r, shadow, shadow);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, title.c_str(), -1, &r, DT_WORDBREAK);
}

void Paint(HWND window) {
    win::PaintDc paint(window);
    if (!paint.get()) return;
    RECT r;
    GetClientRect(window, &r);
    PaintBackground(paint.get(), r);
    PaintTitle(window, paint.get());
}

}  // namespace

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WizardState& wizard = Wizard();
    switch (message) {
        case WM_CREATE:
            wizard.whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
            if (!wizard.logo) {
                wizard.defaultLogo = true;
                wizard.logo.reset(LoadBitmapA(Setup().language.module.get(), MAKEINTRESOURCEA(IDB_DEFAULT_LOGO)));
            }
            PostMessageA(window, WM_SETUP_START, 0, 0);
            return 0;
        case WM_SETUP_START: {
            // The whole wizard runs inside this one message; its result is not looked at,
            // start-up reads the abort flag.
            RunPages(window);
            PostMessageA(window, WM_DESTROY, 0, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            wizard.whiteBrush.reset();
            wizard.logo.reset();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int ScaledToScreen(int pixels) { return MulDiv(pixels, Wizard().dpi, 96); }

HFONT MakeFont(int height, FontFace face) {
    const bool times = face == FontFace::TimesNewRoman;
    return CreateFontA(height, 0, 0, 0, FW_BOLD, times ? TRUE : FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN, times ? "Times New Roman" : "MS Sans Serif");
}

void CenterOnScreen(HWND window) {
    RECT desktop;
    RECT own;
    if (!GetWindowRect(GetDesktopWindow(), &desktop) || !GetWindowRect(window, &own)) return;
    const int w = own.right - own.left;
    const int h = own.bottom - own.top;
    SetWindowPos(window, nullptr, (desktop.right - w) / 2, (desktop.bottom - h) / 2, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

LRESULT CALLBACK LogoPainter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_ERASEBKGND) return DefWindowProcA(window, message, wParam, lParam);
    HBITMAP logo = static_cast<HBITMAP>(Wizard().logo.get());
    BITMAP info = {};
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client;
    if (logo && GetObjectA(logo, sizeof(info), &info) && GetClientRect(window, &client)) {
        win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
        win::ScopedSelect select(memory.get(), logo);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    return 0;
}
