// The window's drawing surfaces over GDI, the skin bitmap and the repaint.
#include <cstring>
#include <mutex>

#include "shell/win32/app.h"

namespace {

// "ＭＳ ゴシック" in Shift_JIS, the face the panel and list grids are laid out for.
const char kFontFace[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

HFONT makeFont(int height) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    std::memcpy(lf.lfFaceName, kFontFace, sizeof kFontFace);
    return CreateFontIndirectA(&lf);
}

HBITMAP loadSkinAt(const char* path) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!bitmap) return nullptr;
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info) || !skinSizeAccepted(info.bmWidth, info.bmHeight)) {
        DeleteObject(bitmap);  // a refused bitmap is not kept
        return nullptr;
    }
    return bitmap;
}

bool isRelative(const char* path) {
    return !(path[0] == '\\' || path[0] == '/' || (path[0] && path[1] == ':'));
}

}  // namespace

HBITMAP loadSkinBitmap(const char* path) {
    HBITMAP bitmap = loadSkinAt(path);
    if (bitmap || !isRelative(path)) return bitmap;
    // The current directory is not the program's folder when Windows starts the player for
    // a song, and autoplay changes it: the default skin ships beside the program.
    char beside[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, beside, sizeof beside);
    if (length == 0 || length >= sizeof beside) return nullptr;
    char* slash = std::strrchr(beside, '\\');
    if (!slash) return nullptr;
    const size_t folder = size_t(slash - beside) + 1;
    if (folder + std::strlen(path) >= sizeof beside) return nullptr;
    std::strcpy(beside + folder, path);
    return loadSkinAt(beside);
}

void installSkinBitmap(App& a, HBITMAP bitmap) {
    GdiObjects& g = a.gdi;
    std::lock_guard<std::mutex> hold(a.program.surfaces.drawLock);
    SelectObject(g.skinDc, bitmap);
    if (g.skinBitmap && g.skinBitmap != bitmap) DeleteObject(g.skinBitmap);
    g.skinBitmap = bitmap;
}

