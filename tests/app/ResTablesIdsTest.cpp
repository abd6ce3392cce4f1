// The resource ids: every command id of the program is distinct, clear of the
// framework's own ids and of the worker thread messages.
#include "platform/ui/Constants.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

#define QX_ID(name) \
  { #name, name }

TEST(ResTablesIds, CommandIdsAreDistinctAndInTheApplicationRange) {
  const std::pair<const char*, unsigned> commands[] = {
      QX_ID(ID_EDIT_MODELS),
      QX_ID(ID_EDIT_SIGNALS),
      QX_ID(ID_TIME_SETTINGS),
      QX_ID(ID_VIEW_PROCESSVIEW),
      QX_ID(ID_VIEW_SIMULATIONVIEW),
      QX_ID(ID_VIEW_EQUALIZER),
      QX_ID(ID_VIEW_VARIABLES),
      QX_ID(ID_VIEW_COMMENTS),
      QX_ID(RLOCUS),
      QX_ID(NYQUIST),
      QX_ID(INYQUIST),
      QX_ID(NICHOLS),
      QX_ID(BODE),
      QX_ID(CHNYQUIST),
      QX_ID(CHBODE),
      QX_ID(RLPROPERTIES),
      QX_ID(FREQPROPERTIES),
      QX_ID(ADDNODES),
      QX_ID(REMNODES),
      QX_ID(EDITNODE),
      QX_ID(REMNODE),
      QX_ID(DELETEPOLE),
      QX_ID(ID_EFFECTIVE_MODELS),
      QX_ID(RUN1),
      QX_ID(RUN2),
      QX_ID(RUN3),
      QX_ID(RUN4),
      QX_ID(RUN5),
      QX_ID(RUN6),
      QX_ID(RUN7),
      QX_ID(RUN8),
      QX_ID(RUN9),
      QX_ID(RUN10),
      QX_ID(RUNCLEAR),
      QX_ID(RUNRESIMULATE),
      QX_ID(ID_CLOSED_LOOP_POLES),
      QX_ID(ID_INTERACTION),
      QX_ID(ID_BANDWIDTH),
      QX_ID(ID_HISTORY_PROPERTIES),
      QX_ID(ID_HISTORY_DELETE_THIS),
      QX_ID(ID_HISTORY_DELETE_LEFT),
      QX_ID(ID_HISTORY_DELETE_RIGHT),
      QX_ID(ID_HELP_TOPICS),
      QX_ID(ID_OFFSPRING),
      QX_ID(ID_G_ROBUSTNESS),
      QX_ID(ID_K_ROBUSTNESS),
      QX_ID(ID_H_ROBUSTNESS),
      QX_ID(ID_GENETIC_ROOT_LOCUS),
      QX_ID(ID_SORT_FINAL_VALUE),
      QX_ID(ID_SORT_TIME_CONSTANT),
      QX_ID(ID_SORT_OSCILLATIONS),
      QX_ID(ID_SORT_INTERACTION),
      QX_ID(ID_SORT_V_REJECTION),
      QX_ID(ID_SORT_D_REJECTION),
      QX_ID(ID_SORT_N_REJECTION),
      QX_ID(ID_SORT_CONTROL_ACTION),
      QX_ID(ID_SORT_POLE_MOBILITY),
      QX_ID(ID_SORT_BY_SLIDERS),
      QX_ID(ID_KILL_ALL),
      QX_ID(ID_KILL_WORST),
  };
  std::map<unsigned, std::string> seen;
  for (const auto& [name, id] : commands) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(seen.emplace(id, name).second) << "shares " << id << " with " << seen[id];
    EXPECT_GE(id, 0x8000u);                        // application commands
    EXPECT_LT(id, 0xE000u);                        // below the framework's
    EXPECT_FALSE(id >= 0x8008u && id <= 0x800Du);  // the worker thread messages
  }
  // The run commands are consecutive: RUN1 + i recalls run i + 1.
  EXPECT_EQ(RUN10 - RUN1, 9);
}

TEST(ResTablesIds, TemplateBarAndControlIdsAreDistinct) {
  const std::pair<const char*, unsigned> windows[] = {
      QX_ID(IDD_ABOUTBOX),   QX_ID(IDD_OUTPUTBAR),    QX_ID(IDW_OUTPUTBAR),
      QX_ID(IDD_LEFTBAR),    QX_ID(IDW_LEFTBAR),      QX_ID(IDD_VARBAR),
      QX_ID(IDW_VARBAR),     QX_ID(IDD_EQUALIZERBAR), QX_ID(IDW_EQUALIZERBAR),
      QX_ID(IDD_COMMENTBAR), QX_ID(IDW_COMMENTBAR),
  };
  std::map<unsigned, std::string> seen;
  for (const auto& [name, id] : windows) {
    EXPECT_TRUE(seen.emplace(id, name).second) << name << " shares " << id << " with " << seen[id];
  }
  const std::pair<const char*, unsigned> controls[] = {
      QX_ID(IDC_VARLIST),
      QX_ID(IDC_LOCUS),
      QX_ID(IDC_COLOUR),
      QX_ID(IDC_MINIMUM),
      QX_ID(IDC_MAXIMUM),
      QX_ID(IDC_VALUE_SLIDER),
      QX_ID(IDC_VALUE),
      QX_ID(IDC_COMMENT),
      QX_ID(IDC_WEIGHT_FINAL_VALUE),
      QX_ID(IDC_WEIGHT_TIME_CONSTANT),
      QX_ID(IDC_WEIGHT_OSCILLATIONS),
      QX_ID(IDC_WEIGHT_INTERACTION),
      QX_ID(IDC_WEIGHT_V_REJECTION),
      QX_ID(IDC_WEIGHT_D_REJECTION),
      QX_ID(IDC_WEIGHT_N_REJECTION),
      QX_ID(IDC_WEIGHT_CONTROL_ACTION),
  };
  seen.clear();
  for (const auto& [name, id] : controls) {
    EXPECT_TRUE(seen.emplace(id, name).second) << name << " shares " << id << " with " << seen[id];
  }
  EXPECT_EQ(IDC_WEIGHT_LAST - IDC_WEIGHT_FIRST, 7);
}

#undef QX_ID

}  // namespace
