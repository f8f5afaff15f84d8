// What the Sequencer calls above itself: the main window's accessors, the final dialogs and
// the boxes of the page that built the plan. Declared here, defined by the application
// (app/) over its controls; engine tests link test definitions (src/testing/).
#pragma once

#include <string>

// g_szModemAddress from the main window's address control.
void ReadModemAddress();
// g_szPassword from the password box (StorePassword keeps its first 29 characters).
void ReadPassword();
// The client's sourcePath (the image box of the page the tab control selects) and its
// remoteName ("image").
void ReadImagePath();

// The final dialogs, shown modally: each returns when the user has closed it.
void ShowUpgradeStatusDialog();
void ShowModemInfoDialog();

// The configuration page's "Destination Pack File" box, as text.
std::string ReadConfigDestinationText();

// The "Other File" row 1 or 2 of the page whose button built the plan: its source path and
// its destination name on the modem. False when there is no such row to send.
bool ReadOtherFileRow(int row, std::string& source, std::string& destination);
// The macro file of that page; empty when there is none.
std::string ReadMacroFilePath();
