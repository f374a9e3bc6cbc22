#pragma once
// The history of played songs and folders: ten slots, slot 9 the newest, shown as the last
// items of the first menu; and what choosing one of those items does.
#include "core/settings.h"

struct Program;

constexpr int kHistoryFirstCommand = 5963;

// Moves slot k's entry to slot 9, the slots above k one down.
void promoteHistorySlot(History& h, int k);
// Makes path the newest entry: moved there when a slot holds exactly it (case-sensitive),
// otherwise added with the oldest dropped. False, and nothing changed, for a path that
// does not fit a slot (259 bytes and the zero byte).
bool addToHistory(History& h, const char* path);

// addToHistory, then the menu shows the new order.
void rememberInHistory(Program& p, const char* path);
// A history item was chosen: a song plays, a folder ("*" and its path) is played by autoplay.
void playHistoryItem(Program& p, int k);
