#pragma once

class MainWindow;

// The main window's commands that move draws in and out of the history: the
// online update (Command21), the text export (cmdLsdcTxt), the import of a text
// file (mnuDrls) and the address of the results page (mnuLsUrl).
class HistoryCommands {
public:
    static void connect(MainWindow& window);
};
