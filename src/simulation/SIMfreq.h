#pragma once
// CSIMfreq: the frequency response of one design's loop, its bands, its
// characteristic loci, the user's frequency nodes and the frequency-domain
// costs of the design search. Each document owns one; every recalculation
// sweeps it again (CSIMsystem::Prepare); nothing of it is saved.
//
// Sweep. On the logarithmic grid
//   w_k = w_min r^k, k = 0 .. N - 1,  r = (w_max / w_min)^(1/N),
// (w advanced by multiplying, so w_max itself is not a grid point) the sweep
// stores, with Q = LGK(jw_k) = L G K and F the feedback element:
//   m_pDirect   Q(r, c) at entry (k rows + r) cols + c;
//   m_pInverse  Q^-1, same layout, by the adjugate for 1 x 1 to 3 x 3 loops,
//               all zeros for a loop that is not square or has 4+ rows;
//   m_pLoci     the eigenvalues of F Q (characteristic loci), m_nDim per w_k;
//   m_pLociGain per eigenvalue mu_j of Q: (20 log10 |mu_j|, theta_j in
//               degrees), theta_j the angle between its eigenvector and the
//               j-th unit vector (the misalignment angle);
//   the bands   at every T-th grid point (T the tick step), for the diagonal
//               element i: Gershgorin radii of Q and Q^-1 by columns or rows
//               (the side whose discs violate dominance less, then the side
//               with the smaller total; sums equal within 1e-12 of the larger
//               keep the columns, since a square loop's column and row totals
//               add the same moduli), the row radii
//               of Q, and Ostrowski's radius of Q^-1 with the gains f_i of F;
//   the nodes   Q(r, c) and Q^-1(r, c) at each node's frequency and cell, and
//               the characteristic values there.
// Branch j of a characteristic diagram is the j-th eigenvalue in the order the
// eigenvalue routine returns them; the values are not reordered. Entries the
// sweep does not compute (the gains of a loop that is not square, the loci of
// a single loop) are NaN, and so are the values an eigenvalue call left
// unfinished when its iteration gave up (SIMeigen.h): the eigenvalues before
// the position it reports, and all gains and angles of that frequency, whose
// vectors are then no eigenvectors.
//
// Evaluation of one element b(s) / a(s) at s = jw accumulates the powers of
// jw and divides as N conj(D) / |D|^2. Where |D|^2 or a power overflows (or
// |D|^2 underflows) it evaluates again in powers of 1/(jw) from the top degree
// (powers of jw below 1 rad/s) with a scaled division, so a finite response is
// never lost to the squaring; a true zero of D stays non-finite. The adjugate
// inverse falls back the same way, on the matrix scaled by a power of two.
//
// Cost per grid point of an n x n loop: 2 n^2 element evaluations (Q and F Q),
// the adjugate, and two eigenvalue calls (ComplexEigen, about 10 n^3 flops
// each, one of them with eigenvectors), which dominate; bands at every T-th
// point cost O(n^2). Arrays are reused and grow only when a loop or a setting
// needs more room; a sweep allocates nothing else.
//
// Nodes. Markers at a frequency in one cell (row in the high 4 bits of the
// cell byte, column in the low 4) or on one branch of a characteristic
// diagram, with an inertia and the diagram byte of the view. Dragging a node
// or a curve point records a target and runs the search over the design
// variables with the drag cost; the toolbar's "Interaction" and "Bandwidth"
// run it with the interaction and bandwidth costs. The search is reached
// through CSIMsearchUi (SIMsearch.h); with none installed nothing is searched.
//
// Costs (FrequencyCost, with the search's trial values of the variables):
// K, G, L and F of the document's loop are rebuilt and multiplied out, and
// compared with the responses of the last recalculation, which stay the
// reference for the whole search. The blocks are left in their simulation
// form afterwards, as a recalculation leaves them.
//
// User-interface thread only; nothing is locked. No operation reports an
// error: non-finite values are stored and costed as they are.
#include "MC/McComplex.h"
#include "simulation/SIMeigen.h"
#include "platform/core/Types.h"

#include <memory>

class CQorexDoc;
class CSIMsystem;
class CSIMtrnfn;
class CSIMtrnmx;

class CSIMfreq {
 public:
  // Every array at its first size, no nodes, no pick (node -1, cell (0, 0)).
  CSIMfreq();
  virtual ~CSIMfreq();
  CSIMfreq(const CSIMfreq&) = delete;
  CSIMfreq& operator=(const CSIMfreq&) = delete;

