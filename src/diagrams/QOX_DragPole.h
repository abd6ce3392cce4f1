#pragma once
// QOX_DragPole: one grabbed root of the root-locus diagram (a pole or zero of
// a model element, a closed-loop pole or a transmission zero) and the search
// that makes it follow the mouse.
//
// Starting a grab finds the free variables that move the root: for a model
// root the variables (table entry 5 or more) of the element's numerator (a
// zero) or denominator (a pole) that actually move it when perturbed; for a
// loop root every variable of the models K, G, L, F marked "Allow automatic
// modification". Each mouse position is then a target: a coordinate pattern
// search over those variables lowers Cost, the squared pixel distance of the
// matched new root to the target plus, weighted by g_dRootInertia, how far
// the other roots moved. DragToEx adds a global stage that probes every
// variable far up and down. The variables are written in the document's
// table in place; the caller recalculates the document.
//
// Cost of one evaluation: a model root converts its factor to a polynomial
// and finds its roots (unpolished); a loop root rebuilds K, G, L, F, the loop
// products and |I + FLGK| (or |FLGK|) in the loop system's work members
// m_work, m_tfWork and m_tfSweep. A drag step costs up to 2 x
// g_nLocalIterations x (free variables) evaluations.
//
// Failures are costs, never crashes: root buffers are sized from the
// polynomial at hand; a refused root finding gives no roots, and no roots
// where the grabbed function had some costs +infinity; a NaN cost counts as
// +infinity in every comparison; when the old and new root counts differ the
// comparison runs over the smaller count. A model root whose element is not a
// division (or lies beyond its right side's matrix) has no factor and no free
// variables: it does not move and cannot be deleted.
//
// The same object moves all closed-loop poles towards a stable, well-damped
// place (MoveClosedLoopPoles) and deletes a grabbed factor from its model
// (DeleteFactor). User-interface thread only.
#include "MC/McComplex.h"
#include "platform/core/Types.h"
#include "search/QOX_FreeVars.h"

#include <functional>
#include <vector>

class CMcBasic;
class CQorexDoc;
class CSIMtrnfn;

// Bits of QOX_DragPole::m_wMode.
inline constexpr WORD kDragModelPole = 0x0001;          // a pole of a model element
inline constexpr WORD kDragTransmissionZero = 0x0002;   // a zero of |FLGK|
inline constexpr WORD kDragClosedLoopImprove = 0x1000;  // bits 12-15 = 1: MoveClosedLoopPoles
inline constexpr WORD kDragImproveMask = 0xF000;

class QOX_DragPole {
 public:
  // Idle: mode 0, no free variables.
  QOX_DragPole();
  virtual ~QOX_DragPole();
  QOX_DragPole(const QOX_DragPole&) = delete;
  QOX_DragPole& operator=(const QOX_DragPole&) = delete;

  // Starts the drag of a root of a model element's function; element is the
  // element's expression (null, or not a division: nothing moves it).
  void Begin(const CSIMtrnfn* function, CMcBasic* element, McComplex root, BOOL isPole,
             CQorexDoc* doc);
  // Starts the drag of a closed-loop pole (isPole) or transmission zero.
  void BeginValue(McComplex root, BOOL isPole, CQorexDoc* doc);
  // One drag step towards the pixel (x, y) of the root locus: the local
  // search; then the start point is the best root found.
  void DragTo(int x, int y);
  // The same with the global stage after the local search.
  void DragToEx(int x, int y, double tolerance);
  // Improves the closed-loop poles by the variables of the models that allow
  // automatic modification; with Shift held also by the global stage.
  void MoveClosedLoopPoles(CQorexDoc* doc);
  // Removes the grabbed factor from its model element; FALSE when there is
  // nothing to remove (a loop root, a factor not under a plain division, no
  // free variable in a plain sum of it, a factor no longer in the models).
  BOOL DeleteFactor();

  // ---- the search (QOX_DragSearch.cpp) ----------------------------------------
  // The cost of the current variable values; updates the best root.
  double Cost();
  // The cost of the closed-loop poles (closed-loop improvement).
  double ClosedLoopCost();
  // The local pattern search from the current values; the last accepted cost.
  double Search();
  // One probe of free variable i upwards (direction 0) or downwards (1) from
  // the values a, with the current cost e; the best values and cost so far
  // are b and best. Every variable is restored to a. Returns the best cost.
  double Probe(double* a, double* b, double e, double best, int i, int direction);
  // The global passes after a local search that ended at cost e0.
  void GlobalStage(double e0, double tolerance);

  // Squared pixel distance with imaginary parts compared by magnitude.
  double PixelDistance2(McComplex a, McComplex b) const;

  // What the search minimises: Cost unless replaced (tests give it a cost of
  // their own). Every result passes through one place that counts NaN as
  // +infinity.
  std::function<double()> m_evaluate;
  long m_nEvaluations = 0;  // evaluations since construction, for measuring

  // ---- data -----------------------------------------------------------------
  CQorexDoc* m_pDoc = nullptr;  // not owned
  WORD m_wMode = 0;
  McComplex m_best{0, 0};               // the new root nearest the target in this step
  McComplex m_candidate{0, 0};          // the new root matched by the latest evaluation
  McComplex m_start{0, 0};              // where the grabbed root is now
  McComplex m_target{0, 0};             // the mouse point of this step
  std::vector<McComplex> m_pRoots;      // newest roots, 1-based
  QOX_FreeVars m_vars;                  // the free variables, each once
  const CSIMtrnfn* m_pTrnfn = nullptr;  // whose roots were grabbed (not owned)
  CMcBasic* m_pFactor = nullptr;        // numerator or denominator of the element (the model's)

  // ---- tree operations ------------------------------------------------------------
  // Lists the free variables of node's tree that are not listed yet.
  void CollectVariables(const CMcBasic* node);
  CMcBasic* FindFactor(CMcBasic* node, CMcBasic* stop);
  void RemoveTerm(CMcBasic* node, CMcBasic* root);
  BOOL RemoveVariableTerm(CMcBasic* node, CMcBasic* root);

 private:
  // Value of a free variable by list position.
  double& Value(int i) const;
  // The first variable node (depth first) of a listed free variable, or null.
  CMcBasic* FirstListedVariable(CMcBasic* node) const;
  // Lists the free variables of K, G, L and F where the model is marked tunable.
  void CollectLoopVariables();
  // A drag step's common start: target, fresh steps, best root far away.
  void PrepareStep(int x, int y);
  void InitialSteps();
  void FinishStep();
  // m_evaluate or Cost, NaN made +infinity.
  double Evaluate();
  // The iterations of Search from cost e.
  double SearchFrom(double e);
  // Roots of the factor, or of the loop determinant (rebuilt in the work
  // members), into m_pRoots; returns N (coefficient count, roots 1 .. N - 1),
  // and *found the number of roots actually found (0 when refused).
  int NewRoots(int* found);
  // The loop determinant of the current values into m_tfSweep.
  void RebuildLoop(bool closedLoop);
  // Roots of coefficients c[0 .. n-1] after trimming vanishing leading ones
  // into m_pRoots; returns the trimmed count, *found as above.
  int RootsOf(const double* c, int n, int* found);
  // Whether the node is still part of a model definition.
  bool InModels(const CMcBasic* node) const;
};
