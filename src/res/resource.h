#pragma once
// Every resource id of the system, grouped by the subsystem that owns the
// window, dialog, command or picture. The values are part of the program: the
// tables, the message maps and the tests all use these names.
//
// 32776 ... 32781 are the worker thread messages (WM_APP + 8 ... 13); the
// "FindG" command shares 32776 with its message. No other id here uses them.

// ---- application shell: frames, menus, accelerators, toolbar, about box ------
// 128: the main frame's menu, accelerators, toolbar (and its bitmap), icon and
// title; 129: the document frame's menu and the document template's strings.
#define IDR_MAINFRAME 128
#define IDR_QOREXTYPE 129
#define IDB_SPLASH 162  // the start-up picture
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_ICON 0xFFFF  // static items of the about box have no id of their own
#define ID_HELP_TOPICS 32827
// Status bar panes: the diagram view's cursor readouts.
#define ID_INDICATOR_X 59142
#define ID_INDICATOR_Y 59143

// ---- drawing resources (GlobalResources) --------------------------------------
// 8 x 8 patterns of the expression colours (placeholder outlines, tip background).
#define IDB_PATTERN_RED 131
#define IDB_PATTERN_BLACK 132
#define IDB_PATTERN_BLUE 133
#define IDB_SPRITES 138  // the sprite sheet (res/Sprites.h)

// ---- "Comments" bar ------------------------------------------------------------
#define IDD_COMMENTBAR 110
#define IDW_COMMENTBAR 111
#define IDC_COMMENT 1112
#define ID_VIEW_COMMENTS 32838

// ---- editing: "ProcessView", "Variables", the definitions, "Simulator Properties"
#define IDD_LEFTBAR 104  // "ProcessView"
#define IDW_LEFTBAR 105
#define ID_VIEW_PROCESSVIEW 32783
#define IDD_VARBAR 106  // "Variables"
#define IDW_VARBAR 107
#define ID_VIEW_VARIABLES 32786
#define IDC_VARLIST 1011
#define IDC_LOCUS 1012
#define IDC_COLOUR 1013
#define IDC_MINIMUM 1015
#define IDC_MAXIMUM 1016
#define IDC_VALUE_SLIDER 1017
#define IDC_VALUE 1018
// Cursors of the "ProcessView" pickers: choosing a matrix size, dragging a new
// pole, dragging a new zero.
#define IDC_SIZE_MATRIX 104
#define IDC_ADD_POLE 139
#define IDC_ADD_ZERO 140
#define ID_EDIT_MODELS 32771
#define ID_EDIT_SIGNALS 32772
#define ID_TIME_SETTINGS 32782
#define IDD_TIMEBOX 146  // "Simulator Properties"
#define IDC_TIME_SAMPLING 1062
#define IDC_TIME_FINAL 1063
#define IDC_TIME_TOLERANCE 1064
#define IDC_TIME_BUFFER 1065
// "Edit Models" and its builders "Build Controller" and "Add Dead-Time".
#define IDD_EDITMODELS 134
#define IDC_MODEL 1003
#define IDC_MODEL_SHOW_POLES 1008
#define IDC_MODEL_SQUARE 1009
#define IDC_MODEL_ALLOW_TUNING 1010
#define IDC_MODEL_DEADTIME 1097
#define IDC_MODEL_BUILD 1098
#define IDC_CHOOSE 1115  // "Choose..." of both editing dialogs
#define IDC_ADD_TO_LIBRARY 1116
#define IDC_EDITOR 200         // the formula editor window of the editing dialogs
#define IDD_ADDCONTROLLER 158  // "Build Controller"
#define IDC_CONTROLLER_TYPE 1098
#define IDC_CONTROLLER_TYPE_NUMBER 1099
#define IDC_CONTROLLER_SHAPE 1100
#define IDC_CONTROLLER_SQUARE 1101
#define IDC_CONTROLLER_SPIN 1092
#define IDD_ADDDEADTIME 157  // "Add Dead-Time"
#define IDC_DEADTIME_ORDER 1089
#define IDC_DEADTIME_ORDER_SPIN 1090
#define IDC_DEADTIME_ROW 1091
#define IDC_DEADTIME_ROW_SPIN 1092
#define IDC_DEADTIME_COLUMN 1093
#define IDC_DEADTIME_COLUMN_SPIN 1094
#define IDC_DEADTIME_AMOUNT 1095
#define IDC_DEADTIME_FIXED 1096
// "Edit Signals" and "Choose from list".
#define IDD_EDITSIGNALS 136
#define IDC_SIGNAL 1006
#define IDC_SIGNAL_SHOW 1009
#define IDD_CHOOSE 163  // "Choose from list"
#define IDC_CHOOSE_DELETE 1113
#define IDC_CHOOSE_LIST 1114
// "View Effective Models" (the View menu's ID_EFFECTIVE_MODELS).
#define IDD_VIEWMODELS 154
#define IDC_VIEW_MODEL 1083
#define IDC_VIEW_POLYNOMIAL 1084