  // ---- the sweep ----------------------------------------------------------------
  // Sizes the arrays for LGK, FLGK and the current settings; capacities never
  // shrink and grown arrays do not keep their contents (the node arrays keep
  // theirs; the node loci are regrown to m_nNodes m_nDim).
  void AllocateArrays(const CSIMtrnmx& lgk, const CSIMtrnmx& flgk);
  // The whole sweep of doc's own loop. Its products and F must be in their
  // normal form, as during CSIMsystem::Prepare's rebuild (F's gains at s = 0
  // weigh the Ostrowski bands).
  void ComputeResponses(CQorexDoc* doc);
  // The arrays sized as ComputeResponses sizes them, every swept, band and
  // node value NaN: the sweep of a loop that cannot be computed (a model
  // that does not convert, CSIMsystem::m_nInvalidModels), which draws nothing.
  void ComputeNothing(CQorexDoc* doc);
  // The steps of ComputeResponses after AllocateArrays, in order: the direct
  // response with the loci, its inverse, the bands, the nodes.
  void SweepDirect(const CSIMsystem& sys);
  void SweepInverse();
  void SweepBands(const CSIMsystem& sys);
  void SweepNodes(const CSIMsystem& sys);

  // Q(row, col)(jw) and element (row, col) of Q(jw)^-1 (0 when Q is not square
  // or has 4+ rows); NaN for a cell outside Q. Uses none of the engine's fields.
  static void LoopAtFrequency(const CSIMsystem& sys, int row, int col, double w, McComplex* direct,
                              McComplex* inverse);
  // The eigenvalues of FLGK(jw) to loci[0 .. n-1] and the gains of LGK(jw) to
  // gains[0 .. n-1] (NaN when LGK is not square); direct: LGK(jw) row-major
  // when the caller has it. Nothing is written when FLGK is not square.
  void CharacteristicLoci(const CSIMsystem& sys, double w, McComplex* loci, McComplex* gains,
                          const McComplex* direct);

  // b(jw) / a(jw) of one element, as described above.
  static McComplex Response(const CSIMtrnfn& t, double w);
  // (max / min)^(1/n), without forming the quotient when it overflows;
  // infinite for n < 1.
  static double GridRatio(double min, double max, int n);

  // ---- nodes and diagram coordinates -------------------------------------------
  // Appends a node; its values are NaN until the next sweep. doc is not used.
  void AddNode(double w, int row, int col, double inertia, BYTE diagram, CQorexDoc* doc);
  // Removes node i (the last node takes its place); a negative i removes all;
  // an index past the last node is ignored.
  void RemoveNode(int i);
  // Records a drag of node `node` (or of a curve point when node < 0) towards
  // the target and runs the search, local or global. A node index past the
  // last node is ignored. doc is not used.
  void SetNode(int node, double w, McComplex direct, McComplex inverse, int row, int col,
               BYTE diagram, CQorexDoc* doc, int local);
  // The point (x, y) of the value pair (z, w) in the diagram of the byte, in
  // doc's scales of that diagram (m_diagView).
  McComplex ToDiagram(const CQorexDoc* doc, McComplex z, McComplex w, BYTE diagram) const;

  // ---- frequency-domain costs (the search's cost with mode bit 0x2000) -------
  // Rebuilds the loop for the current variable values, then by m_nMode:
  // 0 the drag cost, 1 InteractionCost, anything else BandwidthCost.
  double FrequencyCost(CQorexDoc* doc);
  // Over the coarse grid (every T-th grid frequency): minus the diagonal
  // moduli, plus their change and the penalties for Re < -0.2 and Im > 0.2,
  // plus the mean and the largest off-diagonal modulus. May be negative.
  double InteractionCost(CQorexDoc* doc);
  // Over the coarse grid: each diagonal element against the stored response
  // one coarse step lower, the off-diagonal ones against their own, plus the
  // penalties for Re < 0 and Im > 0.
  double BandwidthCost(CQorexDoc* doc);
  // The toolbar searches: m_nMode 1 or 2 during the search, 0 afterwards.
  void MinimizeInteraction(CQorexDoc* doc, int global);
  void ImproveBandwidth(CQorexDoc* doc, int global);

