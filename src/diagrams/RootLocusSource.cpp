#include "diagrams/RootLocusSource.h"

#include "QorexDoc.h"

RootLocusScene RootLocusSceneOf(const CQorexDoc& doc) {
  return qxrootlocus::SceneOf(doc);
}
