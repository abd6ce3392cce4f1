#include "platform/core/Object.h"

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  if (!base) return FALSE;
  for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
    if (cls == base) return TRUE;
  return FALSE;
}

CRuntimeClass* CObject::GetThisClass() {
  static CRuntimeClass runtimeClass{"CObject", static_cast<int>(sizeof(CObject)), 0xFFFFu, nullptr,
                                    nullptr};
  return &runtimeClass;
}

CRuntimeClass* CObject::GetRuntimeClass() const {
  return GetThisClass();
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const {
  return GetRuntimeClass()->IsDerivedFrom(cls);
}

void CObject::Serialize(CArchive&) {}
