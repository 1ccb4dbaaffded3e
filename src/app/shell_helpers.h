#pragma once
// The handheld's shell around the logger: the task bar and the soft input panel's button.
// On a desktop neither exists, so these helpers only keep the state the handheld would
// have; the calls stay where the handheld made them so a port to a kiosk shell has one place
// to act.
//
// GUI thread only.

namespace tm47 {

struct ShellState {
    bool portrait = true;
    bool taskBarShown = true;
    bool inputPanelButtonShown = true;
    int inputPanelPreference = -1; // last value handed to the shell: 0 raise, 2 lower
    int inputPanelPreferenceCalls = 0;
};

// show false hides the button in every layout; show true shows it only in portrait, since
// in landscape the panel would cover the screen's bottom rows.
void ShowInputPanelButton(ShellState& shell, bool show);

// Around dialogs with text fields: `before` true just before one opens (raise the panel),
// false after it closed (lower it). Portrait only.
void SetInputPanelPreference(ShellState& shell, bool before);

void ShowTaskBar(ShellState& shell, bool show);

} // namespace tm47
