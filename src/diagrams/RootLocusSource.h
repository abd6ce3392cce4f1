#pragma once
// Reads a document into a root-locus scene (diagrams/RootLocus.h). The
// document and its loop system are still growing; each part of the scene is
// taken only once the document has the members it comes from, and stays at
// its default until then (the document's own default origin and scales, no
// loci, no roots). A template, so that tests can read a stand-in document.
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
  if constexpr (requires {
                  doc.m_ptRlOrigin.x;
                  doc.m_dRlScaleX;
                  doc.m_dRlScaleY;
                }) {
    scene.origin.x = doc.m_ptRlOrigin.x;
    scene.origin.y = doc.m_ptRlOrigin.y;
    scene.scaleX = doc.m_dRlScaleX;
    scene.scaleY = doc.m_dRlScaleY;
  }
  if constexpr (requires {
                  doc.m_pVarPoints[0].m_pPoints;
                  doc.m_nVarPoints;
                }) {
    for (int i = 0; i < doc.m_nVarPoints; ++i) {
      const auto& locus = doc.m_pVarPoints[i];
      scene.loci.push_back({locus.m_pPoints.get(), locus.m_nCount, locus.Colour()});
    }
  }
  const auto& system = doc.m_system;
  if constexpr (requires {
                  system.m_P.m_pElements;
                  system.m_F.m_wFlags;
                }) {
    AddBlockRoots(scene, 0, system.m_P);
    AddBlockRoots(scene, 1, system.m_K);
    AddBlockRoots(scene, 2, system.m_G);
    AddBlockRoots(scene, 3, system.m_L);
    AddBlockRoots(scene, 4, system.m_F);
  }
  if constexpr (requires {
                  system.m_detIFLGK.m_zeros;
                  system.m_detFLGK.m_zeros;
                }) {
    // The zeros of |I+FLGK| are the closed-loop poles, those of |FLGK| the
    // transmission zeros.
    const auto& closed = system.m_detIFLGK;
    const auto& transmission = system.m_detFLGK;
    if (closed.m_bRootsValid)
      scene.roots.push_back(RootsOf(kRootGroupClosedLoop, true, closed.m_zeros, closed.m_nNum - 1));
    if (transmission.m_bRootsValid)
      scene.roots.push_back(
          RootsOf(kRootGroupClosedLoop, false, transmission.m_zeros, transmission.m_nNum - 1));
  }
  return scene;
}

}  // namespace qxrootlocus
