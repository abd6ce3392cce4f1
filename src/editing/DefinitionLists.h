#pragma once
// What "Edit Models" and "Edit Signals" share: the copies of a design's
// definitions in the lists of their formula editor window, the flags of the
// design they show, and the steps that read the lists back.
//
// The dialogs work on copies: a definition list of the window holds one copy
// per slot, laid out for drawing, and reaches the document only at an
// accepted OK. Every step here that replaces or reshapes a list ends the
// editor's edit first.
#include "platform/core/Geometry.h"
#include "platform/core/Types.h"

#include <vector>

class CMcBasic;
class CMcGroup;
class CMXC_BIN;
class CQorexDoc;
class CWnd;
class CZevMCWnd;

namespace defedit {

// The message of an OK that finds a definition that cannot be built (the same
// words in both dialogs).
extern const char* const kInvalidMessage;

// Empties list, deleting its expressions, then appends clones of from's
// items (offset 0, 0), laid out on g_pMemDC when layout is set.
void FillList(CMcGroup* list, const CMXC_BIN& from, bool layout);
// Lays out every expression of the list (a step may have resized any of them).
void LayoutList(CMcGroup* list);
// The list's expressions as the arrays CQorexDoc::AdjustDimensions takes;
// null unless the list holds exactly count of them.
CMcBasic** SlotArray(CMcGroup* list, int count);
// Makes the copies of both lists fit the changed slot (model or signal),
// after ending the edit; false when a list does not hold a whole design.
bool AdjustCopies(CQorexDoc* doc, CZevMCWnd& editor, int slot, bool model);
// Moves the list's expressions into bin, which drops what it held.
void MoveListInto(CMcGroup* list, CMXC_BIN& bin);

// Creates editor as the "EditView" child (id 200) of dialog at rect.
bool CreateEditor(CZevMCWnd& editor, CWnd* dialog, const CRect& rect);
// A clone of the document's library entry as the list's shown expression.
void ReplaceShown(CZevMCWnd& editor, const CMcBasic* entry);
// "Choose from list" on the design's model or signal library: the chosen
// entry, or null (nothing chosen, or an index the library no longer has).
const CMcBasic* ChooseEntry(CWnd* parent, CQorexDoc* doc, bool signals);
// Clones the shown expression, laid out, into the library; the design is
// modified.
void AddShownToLibrary(CZevMCWnd& editor, CQorexDoc* doc, CMXC_BIN& library);

// Binds the list's variables in the design's table: a table that gained an
// entry or changed a used mark marks the design modified.
void BindList(CQorexDoc* doc, CMcGroup* list);

// What the design's population of recorded designs rests on: the model
// definitions as they are stored (each laid out afresh, so that a layout left
// from earlier editing does not count as a change), the models' flag words,
// and the size of the variable table, whose values every record holds.
struct ModelsSnapshot {
  std::vector<BYTE> models;
  std::vector<WORD> flags;
  int variables = 0;
  bool operator==(const ModelsSnapshot&) const = default;
};
ModelsSnapshot SnapshotModels(CQorexDoc* doc);
// The model and the signal definitions as they are stored, laid out afresh:
// what an editing dialog copied at its opening, against which its OK checks
// that nothing else changed the design meanwhile.
std::vector<BYTE> SnapshotDefinitions(CQorexDoc* doc);
// The message of an OK whose copies are older than the design (both dialogs).
extern const char* const kOlderCopiesMessage;

// The flag word of model slot i (bits 0 show poles and zeros, 1 ensure
// square, 2 allow automatic modification), and the show flag word of signal
// slot i (0-3; null for the others).
WORD& ModelFlags(CQorexDoc* doc, int i);
WORD* SignalShowFlag(CQorexDoc* doc, int i);
// Sets or clears bits of a word of the design, or the whole word; a change
// marks the design modified.
void SetDesignBits(CQorexDoc* doc, WORD& word, WORD bits, bool set);
void SetDesignWord(CQorexDoc* doc, WORD& word, WORD value);

}  // namespace defedit
