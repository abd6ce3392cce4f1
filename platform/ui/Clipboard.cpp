// The clipboard and its mirror on the desktop's clipboard (see Clipboard.h).
#include "platform/ui/Clipboard.h"

#include "platform/core/Debug.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct ClipboardState {
  std::recursive_mutex lock;
  bool open = false;
  HWND opener = nullptr;
  bool changed = false;         // contents changed while open: publish on close
  bool desktopChanged = false;  // another program changed the desktop's clipboard
  bool publishing = false;
  bool watching = false;
  const QMimeData* published = nullptr;  // what we last gave the desktop (compared, never read)
  std::map<UINT, HGLOBAL> items;         // ordered by format, as EnumClipboardFormats walks them
  std::map<std::string, UINT> formatIds;
  std::map<UINT, std::string> formatNames;
  UINT nextFormat = 0xC000;
  unsigned failures = 0;   // ClipboardCall bits set by the test hook
  int failuresSpared = 0;  // calls of those bits that still succeed first
};

ClipboardState& State() {
  static auto* state = new ClipboardState;
  return *state;
}

std::string Lowered(const char* name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

QClipboard* Desktop() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app || QThread::currentThread() != app->thread()) return nullptr;
  return QGuiApplication::clipboard();
}

// Frees a block; a picture's recording goes with it.
void FreeItem(UINT format, HGLOBAL block) {
  if (format == CF_METAFILEPICT && GlobalSize(block) >= sizeof(METAFILEPICT)) {
    METAFILEPICT picture;
    std::memcpy(&picture, GlobalLock(block), sizeof(picture));
    GlobalUnlock(block);
    DeleteMetaFile(picture.hMF);
  }
  GlobalFree(block);
}

void FreeItems(ClipboardState& state) {
  for (auto& [format, block] : state.items) FreeItem(format, block);
  state.items.clear();
}

// The block's bytes, at most limit of them.
QByteArray BlockBytes(HGLOBAL block, SIZE_T limit = ~SIZE_T{0}) {
  SIZE_T size = std::min(GlobalSize(block), limit);
  const char* bytes = static_cast<const char*>(GlobalLock(block));
  QByteArray copy = bytes ? QByteArray(bytes, static_cast<qsizetype>(size)) : QByteArray();
  GlobalUnlock(block);
  return copy;
}

HGLOBAL BlockOf(const QByteArray& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, static_cast<SIZE_T>(bytes.size()));
  if (!block) return nullptr;
  std::memcpy(GlobalLock(block), bytes.constData(), static_cast<std::size_t>(bytes.size()));
  GlobalUnlock(block);
  return block;
}

// CF_TEXT: the bytes before the first zero (or the block's end), CR LF -> LF.
QString TextFromBlock(HGLOBAL block) {
  QByteArray bytes = BlockBytes(block);
  qsizetype end = bytes.indexOf('\0');
  if (end >= 0) bytes.truncate(end);
  QString text;
  text.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    BYTE b = static_cast<BYTE>(bytes[i]);
    if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.append(QChar(static_cast<char16_t>(QxWindows1252ToUnicode(b))));
  }
  return text;
}

// Desktop text -> CF_TEXT bytes: Windows-1252 ('?' where it has no byte), CR LF, zero.
QByteArray TextToBytes(const QString& text) {
  static const std::map<char32_t, BYTE> reverse = [] {
    std::map<char32_t, BYTE> map;
    for (int b = 1; b < 256; ++b) map.emplace(QxWindows1252ToUnicode(static_cast<BYTE>(b)), b);
    return map;
  }();
  QByteArray bytes;
  for (QChar c : text) {
    if (c == QLatin1Char('\r')) continue;
    if (c == QLatin1Char('\n')) bytes.append('\r');
    auto found = reverse.find(c.unicode());
    bytes.append(found == reverse.end() ? '?' : static_cast<char>(found->second));
  }
  bytes.append('\0');
  return bytes;
}

// The desktop's rendering of a picture: the recording's rectangle source
// drawn into a width x height image.
struct PictureLayout {
  CRect source;
  int width = 0;
  int height = 0;
};

// Larger stated sizes are taken for garbage, not for a picture; the area is
// what the renderer accepts.
constexpr long long kMaxPictureSide = 16384;
constexpr long long kMaxPictureArea = 1LL << 26;
// Logical extents of the scalable modes are HIMETRIC (0.01 mm), shown at 96 dpi.
constexpr long long kHimetricPerInch = 2540;
constexpr long long kPixelsPerInch = 96;

bool PlausibleSize(long long width, long long height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPictureArea;
}

// A rectangle of the given size at (left, top); empty when it leaves int's range.
CRect RectAt(long long left, long long top, long long width, long long height) {
  constexpr long long kMax = std::numeric_limits<int>::max();
  if (left + width > kMax || top + height > kMax) return CRect();
  return CRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
               static_cast<int>(top + height));
}

