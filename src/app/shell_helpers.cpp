#include "app/shell_helpers.h"

namespace tm47 {

void ShowInputPanelButton(ShellState& shell, bool show) {
    if (!show) {
        shell.inputPanelButtonShown = false;
    } else if (shell.portrait) {
        shell.inputPanelButtonShown = true;
    }
}

void SetInputPanelPreference(ShellState& shell, bool before) {
    if (!shell.portrait) {
        return;
    }
    shell.inputPanelPreference = before ? 0 : 2;
    ++shell.inputPanelPreferenceCalls;
}

void ShowTaskBar(ShellState& shell, bool show) {
    shell.taskBarShown = show;
}

} // namespace tm47
