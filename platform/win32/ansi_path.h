#pragma once
// The converter between Windows' wide names and its ANSI code page (platform/code_page.h
// holds the rules): WideCharToMultiByte and GetShortPathNameW to the code page in force.
#include "platform/code_page.h"

const CodePageConverter& ansiCodePage();
