#pragma once
// CObject and runtime classes: the class name, size, base class and factory
// that document templates and IsKindOf rely on.
//
//   class CShape : public CObject { DECLARE_DYNCREATE(CShape) ... };
//   IMPLEMENT_DYNCREATE(CShape, CObject)
//   if (p->IsKindOf(RUNTIME_CLASS(CShape))) ...
#include "platform/core/Types.h"

#include <type_traits>

class CArchive;
class CObject;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF: not serialisable by schema
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;

  // A new object of this class, or null when the class has no factory.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* cls) const;
  virtual void Serialize(CArchive& ar);

  using QxThisType = CObject;
  static CRuntimeClass* GetThisClass();

 protected:
  CObject() = default;
};

namespace qx_detail {
// RUNTIME_CLASS of a class that forgot DECLARE_DYNAMIC would silently name its
// base; this check turns that into a compile error.
template <class T>
CRuntimeClass* RuntimeClassOf() {
  static_assert(std::is_same_v<typename T::QxThisType, T>,
                "RUNTIME_CLASS needs DECLARE_DYNAMIC or DECLARE_DYNCREATE in the class");
  return T::GetThisClass();
}
}  // namespace qx_detail

#define RUNTIME_CLASS(cls) (qx_detail::RuntimeClassOf<cls>())

#define DECLARE_DYNAMIC(cls)            \
 public:                                \
  using QxThisType = cls;               \
  static CRuntimeClass* GetThisClass(); \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(cls) \
  DECLARE_DYNAMIC(cls)         \
  static CObject* CreateObject();

#define QX_IMPLEMENT_RUNTIMECLASS(cls, base, schema, factory)                               \
  CRuntimeClass* cls::GetThisClass() {                                                      \
    static CRuntimeClass runtimeClass{#cls, static_cast<int>(sizeof(cls)), schema, factory, \
                                      RUNTIME_CLASS(base)};                                 \
    return &runtimeClass;                                                                   \
  }                                                                                         \
  CRuntimeClass* cls::GetRuntimeClass() const {                                             \
    return cls::GetThisClass();                                                             \
  }

#define IMPLEMENT_DYNAMIC(cls, base) QX_IMPLEMENT_RUNTIMECLASS(cls, base, 0xFFFFu, nullptr)

#define IMPLEMENT_DYNCREATE(cls, base) \
  CObject* cls::CreateObject() {       \
    return new cls;                    \
  }                                    \
  QX_IMPLEMENT_RUNTIMECLASS(cls, base, 0xFFFFu, cls::CreateObject)

template <class T>
T* AfxDynamicDownCast(CObject* p) {
  return (p && p->IsKindOf(RUNTIME_CLASS(T))) ? static_cast<T*>(p) : nullptr;
}
template <class T>
const T* AfxDynamicDownCast(const CObject* p) {
  return (p && p->IsKindOf(RUNTIME_CLASS(T))) ? static_cast<const T*>(p) : nullptr;
}
// Null when p is not of class cls (a static cast that checks).
#define DYNAMIC_DOWNCAST(cls, p) (AfxDynamicDownCast<cls>(p))
#define STATIC_DOWNCAST(cls, p) (AfxDynamicDownCast<cls>(p))
