#pragma once

class MainWindow;
class QSettings;

// Connects the main window's commands to the windows of the other subsystems:
// the next-draw calculation with its error values window, the formula filter
// and the formula search.
class MainWindowConnections {
public:
    static void connect(MainWindow& window, QSettings& store);
};
