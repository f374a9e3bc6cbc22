#pragma once
// The main window's commands (buttons, menu items, accelerator keys) and the drop of
// files on the window, on the program's records. The window procedure only translates
// messages into these calls.
#include <cstdint>
#include <memory>

#include "platform/drops.h"

struct Program;
enum class Button;

// Command ids.
enum CommandId : int {
    kCmdOpen = 0, kCmdPlay = 1, kCmdClose = 2, kCmdPanic = 3, kCmdLoopMode = 4,
    kCmdAutoplay = 5, kCmdListToggle = 6, kCmdBreak = 7, kCmdSettings = 8,
    kCmdAbout = 104, kCmdExit = 105, kCmdReadme = 32774, kCmdSkin = 32788,
};

// Runs the command with this id. False for an id that is not one of the window's
// commands (the window passes it on to the platform).
bool runCommand(Program& p, int id);

// Files dropped on the window. The program answers the drop itself: at once, or, for an
// autoplay run over the files, when the run ends or is cancelled.
void dropFiles(Program& p, std::unique_ptr<DropSource> drop);

// The playback thread of play number playNumber has ended: the play and autoplay
// buttons go back to "play" and "autoplay", unless a newer playback has begun since
// (then the captions are the newer one's).
void playbackEnded(Program& p, uint32_t playNumber);

// Shared by the commands, the history and the controller.
// Sets a button's caption, when there is a window.
void caption(Program& p, Button b, const char* text);
// Clears playing and waits until the playback thread has left the song.
void stopSong(Program& p);
// All notes off, the reset message and the channel shadow's defaults, apart from any step.
void panicNow(Program& p);
// Plays the loaded song from its start as the play button does: no reset message, the
// thread one step below time-critical; captions "stop" and " ".
void playFromStart(Program& p);
// The captions of no run: "open", "play", "close", "autoplay".
void showIdleCaptions(Program& p);
// A drive root "C:\" becomes "C:", the form the folder search takes.
void cutDriveRoot(char* folder);
// Starts the search of autoplayFolder and the run over it (commandBusy stays set). While
// an earlier search still holds the list, prints "play busy." and ends the command.
bool beginFolderRun(Program& p);
// Moves an autoplay run on: the controller starts the entry at playPos at its next tick.
void advance(Program& p);
// Ends an autoplay run at the user's request (the autoplay button during a run).
void cancelAutoplay(Program& p);
// Ends a run over dropped files (the run's end or its cancel): the drop is answered and let
// go, and the mode left.
void endDropRun(Program& p);
