#pragma once
// Which of the main frame's bars show a design other than the one expected.
#include "DesignBar.h"
#include "MainFrm.h"
#include "QorexDoc.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace qxtest {

// Who shows or acts on another design than doc: every bar's name, then the
// extra rows' (who, the design it shows), each followed by "; "; "" when all
// show doc.
inline std::string NotShowing(
    const CMainFrame& frame, const CQorexDoc* doc,
    std::initializer_list<std::pair<const char*, const CQorexDoc*>> extra = {}) {
  const std::pair<const char*, const CQorexDoc*> bars[] = {
      {"SimulationView and the status line", SimulationViewDesign()},
      {"ProcessView, its run and tuner spots", frame.m_wndLeftBar.m_pDoc},
      {"Variables", frame.m_wndVarbar.m_pDoc},
      {"Variables' list", frame.m_wndVarbar.m_pListedDoc},
      {"Performance Equalizer", frame.m_wndEqualizerBar.m_pDoc},
      {"Comments", frame.m_wndCommentBar.m_pDoc}};
  std::string strays;
  for (const auto& [who, shows] : bars)
    if (shows != doc) strays += std::string(who) + "; ";
  for (const auto& [who, shows] : extra)
    if (shows != doc) strays += std::string(who) + "; ";
  return strays;
}

}  // namespace qxtest