// With MM_TEXT the extents are the picture's size in pixels (never less than
// the drawing), and the drawing's top-left point (which callers fix with white
// pixels) is its origin. In the
// scalable modes the whole drawing is scaled into the extents converted to
// pixels; a negative extent there only states an aspect ratio and, like any
// other mode or a missing or absurd extent, leaves the drawn bounds at their
// own size (cut to the largest plausible one).
PictureLayout LayoutOf(const METAFILEPICT& picture) {
  const CRect bounds = QxMetaFileBounds(picture.hMF);
  const bool drawn = !bounds.IsRectEmpty();
  const long long left = drawn ? bounds.left : 0, top = drawn ? bounds.top : 0;
  const long long x = picture.xExt, y = picture.yExt;
  if (picture.mm == MM_TEXT && PlausibleSize(x, y)) {
    // A stated size smaller than the drawing would cut off what was drawn
    // (a frame's right edge, say); the picture grows to hold all of it.
    const long long w = drawn ? std::max<long long>(x, bounds.right - left) : x;
    const long long h = drawn ? std::max<long long>(y, bounds.bottom - top) : y;
    if (PlausibleSize(w, h))
      return {RectAt(left, top, w, h), static_cast<int>(w), static_cast<int>(h)};
  }
  if ((picture.mm == MM_ANISOTROPIC || picture.mm == MM_ISOTROPIC) && drawn && x > 0 && y > 0) {
    const long long w = (x * kPixelsPerInch + kHimetricPerInch / 2) / kHimetricPerInch;
    const long long h = (y * kPixelsPerInch + kHimetricPerInch / 2) / kHimetricPerInch;
    if (PlausibleSize(w, h)) return {bounds, static_cast<int>(w), static_cast<int>(h)};
  }
  if (!drawn) return {};
  const long long w = std::min(static_cast<long long>(bounds.right) - left, kMaxPictureSide);
  const long long h =
      std::min({static_cast<long long>(bounds.bottom) - top, kMaxPictureSide, kMaxPictureArea / w});
  return {RectAt(left, top, w, h), static_cast<int>(w), static_cast<int>(h)};
}

// An SVG document of width x height pixels showing the PNG.
QByteArray SvgOfPng(const QByteArray& png, int width, int height) {
  const QByteArray w = QByteArray::number(width), h = QByteArray::number(height);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
         " version=\"1.1\" width=\"" +
         w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n<image width=\"" + w +
         "\" height=\"" + h + "\" xlink:href=\"data:image/png;base64," + png.toBase64() +
         "\"/>\n</svg>\n";
}

void AddPicture(QMimeData* mime, HGLOBAL block) {
  if (GlobalSize(block) < sizeof(METAFILEPICT)) return;
  METAFILEPICT picture;
  std::memcpy(&picture, GlobalLock(block), sizeof(picture));
  GlobalUnlock(block);
  const PictureLayout layout = LayoutOf(picture);
  if (layout.source.IsRectEmpty()) {
    TRACE("Clipboard: a picture with nothing drawn and no size is not offered\n");
    return;
  }
  QByteArray png = QxMetaFileToPng(picture.hMF, layout.source, layout.width, layout.height);
  if (png.isEmpty()) return;
  mime->setData(QStringLiteral("image/png"), png);
  mime->setData(QStringLiteral("image/svg+xml"), SvgOfPng(png, layout.width, layout.height));
}

void Publish(ClipboardState& state) {
  QClipboard* desktop = Desktop();
  if (!desktop) return;
  auto* mime = new QMimeData;
  for (const auto& [format, block] : state.items) {
    if (format == CF_TEXT) {
      mime->setText(TextFromBlock(block));
    } else if (format == CF_METAFILEPICT) {
      AddPicture(mime, block);
    } else if (auto name = state.formatNames.find(format); name != state.formatNames.end()) {
      mime->setData(QString::fromStdString(name->second), BlockBytes(block));
    }
  }
  state.publishing = true;
  desktop->setMimeData(mime);
  state.publishing = false;
  state.published = mime;
  state.desktopChanged = false;
}

// Another program's block is taken only up to the paste limit, text included.
bool Acceptable(const QByteArray& bytes, const char* what) {
  if (!bytes.isEmpty() && static_cast<std::size_t>(bytes.size()) <= QX_CLIPBOARD_MAX_PASTE)
    return true;
  TRACE("Clipboard: the pasted %s was refused (%lld bytes)\n", what,
        static_cast<long long>(bytes.size()));
  return false;
}

// Another program's contents replace ours: text, and the registered formats.
void Import(ClipboardState& state, const QMimeData* mime) {
  FreeItems(state);
  if (!mime) return;
  if (mime->hasText()) {
    QByteArray bytes = TextToBytes(mime->text());
    if (Acceptable(bytes, "text")) {
      if (HGLOBAL block = BlockOf(bytes)) state.items[CF_TEXT] = block;
    }
  }
  for (const auto& [id, name] : state.formatNames) {
    QString type = QString::fromStdString(name);
    if (!mime->hasFormat(type)) continue;
    QByteArray bytes = mime->data(type);
    if (!Acceptable(bytes, name.c_str())) continue;
    if (HGLOBAL block = BlockOf(bytes)) state.items[id] = block;
  }
}