bool createSurfaces(App& a) {
    GdiObjects& g = a.gdi;
    // The client area is fixed; a window started minimised has none yet, so the
    // surfaces are made at the size it will have.
    const int width = kClientWidth, height = kClientHeight;
    DisplaySurfaces& surfaces = a.program.surfaces;
    surfaces.clientWidth = width;
    surfaces.clientHeight = height;

    g.windowDc = GetDC(a.window);
    if (!g.smallFont) g.smallFont = makeFont(10);
    if (!g.largeFont) g.largeFont = makeFont(12);
    g.backDc = CreateCompatibleDC(g.windowDc);
    g.listDc = CreateCompatibleDC(g.windowDc);
    g.skinDc = CreateCompatibleDC(g.windowDc);
    SelectObject(g.windowDc, g.largeFont);
    SelectObject(g.backDc, g.largeFont);
    g.backBitmap = CreateCompatibleBitmap(g.windowDc, width, height);
    g.listBitmap = CreateCompatibleBitmap(g.windowDc, width, height);
    g.backBitmapBefore = SelectObject(g.backDc, g.backBitmap);
    g.listBitmapBefore = SelectObject(g.listDc, g.listBitmap);
    SelectObject(g.listDc, g.smallFont);
    SetBkMode(g.listDc, TRANSPARENT);
    g.whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    g.greyBrush = CreateSolidBrush(RGB(200, 200, 200));
    BitBlt(g.backDc, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
    BitBlt(g.listDc, 0, 0, width, height, nullptr, 0, 0, WHITENESS);

    g.skinBitmap = loadSkinBitmap(a.program.paths.skinPath);
    if (!g.skinBitmap) g.skinBitmap = loadSkinBitmap(kDefaultSkinPath);
    if (!g.skinBitmap) {
        releaseSurfaces(a);
        return false;
    }
    g.skinBitmapBefore = SelectObject(g.skinDc, g.skinBitmap);

    g.window.attach(g.windowDc, g.largeFont, g.smallFont, g.whiteBrush, g.greyBrush);
    g.window.fontSelected(FontId::Panel);
    g.back.attach(g.backDc, g.largeFont, g.smallFont, g.whiteBrush, g.greyBrush);
    g.back.fontSelected(FontId::Panel);
    g.list.attach(g.listDc, g.largeFont, g.smallFont, g.whiteBrush, g.greyBrush);
    g.list.fontSelected(FontId::Small);
    g.skin.attach(g.skinDc, g.largeFont, g.smallFont, g.whiteBrush, g.greyBrush);
    {
        std::lock_guard<std::mutex> hold(surfaces.drawLock);
        surfaces.windowSurface = &g.window;
        surfaces.backSurface = &g.back;
        surfaces.listSurface = &g.list;
        surfaces.skinSurface = &g.skin;
    }
    runAnimationStep(a.program);
    std::lock_guard<std::mutex> hold(surfaces.drawLock);
    g.window.copyFrom(kSkinFrameX, kSkinFrameY, kSkinFrameSize, kSkinFrameSize, g.back, kSkinFrameX,
                      kSkinFrameY);
    return true;
}

void releaseSurfaces(App& a) {
    GdiObjects& g = a.gdi;
    {
        DisplaySurfaces& surfaces = a.program.surfaces;
        std::lock_guard<std::mutex> hold(surfaces.drawLock);
        surfaces.windowSurface = surfaces.backSurface = nullptr;
        surfaces.listSurface = surfaces.skinSurface = nullptr;
    }
    g.window.detach();
    g.back.detach();
    g.list.detach();
    g.skin.detach();
    if (g.backDc && g.backBitmapBefore) SelectObject(g.backDc, g.backBitmapBefore);
    if (g.listDc && g.listBitmapBefore) SelectObject(g.listDc, g.listBitmapBefore);
    if (g.skinDc && g.skinBitmapBefore) SelectObject(g.skinDc, g.skinBitmapBefore);
    if (g.windowDc) ReleaseDC(a.window, g.windowDc);
    for (HDC* dc : {&g.backDc, &g.listDc, &g.skinDc}) {
        if (*dc) DeleteDC(*dc);
        *dc = nullptr;
    }
    g.windowDc = nullptr;
    // The bitmaps, brushes and the skin are released too, so nothing leaks.
    for (HBITMAP* b : {&g.backBitmap, &g.listBitmap, &g.skinBitmap}) {
        if (*b) DeleteObject(*b);
        *b = nullptr;
    }
    for (HBRUSH* b : {&g.whiteBrush, &g.greyBrush}) {
        if (*b) DeleteObject(*b);
        *b = nullptr;
    }
    if (g.smallFont && DeleteObject(g.smallFont)) g.smallFont = nullptr;
    if (g.largeFont && DeleteObject(g.largeFont)) g.largeFont = nullptr;
    g.backBitmapBefore = g.listBitmapBefore = g.skinBitmapBefore = nullptr;
}

void repaintWindow(App& a) {
    Program& p = a.program;
    DisplaySurfaces& surfaces = p.surfaces;
    const bool listShown = showPanelOrList(surfaces, p.flags.listViewShown);
    ShowScrollBar(a.controls[kListScrollBar], SB_CTL, listShown ? TRUE : FALSE);
    runAnimationStep(p);
    {
        std::lock_guard<std::mutex> hold(surfaces.drawLock);
        if (surfaces.windowSurface && surfaces.backSurface)
            surfaces.windowSurface->copyFrom(210, 144, surfaces.clientWidth - 210, surfaces.clientHeight - 160,
                                             *surfaces.backSurface, 210, 144);
    }
    drawSpeedIndicator(surfaces, p.settings.speedIndex);
    drawKeyShiftIndicator(surfaces, p.settings.keyShift);
    p.flags.refreshForced = true;
}
