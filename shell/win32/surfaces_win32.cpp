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

}  // namespace

HBITMAP loadSkinBitmap(const char* path) {
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

AnimationInput animationInput(const App& a) {
    const Sequencer& seq = *a.seq;
    // The frame depends only on the tick modulo two quarter notes, which fits the field
    // whatever the song's 64-bit tick.
    const int32_t division = seq.division;
    const int64_t span = 2 * int64_t(division);
    const int32_t tick = span > 0 ? static_cast<int32_t>(seq.tick.load() % span) : 0;
    return AnimationInput{seq.playing, seq.songLoaded, seq.bpm, tick, division};
}

void runAnimationStep(App& a) {
    stepAnimation(a.animation, a.surfaces, animationInput(a), a.flags.skinReloading);
}

bool createSurfaces(App& a) {
    GdiObjects& g = a.gdi;
    // The fixed client size, not the window's: a window started minimised has no client
    // area yet, and surfaces made from it would stay 1 x 1.
    const int width = kClientWidth, height = kClientHeight;
    a.surfaces.clientWidth = width;
    a.surfaces.clientHeight = height;

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

    g.skinBitmap = loadSkinBitmap(a.paths.skinPath);
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
        std::lock_guard<std::mutex> hold(a.surfaces.drawLock);
        a.surfaces.windowSurface = &g.window;
        a.surfaces.backSurface = &g.back;
        a.surfaces.listSurface = &g.list;
        a.surfaces.skinSurface = &g.skin;
    }
    runAnimationStep(a);
    std::lock_guard<std::mutex> hold(a.surfaces.drawLock);
    g.window.copyFrom(kSkinFrameX, kSkinFrameY, kSkinFrameSize, kSkinFrameSize, g.back, kSkinFrameX,
                      kSkinFrameY);
    return true;
}

void releaseSurfaces(App& a) {
    GdiObjects& g = a.gdi;
    {
        std::lock_guard<std::mutex> hold(a.surfaces.drawLock);
        a.surfaces.windowSurface = a.surfaces.backSurface = nullptr;
        a.surfaces.listSurface = a.surfaces.skinSurface = nullptr;
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
    const bool listShown = showPanelOrList(a.surfaces, a.flags.listViewShown);
    ShowScrollBar(a.controls[kListScrollBar], SB_CTL, listShown ? TRUE : FALSE);
    runAnimationStep(a);
    {
        std::lock_guard<std::mutex> hold(a.surfaces.drawLock);
        if (a.surfaces.windowSurface && a.surfaces.backSurface)
            a.surfaces.windowSurface->copyFrom(210, 144, a.surfaces.clientWidth - 210,
                                               a.surfaces.clientHeight - 160, *a.surfaces.backSurface,
                                               210, 144);
    }
    drawSpeedIndicator(a.surfaces, a.settings.speedIndex);
    drawKeyShiftIndicator(a.surfaces, a.settings.keyShift);
    a.flags.refreshForced = true;
}
