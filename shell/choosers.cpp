#include "shell/choosers.h"

#include <cstring>

#include "shell/messages.h"
#include "shell/program.h"
#include "shell/shell_view.h"

namespace {

constexpr char kSongFilter[] = "MID/MIDI file\0*.mid*\0RMI file\0*.rmi\0all files\0*.*\0";
constexpr char kSkinFilter[] = "BMP file\0*.bmp*\0all files\0*.*\0";

// Cuts path right after its last backslash (kept); empty when it has none.
void keepFolder(char* path) {
    char* slash = std::strrchr(path, '\\');
    if (slash)
        slash[1] = '\0';
    else
        path[0] = '\0';
}

}  // namespace

bool chooseSong(Program& p) {
    if (p.files) loadChooserFolder(*p.files, p.chooserFolder, sizeof p.chooserFolder);
    // kivo.txt may lack its zero byte; the folder must stay inside its record.
    p.chooserFolder[kChooserRecordSize - 1] = '\0';
    FileDialogSpec spec{kSongChooserTitle, kSongFilter, sizeof kSongFilter, p.chooserFolder,
                        "mid", p.chooserTitle, sizeof p.chooserTitle};
    if (!p.view || !p.view->chooseFile(spec, p.songPath, sizeof p.songPath)) return false;
    std::strncpy(p.chooserFolder, p.songPath, sizeof p.chooserFolder - 1);
    p.chooserFolder[sizeof p.chooserFolder - 1] = '\0';
    keepFolder(p.chooserFolder);
    if (p.files) saveChooserFolder(*p.files, p.chooserFolder, sizeof p.chooserFolder);
    return true;
}

void chooseAndChangeSkin(Program& p) {
    if (!p.view) return;
    FileDialogSpec spec{kSkinChooserTitle, kSkinFilter, sizeof kSkinFilter, "./kivo/", "bmp", nullptr, 0};
    if (!p.view->chooseFile(spec, p.paths.skinPath, sizeof p.paths.skinPath)) return;
    // A step of the animation thread may be copying from the skin surface: it ends
    // within the wait, and no new one starts while the flag is set.
    p.flags.skinReloading = true;
    waitMs(p, 13);
    void* bitmap = p.view->loadSkinBitmap(p.paths.skinPath);
    if (!bitmap) {
        printLine(p, kSkinRefusedText);
        bitmap = p.view->loadSkinBitmap(kDefaultSkinPath);
    }
    if (!bitmap) {
        p.flags.skinReloading = false;
        return;
    }
    waitMs(p, 13);
    p.view->installSkin(bitmap);
    p.flags.skinReloading = false;
    if (!p.seq->playing) {
        p.animation.shownFrame = -1;
        runAnimationStep(p);
    }
}
