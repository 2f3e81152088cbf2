#pragma once
// The starter theme installed at first run names programs and folders that
// a given desktop may not have. This fits it to the desktop it lands on: the
// default web browser, mail program, text editor and file manager, a
// terminal, and the user's folders that exist.

class CThemeData;

void FitStarterThemeToDesktop(CThemeData& theme);