// Follows the desktop's clipboard: a change by anyone else is imported on the next read.
void SyncFromDesktop(ClipboardState& state) {
  QClipboard* desktop = Desktop();
  if (!desktop) return;
  if (!state.watching) {
    state.watching = true;
    QObject::connect(desktop, &QClipboard::dataChanged, desktop, [] {
      ClipboardState& s = State();
      std::lock_guard<std::recursive_mutex> guard(s.lock);
      if (!s.publishing) s.desktopChanged = true;
    });
    // What the desktop held before the first look is as new as a later change.
    state.desktopChanged = true;
  }
  if (state.desktopChanged && !state.changed) {
    state.desktopChanged = false;
    // A late change signal of our own publication changes nothing.
    if (desktop->mimeData() != state.published) Import(state, desktop->mimeData());
  }
}

}  // namespace

namespace {

// Whether the test hook makes this call fail now.
bool HookFails(ClipboardState& state, unsigned call) {
  if (!(state.failures & call)) return false;
  if (state.failuresSpared > 0) {
    --state.failuresSpared;
    return false;
  }
  return true;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (HookFails(state, QxTest::kClipboardOpen)) return FALSE;
  if (state.open) return state.opener == owner ? TRUE : FALSE;
  SyncFromDesktop(state);
  state.open = true;
  state.opener = owner;
  state.changed = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open || HookFails(state, QxTest::kClipboardEmpty)) return FALSE;
  FreeItems(state);
  state.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open || format == 0 || HookFails(state, QxTest::kClipboardSet)) return nullptr;
  SIZE_T size = GlobalSize(data);
  if (size == 0 || (format == CF_METAFILEPICT && size < sizeof(METAFILEPICT))) return nullptr;
  auto found = state.items.find(format);
  if (found != state.items.end() && found->second != data) FreeItem(format, found->second);
  state.items[format] = data;
  state.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open) return nullptr;
  auto found = state.items.find(format);
  return found == state.items.end() ? nullptr : found->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open) SyncFromDesktop(state);
  return state.items.count(format) ? TRUE : FALSE;
}

int CountClipboardFormats() {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open) SyncFromDesktop(state);
  return static_cast<int>(state.items.size());
}

UINT EnumClipboardFormats(UINT format) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open) return 0;
  auto next = state.items.upper_bound(format);
  return next == state.items.end() ? 0 : next->first;
}

BOOL CloseClipboard() {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  if (!state.open) return FALSE;
  if (state.changed) Publish(state);
  state.open = false;
  state.opener = nullptr;
  state.changed = false;
  return TRUE;
}

UINT RegisterClipboardFormat(LPCSTR name) {
  if (!name || !*name) return 0;
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  std::string key = Lowered(name);
  if (auto found = state.formatIds.find(key); found != state.formatIds.end()) return found->second;
  if (state.nextFormat > 0xFFFF) return 0;
  UINT id = state.nextFormat++;
  state.formatIds.emplace(key, id);
  state.formatNames.emplace(id, name);
  return id;
}

int GetClipboardFormatName(UINT format, LPSTR buffer, int bufferSize) {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  auto found = state.formatNames.find(format);
  if (found == state.formatNames.end() || !buffer || bufferSize <= 0) return 0;
  int length = std::min(static_cast<int>(found->second.size()), bufferSize - 1);
  std::memcpy(buffer, found->second.data(), static_cast<std::size_t>(length));
  buffer[length] = '\0';
  return length;
}

HWND GetOpenClipboardWindow() {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  return state.open ? state.opener : nullptr;
}

namespace QxTest {

ClipboardFailures::ClipboardFailures(unsigned calls, int spared) {
  std::lock_guard<std::recursive_mutex> guard(State().lock);
  m_previous = State().failures;
  m_previousSpared = State().failuresSpared;
  State().failures = calls;
  State().failuresSpared = spared;
}

ClipboardFailures::~ClipboardFailures() {
  std::lock_guard<std::recursive_mutex> guard(State().lock);
  State().failures = m_previous;
  State().failuresSpared = m_previousSpared;
}

void ResetClipboard() {
  ClipboardState& state = State();
  std::lock_guard<std::recursive_mutex> guard(state.lock);
  FreeItems(state);
  state.open = false;
  state.opener = nullptr;
  state.changed = false;
  if (QClipboard* desktop = Desktop()) {
    state.publishing = true;
    desktop->clear();
    state.publishing = false;
    state.published = nullptr;
  }
  state.desktopChanged = false;
}

}  // namespace QxTest
