// Checks that a real window was built exactly from its roster.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "gui_test_support.h"
#include "platform/window.h"

namespace kovrin::guitest {

inline std::wstring lower(std::wstring s) {
  for (auto& ch : s) ch = static_cast<wchar_t>(std::towlower(ch));
  return s;
}

inline const wchar_t* expectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: return L"static";
    case ControlKind::Button: return L"button";
    case ControlKind::Edit: return L"edit";
    case ControlKind::Combo: return L"combobox";
    case ControlKind::Progress: return L"msctls_progress32";
    case ControlKind::Timer: break;
  }
  return L"";
}

inline LOGFONTW fontOf(HWND hwnd) {
  LOGFONTW lf{};
  auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (font) GetObjectW(font, sizeof lf, &lf);
  return lf;
}


// The height of one line of a control's font.
inline int lineHeight(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return tm.tmHeight;
}

// A label drawn into a bitmap prefilled with a marker colour: it must leave
// the background alone (transparent), draw its text in the roster's colour,
// centre it vertically and break lines at "\r\n".
inline void expectLabelDrawing(HWND label, const ControlSpec& c) {
  constexpr std::uint32_t kMarker = 0x01FEFD;  // 0xRRGGBB, in no roster
  RECT rc{};
  GetClientRect(label, &rc);
  const int w = rc.right, h = rc.bottom;
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  auto* px = static_cast<std::uint32_t*>(bits);
  std::fill(px, px + static_cast<std::size_t>(w) * h, kMarker);
  GdiFlush();
  SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const std::uint32_t want = c.textColor ? *c.textColor : [] {
    const COLORREF sys = GetSysColor(COLOR_BTNTEXT);
    return static_cast<std::uint32_t>(GetRValue(sys) << 16 | GetGValue(sys) << 8 | GetBValue(sys));
  }();
  std::size_t untouched = 0;
  bool exactColour = false;
  int firstRow = -1, lastRow = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = px[static_cast<std::size_t>(y) * w + x] & 0xFFFFFF;
      if (p == kMarker) {
        ++untouched;
        continue;
      }
      if (p == want) exactColour = true;
      if (firstRow < 0) firstRow = y;
      lastRow = y;
    }
  }
  const int line = lineHeight(label);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  if (c.caption.empty()) {
    EXPECT_EQ(untouched, static_cast<std::size_t>(w) * h);
    return;
  }
  EXPECT_GE(untouched * 10, static_cast<std::size_t>(w) * h * 4) << "background painted over";
  EXPECT_TRUE(exactColour) << "no pixel in the text colour";
  ASSERT_GE(firstRow, 0);
  const int inkHeight = lastRow - firstRow + 1;
  if (c.caption.find("\r\n") != std::string::npos) {
    EXPECT_GT(inkHeight, line) << "not broken into lines";
  } else {
    EXPECT_LE(inkHeight, line);
  }
  if (h > inkHeight + 4) {
    EXPECT_LE(std::abs(firstRow - (h - 1 - lastRow)), 5) << "not centred vertically";
  }
}

// The frame: outer size, centred on the screen, fixed border, title bar with
// system menu, close and minimise boxes, no maximise box.
inline void expectFrame(HWND top, const WindowSpec& layout) {
  EXPECT_EQ(windowText(top), wide(layout.caption));
  RECT r{};
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, layout.width);
  EXPECT_EQ(r.bottom - r.top, layout.height);
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.left, (screenW - layout.width) / 2);
  EXPECT_EQ(r.top, (screenH - layout.height) / 2);
  const LONG style = GetWindowLongW(top, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_CHILD);
}

// Every roster control except the timer is a child window with the roster's
// identifier, class, text, rectangle, font, colour and items; there are no
// other children.
inline void expectControls(HWND top, const WindowSpec& layout) {
  std::size_t windows = 0;
  for (std::size_t i = 0; i < layout.controls.size(); ++i) {
    const ControlSpec& c = layout.controls[i];
    SCOPED_TRACE(c.name);
    HWND h = GetDlgItem(top, controlId(i));
    if (c.kind == ControlKind::Timer) {
      EXPECT_EQ(h, nullptr);
      continue;
    }
    ++windows;
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetParent(h), top);
    EXPECT_EQ(lower(className(h)), expectedClass(c.kind));
    EXPECT_EQ(windowText(h), wide(c.caption));

    const RECT r = childRect(h);
    EXPECT_EQ(r.left, c.rect.left);
    EXPECT_EQ(r.top, c.rect.top);
    EXPECT_EQ(r.right - r.left, c.rect.width);
    if (c.kind == ControlKind::Combo) {
      // A closed combo box is as high as its roster says, or a little
      // higher where one line of the face needs it; the line is never cut.
      EXPECT_GE(r.bottom - r.top, c.rect.height);
      EXPECT_LE(r.bottom - r.top, c.rect.height + 4);
      EXPECT_GE(SendMessageW(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), lineHeight(h));
    } else {
      EXPECT_EQ(r.bottom - r.top, c.rect.height);
    }

    const LONG style = GetWindowLongW(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(IsWindowEnabled(h));

    const LOGFONTW lf = fontOf(h);
    EXPECT_EQ(lf.lfHeight, -(c.font.height ? c.font.height : 12));
    EXPECT_EQ(lf.lfWeight, c.font.bold ? FW_BOLD : FW_NORMAL);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);  // also where the roster does not ask for it
    EXPECT_STREQ(lf.lfFaceName, L"Microsoft YaHei");

    switch (c.kind) {
      case ControlKind::Label:
        // Only a label with a press event takes the mouse.
        EXPECT_EQ((style & SS_NOTIFY) != 0, c.event == ControlEvent::LeftButtonDown);
        expectLabelDrawing(h, c);
        break;
      case ControlKind::Button:
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
        EXPECT_TRUE(style & BS_MULTILINE);
        break;
      case ControlKind::Edit:
        EXPECT_TRUE(style & ES_AUTOHSCROLL);
        EXPECT_FALSE(style & (ES_NUMBER | ES_MULTILINE | ES_PASSWORD | ES_READONLY));
        EXPECT_GE(SendMessageW(h, EM_GETLIMITTEXT, 0, 0), 0x7FFF);
        break;
      case ControlKind::Combo: {
        EXPECT_EQ(style & 3, CBS_DROPDOWN);
        ASSERT_EQ(SendMessageW(h, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.items.size()));
        for (std::size_t k = 0; k < c.items.size(); ++k) {
          wchar_t item[256] = {};
          SendMessageW(h, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(item));
          EXPECT_EQ(std::wstring(item), wide(c.items[k]));
        }
        EXPECT_EQ(SendMessageW(h, CB_GETCURSEL, 0, 0), CB_ERR);
        break;
      }
      case ControlKind::Progress:
        EXPECT_EQ(SendMessageW(h, PBM_GETRANGE, TRUE, 0), 0);
        EXPECT_EQ(SendMessageW(h, PBM_GETRANGE, FALSE, 0), 100);
        EXPECT_EQ(SendMessageW(h, PBM_GETPOS, 0, 0), 0);
        break;
      case ControlKind::Timer:
        break;
    }
  }
  std::size_t children = 0;
  for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, windows);
}

}  // namespace kovrin::guitest
