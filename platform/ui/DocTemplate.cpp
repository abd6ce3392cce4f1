#include "platform/ui/DocTemplate.h"

#include "platform/core/Debug.h"
#include "platform/ui/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource),
      m_pDocClass(pDocClass),
      m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass) {
  LoadTemplate();
}

CDocTemplate::~CDocTemplate() {
  // Documents still open belong to no template any more.
  for (CDocument* doc : m_docList) doc->m_pDocTemplate = nullptr;
  if (m_hMenuShared) {
    CMenu menu;
    menu.Attach(m_hMenuShared);
    menu.DestroyMenu();
  }
}

void CDocTemplate::LoadTemplate() {
  if (m_strDocStrings.IsEmpty()) {
    const char* strings = AfxLoadString(m_nIDResource);
    m_strDocStrings = strings ? strings : "";
  }
  if (!m_hMenuShared) {
    CMenu menu;
    if (menu.LoadMenu(m_nIDResource)) m_hMenuShared = menu.Detach();
  }
  if (!m_hAccelTable) m_hAccelTable = LoadAccelerators(nullptr, MAKEINTRESOURCE(m_nIDResource));
}

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
  rString.Empty();
  int start = 0;
  for (int field = 0; field < index; ++field) {
    int newline = m_strDocStrings.Find('\n', start);
    if (newline < 0) return FALSE;
    start = newline + 1;
  }
  int end = m_strDocStrings.Find('\n', start);
  rString = end < 0 ? m_strDocStrings.Mid(start) : m_strDocStrings.Mid(start, end - start);
  return !rString.IsEmpty();
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_pDocClass) return nullptr;
  CObject* object = m_pDocClass->CreateObject();
  auto* doc = object && object->IsKindOf(RUNTIME_CLASS(CDocument)) ? static_cast<CDocument*>(object)
                                                                   : nullptr;
  if (!doc) {
    delete object;
    TRACE0("Failed to create the document\n");
    return nullptr;
  }
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
  CCreateContext context;
  context.m_pCurrentFrame = pOther;
  context.m_pCurrentDoc = pDoc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CObject* object = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
  auto* frame = object && object->IsKindOf(RUNTIME_CLASS(CFrameWnd))
                    ? static_cast<CFrameWnd*>(object)
                    : nullptr;
  if (!frame) {
    delete object;
    TRACE0("Failed to create the frame\n");
    return nullptr;
  }
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) {
    TRACE0("Failed to load the frame\n");
    return nullptr;  // the frame deleted itself with its window
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
  pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::AddDocument(CDocument* pDoc) {
  pDoc->m_pDocTemplate = this;
  if (std::find(m_docList.begin(), m_docList.end(), pDoc) == m_docList.end()) {
    m_docList.push_back(pDoc);
  }
}

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
  m_docList.erase(std::remove(m_docList.begin(), m_docList.end(), pDoc), m_docList.end());
  if (pDoc->m_pDocTemplate == this) pDoc->m_pDocTemplate = nullptr;
}

POSITION CDocTemplate::GetFirstDocPosition() const {
  return m_docList.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t{1});
}

CDocument* CDocTemplate::GetNextDoc(POSITION& rPos) const {
  std::uintptr_t index = reinterpret_cast<std::uintptr_t>(rPos);
  if (index == 0 || index > m_docList.size()) {
    rPos = nullptr;
    return nullptr;
  }
  rPos = index < m_docList.size() ? reinterpret_cast<POSITION>(index + 1) : nullptr;
  return m_docList[index - 1];
}

BOOL CDocTemplate::SaveAllModified() {
  std::vector<CDocument*> docs = m_docList;
  for (CDocument* doc : docs) {
    if (!doc->SaveModified()) return FALSE;
  }
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  while (!m_docList.empty()) {
    CDocument* doc = m_docList.front();
    size_t before = m_docList.size();
    doc->OnCloseDocument();
    if (m_docList.size() == before && m_docList.front() == doc) RemoveDocument(doc);
  }
}

// ---- CMultiDocTemplate -------------------------------------------------------------

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass,
                                     CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument) {
  CString name;
  if (!GetDocString(name, docName)) name = "Untitled";
  CString title;
  title.Format("%s%u", name.GetString(), m_nUntitledCount + 1);
  pDocument->SetTitle(title);
}

void CMultiDocTemplate::DiscardFailed(CDocument* pDoc, CFrameWnd* pFrame, HWND hFrame) {
  // Destroying the frame closes the document with its last view; a document
  // without views is closed here.
  if (IsWindow(hFrame)) pFrame->DestroyWindow();
  if (std::find(m_docList.begin(), m_docList.end(), pDoc) != m_docList.end()) {
    pDoc->OnCloseDocument();
  }
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
  CDocument* doc = CreateNewDocument();
  if (!doc) return nullptr;
  // While the frame is being made, a failure must not close the document behind our back.
  BOOL autoDelete = doc->m_bAutoDelete;
  doc->m_bAutoDelete = FALSE;
  CFrameWnd* frame = CreateNewFrame(doc, nullptr);
  doc->m_bAutoDelete = autoDelete;
  if (!frame) {
    RemoveDocument(doc);
    // Views made before the failure have already gone with their window.
    delete doc;
    return nullptr;
  }
  HWND hFrame = frame->GetSafeHwnd();
  if (!lpszPathName) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      TRACE0("The new document could not be initialised\n");
      DiscardFailed(doc, frame, hFrame);
      return nullptr;
    }
    ++m_nUntitledCount;
  } else {
    if (!doc->OnOpenDocument(lpszPathName)) {
      // Reported by the document; nothing of it stays open.
      DiscardFailed(doc, frame, hFrame);
      return nullptr;
    }
    doc->SetPathName(lpszPathName);
  }
  InitialUpdateFrame(frame, doc, bMakeVisible);
  return doc;
}
