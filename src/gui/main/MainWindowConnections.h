#pragma once

class MainWindow;
class QSettings;

// Connects the main window's commands to the windows of the other subsystems:
// the next-draw calculation with its error values window, the back-test with its
// history list, the formula filter, the formula search and the removal of stored draws.
class MainWindowConnections {
public:
    static void connect(MainWindow& window, QSettings& store);
};
