#pragma once

class MainWindow;

// Connects the main window's formula file commands: reading a formula text file
// (Command10), exporting all classes or the shown one (Command11, Command20), the
// online formula update (cmdGsgx), and the spreadsheet copies of the formula grid
// (mnuExl) and the history grid (cmdDcexl, mnuDcls). Adds the settings they use to
// the settings menu.
class FormulaFileConnections {
public:
    static void connect(MainWindow& window);
};
