#include "wizard/Drawing.h"

#include "win/Gdi.h"

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

void PaintBackground(HDC dc, const RECT& r, const WizardLook& look) {
    HBITMAP image = static_cast<HBITMAP>(look.background.get());
    BITMAP info = {};
    if (!image || !GetObjectA(image, sizeof(info), &info)) {
        Fill(dc, r.left, r.top, r.right, r.bottom);
        return;
    }
    // A corner image keeps its size in inches; stretched, it covers everything.
    int w = ScaledToScreen(info.bmWidth, look.dpi);
    int h = ScaledToScreen(info.bmHeight, look.dpi);
    int x = r.left;
    int y = r.top;
    switch (look.backgroundMode) {
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

// The title in large white letters with a black copy two units up and to the left.
void PaintTitle(HDC dc, RECT r, int dpi, const std::string& title) {
    win::UniqueGdiObject font(MakeFont(ScaledToScreen(kTitleHeight, dpi), FontFace::TimesNewRoman));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    win::ScopedSelect select(dc, font.get());

    r.left += ScaledToScreen(40, dpi);
    r.top += ScaledToScreen(20, dpi);
    DrawTextA(dc, title.c_str(), -1, &r, DT_WORDBREAK);
    const int shadow = ScaledToScreen(2, dpi);
    OffsetRect(&r, shadow, shadow);
    SetTextColor(dc, RGB(255, 255, 255));
    DrawTextA(dc, title.c_str(), -1, &r, DT_WORDBREAK);
}

LRESULT CALLBACK LogoPainter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_ERASEBKGND) return DefWindowProcA(window, message, wParam, lParam);
    HBITMAP logo = reinterpret_cast<HBITMAP>(GetWindowLongPtrA(window, GWLP_USERDATA));
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

}  // namespace

int ScaledToScreen(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

HFONT MakeFont(int height, FontFace face) {
    const bool times = face == FontFace::TimesNewRoman;
    return CreateFontA(height, 0, 0, 0, FW_BOLD, times ? TRUE : FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN, times ? "Times New Roman" : "MS Sans Serif");
}

HBITMAP LoadBitmapFile(const SetupState& run, int dataFileNumber) {
    if (dataFileNumber == -1) return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, run.DataFilePath(dataFileNumber).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

void CenterOnScreen(HWND window) {
    RECT desktop;
    RECT own;
    if (!GetWindowRect(GetDesktopWindow(), &desktop) || !GetWindowRect(window, &own)) return;
    const int w = own.right - own.left;
    const int h = own.bottom - own.top;
    SetWindowPos(window, nullptr, (desktop.right - w) / 2, (desktop.bottom - h) / 2, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

RECT RectInParent(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void PaintLogoIn(HWND control, HBITMAP logo) {
    // A static control keeps no data of its own there.
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(logo));
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogoPainter));
}

void PaintBackdrop(HWND window, const WizardLook& look, const std::string& title) {
    win::PaintDc paint(window);
    if (!paint.get()) return;
    RECT r;
    GetClientRect(window, &r);
    PaintBackground(paint.get(), r, look);
    PaintTitle(paint.get(), r, look.dpi, title);
}
