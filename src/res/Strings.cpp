// The string table: titles, the document template's fields, and the status
// bar prompts of the commands and bars ("prompt\ntooltip": the status bar
// shows the text before the line break, the toolbar's tooltip the rest).
#include "res/Resources.h"

#include "platform/core/MessageBox.h"
#include "platform/core/String.h"
#include "platform/ui/Constants.h"
#include "res/resource.h"

namespace {

struct Entry {
  UINT id;
  const char* text;
};

// The cursor readouts start as a dot after 17 blanks, which also sets their width.
constexpr const char* kReadoutPlaceholder = "                 .";

constexpr const char* kRobustnessPrompt =
    "Creates uniformly distributed models from the uncertainties in Variables Diaglog Bar";

const Entry kStrings[] = {
    {IDR_MAINFRAME, "Quorvathine"},
    {IDR_QOREXTYPE, "\nQorex\nQorex\nQorex Files (*.qox)\n.qox\nQorex.Document\nQorex Document"},
    {AFX_IDS_APP_TITLE, "Quorvathine"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {ID_INDICATOR_X, kReadoutPlaceholder},
    {ID_INDICATOR_Y, kReadoutPlaceholder},

    // The bars, toggled by their own ids.
    {IDW_OUTPUTBAR, "Show or hide OutputBar\nToggle OutputBar"},
    {IDW_LEFTBAR, "Show or hide LeftBar\nToggle LeftBar"},
    {IDW_VARBAR, "Show or hide Varbar\nToggle Varbar"},
    {IDW_EQUALIZERBAR, "Show or hide EqualizerBar\nToggle EqualizerBar"},
    {IDW_COMMENTBAR, "Show or hide CommentBar\nToggle CommentBar"},

    // View.
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle Toolbar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle Status Bar"},
    {ID_VIEW_PROCESSVIEW, "Show or hide the Process Viewer.\nToggle ProcessView"},
    {ID_VIEW_SIMULATIONVIEW, "Show or hide the Simulation Viewer.\nToggle SimulationView"},
    {ID_VIEW_EQUALIZER, "Show or hide the Performance Equalizer.\nToggle Performance Equalizer"},
    {ID_VIEW_VARIABLES, "Show or hide the Variables.\nToggle Variables"},
    {ID_VIEW_COMMENTS, "Show or hide the Comments."},
    {ID_EFFECTIVE_MODELS,
     "View the effective mathematical models based on current configuration\nView models"},
    {ID_GENETIC_ROOT_LOCUS, "Plot closed loop poles of recorded population on s-plane "},

    // Edit.
    {ID_EDIT_MODELS, "Edit mathematical models for control system\nEdit models"},
    {ID_EDIT_SIGNALS, "Edit input signals to the control system\nEdit signals"},
    {ID_EDIT_UNDO, "Undo the last action\nUndo"},
    {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_PASTE, "Insert the Clipboard contents\nPaste"},

    // The design searches of the toolbar.
    {ID_CLOSED_LOOP_POLES,
     "Move closed loop poles left in s-plane (Press shift for global)\nClosed loop poles"},
    {ID_INTERACTION,
     "Minimize interaction in frequency domain  (Press shift for global)\nInteraction"},
    {ID_BANDWIDTH, "Improves bandwidth  (Press shift for global)\nBandwidth"},

    // Tools.
    {ID_OFFSPRING,
     "Creates offspring using extended volume recombination with Gaussian mutation from parent "
     "pairs"},
    {ID_G_ROBUSTNESS, kRobustnessPrompt},
    {ID_K_ROBUSTNESS, kRobustnessPrompt},
    {ID_H_ROBUSTNESS, kRobustnessPrompt},
    {ID_SORT_FINAL_VALUE, "Sort recorded population according to asymptotic tracking, stability"},
    {ID_SORT_TIME_CONSTANT, "Sort recorded population according maximum time constant "},
    {ID_SORT_OSCILLATIONS, "Sort recorded population according to oscillatory behaviour"},
    {ID_SORT_INTERACTION, "Sort recorded population according to interaction"},
    {ID_SORT_V_REJECTION, "Sort recorded population according to v rejection"},
    {ID_SORT_D_REJECTION, "Sort recorded population according to d rejection"},
    {ID_SORT_N_REJECTION, "Sort recorded population according to noise attenuation"},
    {ID_SORT_CONTROL_ACTION, "Sort recorded population according to maximum u amplude"},
    {ID_SORT_POLE_MOBILITY,
     "Sort recorded population according to closed loop pole mobility (robustness)"},
    {ID_SORT_BY_SLIDERS, "Sort recorded population according to user defined fitness"},
    {ID_KILL_ALL, "Clear population buffer"},
    {ID_KILL_WORST, "Delete worst elements from population (according to slider settings)"},

    // File.
    {ID_FILE_NEW, "Create a new design\nNew"},
    {ID_FILE_OPEN, "Open a saved design\nOpen"},
    {ID_FILE_CLOSE, "Close the active design\nClose"},
    {ID_FILE_SAVE, "Save the active design\nSave"},
    {ID_FILE_SAVE_AS, "Save the active design under a new name\nSave As"},
    {ID_FILE_PRINT, "Print the active diagram\nPrint"},
    {ID_FILE_PRINT_PREVIEW, "Show the diagram as it will be printed\nPrint Preview"},
    {ID_FILE_PRINT_SETUP, "Choose the printer and its options\nPrint Setup"},
    {ID_FILE_MRU_FILE1, "Open this design"},
    {ID_FILE_MRU_FILE2, "Open this design"},
    {ID_FILE_MRU_FILE3, "Open this design"},
    {ID_FILE_MRU_FILE4, "Open this design"},
    {ID_APP_EXIT, "Quit the program; asks to save changed designs\nExit"},

    // Window.
    {ID_WINDOW_CASCADE, "Arrange the design windows so that they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Arrange the design windows side by side\nTile Windows"},
    {ID_WINDOW_ARRANGE, "Arrange the icons of minimised windows\nArrange Icons"},
    {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},

    // Help.
    {ID_HELP_TOPICS, "List the help topics\nHelp Topics"},
    {ID_APP_ABOUT, "Show the program's name and version\nAbout"},
};

}  // namespace

namespace qxres {

void RegisterStrings() {
  for (const Entry& entry : kStrings) AfxRegisterString(entry.id, entry.text);
}

}  // namespace qxres
