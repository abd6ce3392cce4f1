#pragma once
// The framework's integer types, handles and macros, with the documented
// widths and values (stored records and message words depend on them).
#include <cstdint>
#include <cstddef>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using UCHAR = unsigned char;
using INT = int;
using FLOAT = float;
using DOUBLE = double;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using COLORREF = DWORD;
using LPSTR = char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPCTSTR = const char*;
using TCHAR = char;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPWORD = WORD*;
using HANDLE = void*;
using ATOM = WORD;
using SIZE_T = std::size_t;

// Window handles are opaque here; the windows layer maps them to its windows.
struct HWND__;
using HWND = HWND__*;
#define HWND_BROADCAST (reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xFFFF)))

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef NULL
#define NULL nullptr
#endif

#define _T(x) x
#define TEXT(x) x
#define CALLBACK
#define WINAPI
#define AFXAPI
#define PASCAL
#define FAR
#define NEAR

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define MAX_PATH 260

constexpr WORD LOWORD(DWORD_PTR l) {
  return static_cast<WORD>(l & 0xFFFF);
}
constexpr WORD HIWORD(DWORD_PTR l) {
  return static_cast<WORD>((l >> 16) & 0xFFFF);
}
constexpr BYTE LOBYTE(DWORD_PTR w) {
  return static_cast<BYTE>(w & 0xFF);
}
constexpr BYTE HIBYTE(DWORD_PTR w) {
  return static_cast<BYTE>((w >> 8) & 0xFF);
}
constexpr WORD MAKEWORD(DWORD_PTR lo, DWORD_PTR hi) {
  return static_cast<WORD>((lo & 0xFF) | ((hi & 0xFF) << 8));
}
constexpr LONG MAKELONG(DWORD_PTR lo, DWORD_PTR hi) {
  return static_cast<LONG>(static_cast<DWORD>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
// LPARAM is a signed 32-bit value on the original platform: keep that so that
// packed words compare and shift as the code expects.
constexpr LPARAM MAKELPARAM(DWORD_PTR lo, DWORD_PTR hi) {
  return MAKELONG(lo, hi);
}
constexpr WPARAM MAKEWPARAM(DWORD_PTR lo, DWORD_PTR hi) {
  return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi)));
}
constexpr LRESULT MAKELRESULT(DWORD_PTR lo, DWORD_PTR hi) {
  return MAKELONG(lo, hi);
}
// The signed coordinates packed in a mouse message's lParam.
constexpr int GET_X_LPARAM(LPARAM lp) {
  return static_cast<SHORT>(LOWORD(lp));
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
  return static_cast<SHORT>(HIWORD(lp));
}

constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) {
  return static_cast<BYTE>(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return static_cast<BYTE>((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return static_cast<BYTE>((c >> 16) & 0xFF);
}
constexpr COLORREF PALETTERGB(int r, int g, int b) {
  return 0x02000000u | RGB(r, g, b);
}
#define CLR_INVALID 0xFFFFFFFFu

#define UNUSED_ALWAYS(x) (void)(x)
#define UNREFERENCED_PARAMETER(x) (void)(x)
