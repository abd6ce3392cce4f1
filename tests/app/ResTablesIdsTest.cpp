// The command ids of resource.h: distinct, in the application's range, and
// clear of the worker thread messages.
#include "res/resource.h"

#include <gtest/gtest.h>

#include <set>

TEST(ResTablesIds, CommandIdsAreDistinctAndInTheApplicationRange) {
  // clang-format off
  const unsigned commands[] = {
      ID_EDIT_MODELS, ID_EDIT_SIGNALS, ID_TIME_SETTINGS, ID_VIEW_PROCESSVIEW,
      ID_VIEW_SIMULATIONVIEW, ID_VIEW_EQUALIZER, ID_VIEW_VARIABLES, ID_VIEW_COMMENTS,
      RLOCUS, NYQUIST, INYQUIST, NICHOLS, BODE, CHNYQUIST, CHBODE,
      RLPROPERTIES, FREQPROPERTIES, ADDNODES, REMNODES, EDITNODE, REMNODE, DELETEPOLE,
      ID_EFFECTIVE_MODELS, RUN1, RUN2, RUN3, RUN4, RUN5, RUN6, RUN7, RUN8, RUN9, RUN10,
      RUNCLEAR, RUNRESIMULATE, ID_CLOSED_LOOP_POLES, ID_INTERACTION, ID_BANDWIDTH,
      ID_HISTORY_PROPERTIES, ID_HISTORY_DELETE_THIS, ID_HISTORY_DELETE_LEFT,
      ID_HISTORY_DELETE_RIGHT, ID_HELP_TOPICS, ID_OFFSPRING, ID_G_ROBUSTNESS,
      ID_K_ROBUSTNESS, ID_H_ROBUSTNESS, ID_GENETIC_ROOT_LOCUS, ID_SORT_FINAL_VALUE,
      ID_SORT_TIME_CONSTANT, ID_SORT_OSCILLATIONS, ID_SORT_INTERACTION, ID_SORT_V_REJECTION,
      ID_SORT_D_REJECTION, ID_SORT_N_REJECTION, ID_SORT_CONTROL_ACTION, ID_SORT_POLE_MOBILITY,
      ID_SORT_BY_SLIDERS, ID_KILL_ALL, ID_KILL_WORST,
  };
  // clang-format on
  std::set<unsigned> seen;
  for (unsigned id : commands) {
    EXPECT_TRUE(seen.insert(id).second) << id << " is used twice";
    EXPECT_TRUE(id >= 0x8000u && id < 0xE000u) << id;    // below the framework's ids
    EXPECT_FALSE(id >= 0x8008u && id <= 0x800Du) << id;  // WM_APP + 8 ... 13
  }
  EXPECT_EQ(RUN10 - RUN1, 9);  // RUN1 + i recalls run i + 1
}

TEST(ResTablesIds, TemplateBarAndControlIdsAreDistinct) {
  // clang-format off
  const unsigned windows[] = {
      IDR_MAINFRAME, IDR_QOREXTYPE, IDD_ABOUTBOX, IDD_OUTPUTBAR, IDW_OUTPUTBAR, IDD_LEFTBAR,
      IDW_LEFTBAR, IDD_VARBAR, IDW_VARBAR, IDD_EQUALIZERBAR, IDW_EQUALIZERBAR, IDD_COMMENTBAR,
      IDW_COMMENTBAR, IDC_VARLIST, IDC_LOCUS, IDC_COLOUR, IDC_MINIMUM, IDC_MAXIMUM,
      IDC_VALUE_SLIDER, IDC_VALUE, IDC_COMMENT, IDC_WEIGHT_FINAL_VALUE, IDC_WEIGHT_TIME_CONSTANT,
      IDC_WEIGHT_OSCILLATIONS, IDC_WEIGHT_INTERACTION, IDC_WEIGHT_V_REJECTION,
      IDC_WEIGHT_D_REJECTION, IDC_WEIGHT_N_REJECTION, IDC_WEIGHT_CONTROL_ACTION,
  };
  // clang-format on
  std::set<unsigned> seen;
  for (unsigned id : windows) EXPECT_TRUE(seen.insert(id).second) << id << " is used twice";
  // The equalizer's criterion i is on control 1020 + i.
  EXPECT_EQ(IDC_WEIGHT_CONTROL_ACTION - IDC_WEIGHT_FINAL_VALUE, 7);
}
