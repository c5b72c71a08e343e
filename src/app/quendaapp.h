#pragma once

namespace quenda {

// Start-up: creates the main window, runs it, and ends the program when it closes.
class CQuendaApp {
public:
    int InitInstance();
};

} // namespace quenda
