#pragma once
// Reads a document into a root-locus scene (diagrams/RootLocus.h): pointers
// into its loci and into the roots its loop system computed, nothing copied or
// computed. A template over the document's members, so that tests can also
// read a hand-built stand-in.
#include "diagrams/RootLocus.h"

#include <algorithm>
#include <iterator>

namespace qxrootlocus {

// Roots 1 .. count of a 1-based array of the loop numerics, limited to what the
// array holds.
template <class Array>
RootLocusRoots RootsOf(int group, bool poles, const Array& array, int count) {
  const McComplex* data = std::data(array);
  const int held = static_cast<int>(std::size(array)) - 1;
  return {group, poles, data, std::max(0, std::min(count, held))};
}

// An element's poles, then its zeros; nothing when its root finder failed.
template <class Fn>
void AddElementRoots(RootLocusScene& scene, int group, const Fn& fn) {
  if (!fn.m_bRootsValid) return;
  scene.roots.push_back(RootsOf(group, true, fn.m_poles, fn.m_nDen - 1));
  scene.roots.push_back(RootsOf(group, false, fn.m_zeros, fn.m_nNum - 1));
}

template <class Matrix>
void AddBlockRoots(RootLocusScene& scene, int group, const Matrix& block) {
  if (!(block.m_wFlags & 1) || !block.m_pElements) return;
  for (int e = 0; e < block.m_nRows * block.m_nCols; ++e)
    AddElementRoots(scene, group, block.m_pElements[e]);
}

template <class Doc>
RootLocusScene SceneOf(const Doc& doc) {
  RootLocusScene scene;
  scene.origin.x = doc.m_ptRlOrigin.x;
  scene.origin.y = doc.m_ptRlOrigin.y;
  scene.scaleX = doc.m_dRlScaleX;
  scene.scaleY = doc.m_dRlScaleY;
  for (int i = 0; i < doc.m_nVarPoints; ++i) {
    const auto& locus = doc.m_pVarPoints[i];
    scene.loci.push_back({locus.m_pPoints.get(), locus.m_nCount, locus.Colour()});
  }
  const auto& system = doc.m_system;
  AddBlockRoots(scene, 0, system.m_P);
  AddBlockRoots(scene, 1, system.m_K);
  AddBlockRoots(scene, 2, system.m_G);
  AddBlockRoots(scene, 3, system.m_L);
  AddBlockRoots(scene, 4, system.m_F);
  // The zeros of |I+FLGK| are the closed-loop poles, those of |FLGK| the
  // transmission zeros.
  const auto& closed = system.m_detIFLGK;
  const auto& transmission = system.m_detFLGK;
  if (closed.m_bRootsValid)
    scene.roots.push_back(RootsOf(kRootGroupClosedLoop, true, closed.m_zeros, closed.m_nNum - 1));
  if (transmission.m_bRootsValid)
    scene.roots.push_back(
        RootsOf(kRootGroupClosedLoop, false, transmission.m_zeros, transmission.m_nNum - 1));
  return scene;
}

}  // namespace qxrootlocus