  // ---- data -----------------------------------------------------------------------
  // Nodes: m_nNodes entries of each, room for m_nNodeCapacity (doubles).
  std::unique_ptr<McComplex[]> m_nodeDirect;   // Q(row, col) at the node
  std::unique_ptr<McComplex[]> m_nodeInverse;  // Q^-1(row, col) at the node
  std::unique_ptr<double[]> m_nodeInertia;     // weight in the drag cost
  std::unique_ptr<BYTE[]> m_nodeFlags;         // diagram byte: kind and kNode* marks
  std::unique_ptr<BYTE[]> m_nodeCell;          // NodeCell(row, column or branch)
  std::unique_ptr<double[]> m_nodeFreq;        // rad/s
  int m_nNodes = 0;
  int m_nNodeCapacity = 10;

  // Pick of the view's hit test, and the drag's target.
  double m_dPickFreq = 0.0;
  int m_nPickCol = 0;    // column, or branch in the characteristic diagrams
  int m_nPickNode = -1;  // node index, -1 for a point of a curve
  int m_nPickRow = 0;
  BYTE m_nPickDiagram = 0;
  McComplex m_targetDirect{0.0, 0.0};
  McComplex m_targetInverse{0.0, 0.0};

  // Swept responses: m_nFreqs x m_nRows x m_nCols.
  std::unique_ptr<McComplex[]> m_pDirect;
  std::unique_ptr<McComplex[]> m_pInverse;
  // Ostrowski work values of one band frequency, one per band index.
  std::unique_ptr<double[]> m_ostCol, m_ostRow, m_ostRatioCol, m_ostRatioRow;
  int m_nOstCapacity = 16;
  // Band radii at entry j m_nBandDim + i (band frequency j = grid point T j).
  std::unique_ptr<double[]> m_bandDirect;     // Gershgorin of Q, chosen side
  std::unique_ptr<double[]> m_bandDirectRow;  // Gershgorin of Q by rows
  std::unique_ptr<double[]> m_bandInverse;    // Gershgorin of Q^-1, chosen side
  std::unique_ptr<double[]> m_bandOstrowski;  // Ostrowski of Q^-1, chosen side
  int m_nTickStep = 2;                        // T: g_nFreqTickStep at the last sizing
  int m_nBandDim = 0;                         // band indices: min(rows, cols), 0 when off or 1 x 1
  int m_nBandCapacity = 20;
  int m_nRows = 1;  // of LGK
  int m_nCols = 1;
  int m_nFreqs = 0;  // N: g_nFreqSteps at the last sizing
  int m_nResponseCapacity = 40;
  // The range of the last sweep, so that readers pair the arrays with the
  // frequencies that made them (GridRatio(m_dFreqMin, m_dFreqMax, m_nFreqs)).
  double m_dFreqMin = 0.0;
  double m_dFreqMax = 0.0;

  // Characteristic values: m_nDim per grid point, and per node.
  std::unique_ptr<McComplex[]> m_pLoci;
  std::unique_ptr<McComplex[]> m_pLociGain;  // (dB, degrees)
  std::unique_ptr<McComplex[]> m_nodeLoci;
  std::unique_ptr<McComplex[]> m_nodeLociGain;
  int m_nDim = 1;    // largest of the row and column counts of LGK and FLGK
  BYTE m_nMode = 0;  // cost: 0 drag, 1 interaction, else bandwidth
  int m_nLociCapacity = 40;
  int m_nNodeLociCapacity = 40;
  // The eigenvalue routine's matrix (and eigenvectors) and work space.
  std::unique_ptr<McComplex[]> m_pEigenMatrix;
  int m_nEigenCapacity = 16;
  std::unique_ptr<double[]> m_pEigenWork;
  int m_nWorkCapacity = static_cast<int>(EigenWorkSize(4));

 private:
  struct Pair {
    McComplex z;  // direct value, or the locus
    McComplex w;  // inverse value, or the gain
  };
  // The value pair of a cell (diagram types 1-4) or branch (5, 6) at w.
  Pair PairAt(const CSIMsystem& sys, int row, int col, double w, BYTE diagram);
  double DragCost(CQorexDoc* doc);
  // Distance in the diagram between the pairs, and to the mean of two pairs.
  double Distance(const CQorexDoc* doc, const Pair& a, const Pair& b, BYTE diagram) const;
  double Smoothness(CQorexDoc* doc, const CSIMsystem& sys, const Pair& p, int row, int col,
                    double w, BYTE diagram);
  // Node `from`'s fields, its characteristic values included, into node `to`.
  void MoveNode(int to, int from);
  // Whether node n's cell (or branch) exists in the last sweep.
  bool NodeInside(int n) const;
  void RunSearch(WORD mode);
  // Stored direct response at grid index k, or null outside what is stored.
  const McComplex* Stored(int k, int row, int col) const;
};
