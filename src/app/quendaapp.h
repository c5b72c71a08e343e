#pragma once

namespace quenda {

// Start-up: creates the main window, runs it, and ends the program when it closes.
class CQuendaApp {
public:
    int InitInstance();

    // Qt's own texts (standard buttons, file dialogs, the replace question, context menus) in
    // Chinese like the rest of the program. False when the translations are not installed.
    static bool installTranslations();
};

} // namespace quenda
