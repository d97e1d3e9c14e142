#pragma once

// Shared by resources.rc and the program. The window's icon has the lowest
// identifier, so Explorer shows it for the program file too.
#define IDI_MAINWINDOW 1