// ---- diagrams: the diagram view, "SimulationView", "Root Locus Properties" ----
// The diagram types of the view.
#define RLOCUS 32787
#define NYQUIST 32788
#define INYQUIST 32789
#define NICHOLS 32790
#define BODE 32791
#define CHNYQUIST 32802
#define CHBODE 32803
// The view's popup commands.
#define RLPROPERTIES 32792
#define FREQPROPERTIES 32796
#define ADDNODES 32797
#define REMNODES 32798
#define EDITNODE 32799
#define REMNODE 32800
#define DELETEPOLE 32801
#define ID_EFFECTIVE_MODELS 32804
#define IDD_OUTPUTBAR 102  // "SimulationView"
#define IDW_OUTPUTBAR 103
#define ID_VIEW_SIMULATIONVIEW 32784
// The signal panes' run buffer commands: RUN1 + i recalls run i + 1.
#define RUN1 32808
#define RUN2 32809
#define RUN3 32810
#define RUN4 32811
#define RUN5 32812
#define RUN6 32813
#define RUN7 32814
#define RUN8 32815
#define RUN9 32816
#define RUN10 32817
#define RUNCLEAR 32819
#define RUNRESIMULATE 32829
#define IDD_RLPROPERTIES 152  // "Root Locus Properties"
#define IDC_RL_LOGSTEPS 1076
#define IDC_RL_MINGAIN 1077
#define IDC_RL_MAXGAIN 1078
#define IDC_RL_LINSTEPS 1079
#define IDC_RL_INERTIA 1080
#define IDC_RL_CANCELTOL 1081
#define IDD_EDITNODE 149  // "Edit Node"
#define IDC_NODE_FREQUENCY 1063
#define IDC_NODE_INERTIA 1064
#define IDC_NODE_SHOWLABEL 1065
#define IDC_RADIANS 1066        // "Radians" of the node and frequency dialogs
#define IDD_FREQPROPERTIES 153  // "Frequency Diagram Properties"
#define IDC_FREQ_START 1070
#define IDC_FREQ_STOP 1073
#define IDC_FREQ_TICKSTEP 1079
#define IDC_FREQ_GERSHGORIN 1080
#define IDC_FREQ_OSTROWSKI 1081
#define IDC_FREQ_STEPS 1082
// "Add Nodes" (the view's ADDNODES).
#define IDD_ADDNODES 150
#define IDC_NODES_SHOW_LABELS 1065
#define IDC_NODES_RADIANS 1066
#define IDC_NODES_INERTIA 1067
#define IDC_NODES_INERTIA_SPIN 1068
#define IDC_NODES_START 1070
#define IDC_NODES_STOP 1073
#define IDC_NODES_SPACING 1075

// ---- search: "Performance Equalizer", history strip, searches, tools -----------
#define IDD_EQUALIZERBAR 108  // "Performance Equalizer"
#define IDW_EQUALIZERBAR 109
#define ID_VIEW_EQUALIZER 32785
// The weight sliders of the equalizer: control IDC_WEIGHT_FINAL_VALUE + i weighs criterion i.
#define IDC_WEIGHT_FINAL_VALUE 1020
#define IDC_WEIGHT_TIME_CONSTANT 1021
#define IDC_WEIGHT_OSCILLATIONS 1022
#define IDC_WEIGHT_INTERACTION 1023
#define IDC_WEIGHT_V_REJECTION 1024
#define IDC_WEIGHT_D_REJECTION 1025
#define IDC_WEIGHT_N_REJECTION 1026
#define IDC_WEIGHT_CONTROL_ACTION 1027
// The design searches of the toolbar.
#define ID_CLOSED_LOOP_POLES 32820
#define ID_INTERACTION 32824
#define ID_BANDWIDTH 32837
// The identification of the process model ("FindG"), a command of no menu
// handled by the main frame; the worker's FindG message has the same number.
#define ID_FINDG 32776
// The history strip: its window's class cursor, and its popup.
#define IDC_HISTORY_STRIP 145
#define IDW_HISTORY_STRIP 100  // the strip's control id inside the bar
#define ID_HISTORY_PROPERTIES 32826
// "Equalizer properties": the settings of the searches, the genetic
// operators and the population; each integer field has its up-down control.
#define IDD_EQUALIZERPROP 160
#define IDC_PROP_REDUCTION 1083
#define IDC_PROP_OFFSPRING 1084
#define IDC_PROP_MUTATION 1085
#define IDC_PROP_GLOBAL 1086
#define IDC_PROP_LOCAL 1087
#define IDC_PROP_ERROR_SUPPRESSION 1088
#define IDC_PROP_KNEE 1089
#define IDC_PROP_LOCAL_SPIN 1105
#define IDC_PROP_GLOBAL_SPIN 1106
#define IDC_PROP_OFFSPRING_SPIN 1107
#define IDC_PROP_REDUCTION_SPIN 1108
#define IDC_PROP_MAX_POPULATION_SPIN 1109
#define IDC_PROP_MUTATION_SPIN 1110
#define IDC_PROP_MAX_POPULATION 1111
#define ID_HISTORY_DELETE_THIS 32830
#define ID_HISTORY_DELETE_LEFT 32831
#define ID_HISTORY_DELETE_RIGHT 32832
// Tools: the genetic operators, the population's sorts and culls.
#define ID_OFFSPRING 32833
#define ID_G_ROBUSTNESS 32834
#define ID_K_ROBUSTNESS 32835
#define ID_H_ROBUSTNESS 32836
#define ID_GENETIC_ROOT_LOCUS 32841
#define ID_SORT_FINAL_VALUE 32842
#define ID_SORT_TIME_CONSTANT 32843
#define ID_SORT_OSCILLATIONS 32844
#define ID_SORT_INTERACTION 32845
#define ID_SORT_V_REJECTION 32846
#define ID_SORT_D_REJECTION 32847
#define ID_SORT_N_REJECTION 32848
#define ID_SORT_CONTROL_ACTION 32849
#define ID_SORT_POLE_MOBILITY 32850
#define ID_SORT_BY_SLIDERS 32851
#define ID_KILL_ALL 32852
#define ID_KILL_WORST 32853
