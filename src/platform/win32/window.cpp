// A real top-level window built from a roster: child controls, fonts, colours,
// event dispatch and property access by control name.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "platform/text.h"
#include "platform/win32/gui_internal.h"
#include "platform/win32/resource_ids.h"

namespace kovrin::win32 {
namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t kClassName[] = L"KovrinWindow";
// Room for the drop-down list of a combo box below its edit field.
constexpr int kComboListHeight = 200;

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

std::u16string wideWindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::u16string buffer(static_cast<std::size_t>(length) + 1, u'\0');
  const int got = GetWindowTextW(hwnd, reinterpret_cast<wchar_t*>(buffer.data()), length + 1);
  buffer.resize(static_cast<std::size_t>(std::max(got, 0)));
  return buffer;
}

std::string windowText(HWND hwnd) { return fromUtf16(wideWindowText(hwnd)); }

COLORREF colorOf(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Top-left corner that centres a window of the given outer size on the
// monitor of `anchor` (the primary one when null), kept on that monitor so that
// its title bar stays reachable on a small screen.
POINT centredOrigin(HWND anchor, int width, int height) {
  HMONITOR monitor = anchor ? MonitorFromWindow(anchor, MONITOR_DEFAULTTOPRIMARY)
                          : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (monitor && GetMonitorInfoW(monitor, &info)) screen = info.rcMonitor;
  const LONG x = screen.left + (screen.right - screen.left - width) / 2;
  const LONG y = screen.top + (screen.bottom - screen.top - height) / 2;
  return POINT{std::max(x, screen.left), std::max(y, screen.top)};
}

// Sizes the edit field of a drop-down combo box so that the closed box is
// `height` high, but never lower than one full line of its font: a roster
// drawn for a smaller face gets a slightly taller box, not clipped text.
void fitComboHeight(HWND combo, int height) {
  RECT r{};
  if (!GetWindowRect(combo, &r)) return;
  const LRESULT field = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  if (field == CB_ERR) return;
  const int wanted = static_cast<int>(field) + height - (r.bottom - r.top);
  int lineHeight = 0;
  if (HDC dc = GetDC(combo)) {
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    if (GetTextMetricsW(dc, &tm)) lineHeight = tm.tmHeight;
    if (old) SelectObject(dc, old);
    ReleaseDC(combo, dc);
  }
  const int fieldHeight = std::max(wanted, lineHeight);
  if (fieldHeight > 0 && fieldHeight != field)
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight);
}

}  // namespace

// ----------------------------------------------------------------- fonts ---

LOGFONTW logicalFont(const Font& font) {
  LOGFONTW lf{};
  lf.lfHeight = -(font.height > 0 ? font.height : kDefaultFontHeight);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  // Every font asks for the GB2312 character set, not only those that name
  // it: where the face is missing, the system then still picks one with
  // Chinese glyphs instead of one that shows boxes.
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  wcscpy_s(lf.lfFaceName, LF_FACESIZE, kDefaultFace);
  return lf;
}

FontCache::~FontCache() {
  for (auto& [key, font] : fonts_)
    if (font) DeleteObject(font);
}

HFONT FontCache::get(const Font& font) {
  const auto key = std::make_pair(font.height > 0 ? font.height : 0, font.bold);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  const LOGFONTW lf = logicalFont(font);
  HFONT made = CreateFontIndirectW(&lf);
  fonts_.emplace(key, made);
  return made;
}

// ---------------------------------------------------------- window class ---

const wchar_t* windowClassName() {
  static std::once_flag once;
  std::call_once(once, [] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Window::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    // Shared icons belong to the system; a program without the icon resource
    // (the layer tests) gets the default one.
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KOVRIN), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_SHARED));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KOVRIN),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    RegisterClassExW(&wc);
  });
  return kClassName;
}

// ---------------------------------------------------------------- window ---

Win32Window::Win32Window(const WindowSpec& layout, FontCache& fonts) : spec_(layout), fonts_(fonts) {
  controls_.resize(spec_.controls.size());
  for (std::size_t i = 0; i < spec_.controls.size(); ++i) {
    controls_[i].layout = &spec_.controls[i];
    byName_.emplace(spec_.controls[i].name, i);
  }
}

Win32Window::~Win32Window() { destroy(); }

void Win32Window::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Win32Window::create(HWND owner, bool modal) {
  const POINT origin = centredOrigin(owner, spec_.width, spec_.height);
  const std::u16string caption = toUtf16(spec_.caption);
  owner_ = owner;
  HWND made = CreateWindowExW(0, windowClassName(), wide(caption), kFrameStyle, origin.x, origin.y,
                              spec_.width, spec_.height, owner, nullptr, GetModuleHandleW(nullptr),
                              this);
  if (!made) return false;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!createControl(i)) {
      destroyRaised_ = true;  // a window that never came up has nothing to tear down
      destroy();
      return false;
    }
  }
  if (modal && owner && IsWindowEnabled(owner)) {
    EnableWindow(owner, FALSE);
    ownerDisabled_ = true;
  }
  return true;
}

bool Win32Window::createControl(std::size_t index) {
  Control& c = controls_[index];
  const ControlSpec& s = *c.layout;
  const wchar_t* cls = nullptr;
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  int height = s.rect.height;
  switch (s.kind) {
    case ControlKind::Timer:
      return true;  // no window; SetTimer on the parent when armed
    case ControlKind::Label:
      cls = L"STATIC";
      // Drawn by the window itself: transparent, in the roster's colour,
      // vertically centred, broken into lines only at line breaks.
      style |= SS_OWNERDRAW;
      if (s.event == ControlEvent::LeftButtonDown) style |= SS_NOTIFY;
      break;
    case ControlKind::Button:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
      break;
    case ControlKind::Edit:
      cls = L"EDIT";
      style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Combo:
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
      // The height given to a combo box includes its drop-down list.
      height = s.rect.height + kComboListHeight;
      break;
    case ControlKind::Progress:
      cls = PROGRESS_CLASSW;
      break;
  }
  const bool hasText = s.kind != ControlKind::Combo;
  const std::u16string text = toUtf16(hasText ? s.caption : std::string());
  HWND child = CreateWindowExW(exStyle, cls, wide(text), style, s.rect.left, s.rect.top,
                               s.rect.width, height, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(index))),
                               GetModuleHandleW(nullptr), nullptr);
  if (!child) return false;
  c.hwnd = child;
  if (HFONT font = fonts_.get(s.font)) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  switch (s.kind) {
    case ControlKind::Label:
      if (s.event == ControlEvent::LeftButtonDown)
        SetWindowSubclass(child, &Win32Window::labelProc, 1, reinterpret_cast<DWORD_PTR>(this));
      break;
    case ControlKind::Edit:
      SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // no limit beyond the system's
      break;
    case ControlKind::Combo: {
      for (const auto& item : s.items) {
        const std::u16string w = toUtf16(item);
        SendMessageW(child, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(w)));
      }
      SendMessageW(child, CB_LIMITTEXT, 0, 0);  // no limit beyond the system's
      fitComboHeight(child, s.rect.height);
      const std::u16string w = toUtf16(s.caption);
      SetWindowTextW(child, wide(w));
      break;
    }
    case ControlKind::Progress:
      SendMessageW(child, PBM_SETRANGE32, 0, 100);
      SendMessageW(child, PBM_SETPOS, 0, 0);
      break;
    default:
      break;
  }
  return true;
}

void Win32Window::created() {
  if (hwnd_) callHandler(spec_.onCreated);
}

void Win32Window::show() {
  if (!hwnd_) return;
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
}

void Win32Window::releaseOwner() {
  if (ownerDisabled_) {
    ownerDisabled_ = false;
    if (owner_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
  }
}

Win32Window::Control& Win32Window::control(std::string_view name) {
  auto it = byName_.find(name);
  if (it == byName_.end())
    throw std::out_of_range("no control named " + std::string(name) + " in " + spec_.name);
  return controls_[it->second];
}

Win32Window::Control* Win32Window::controlOf(HWND child) {
  if (!child) return nullptr;
  const int id = GetDlgCtrlID(child);
  if (id < controlId(0)) return nullptr;
  const auto index = static_cast<std::size_t>(id - controlId(0));
  if (index >= controls_.size() || controls_[index].hwnd != child) return nullptr;
  return &controls_[index];
}

void Win32Window::callHandler(const Handler& handler) {
  if (!handler) return;
  // Handlers report their own failures; nothing may unwind into the system.
  try {
    handler(*this);
  } catch (...) {
  }
}

void Win32Window::fire(Control& c) {
  if (c.busy || !c.layout->handler) return;
  c.busy = true;
  callHandler(c.layout->handler);
  c.busy = false;
}

// ------------------------------------------------------------------ labels ---

HBRUSH Win32Window::prepareLabelColours(const Control& c, HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  COLORREF colour = c.layout->textColor ? colorOf(*c.layout->textColor) : GetSysColor(COLOR_BTNTEXT);
  if (c.hwnd && !IsWindowEnabled(c.hwnd)) colour = GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(dc, colour);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void Win32Window::drawLabel(const Control& c, HDC dc, const RECT& area) {
  const std::u16string text = wideWindowText(c.hwnd);
  if (text.empty()) return;
  const int saved = SaveDC(dc);
  if (auto font = reinterpret_cast<HFONT>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0))) SelectObject(dc, font);
  prepareLabelColours(c, dc);
  const auto* w = reinterpret_cast<const wchar_t*>(text.c_str());
  const int length = static_cast<int>(text.size());
  constexpr UINT kFormat = DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS;
  RECT measured = area;
  DrawTextW(dc, w, length, &measured, kFormat | DT_CALCRECT);
  RECT r = area;
  const LONG spare = (area.bottom - area.top) - (measured.bottom - measured.top);
  if (spare > 0) r.top += spare / 2;
  DrawTextW(dc, w, length, &r, kFormat);
  RestoreDC(dc, saved);
}

// -------------------------------------------------------------- properties ---

std::string Win32Window::text(std::string_view name) {
  Control& c = control(name);
  if (c.hwnd) return windowText(c.hwnd);
  return hwnd_ ? c.layout->caption : std::string();
}

void Win32Window::setText(std::string_view name, const std::string& text) {
  Control& c = control(name);
  if (c.layout->kind == ControlKind::Progress || c.layout->kind == ControlKind::Timer)
    throw std::logic_error("a " + std::string(name) + " has no text");
  if (!c.hwnd) return;
  const std::u16string w = toUtf16(text);
  SetWindowTextW(c.hwnd, wide(w));
  if (c.layout->kind == ControlKind::Label) {
    // A transparent label cannot erase its old text: repaint the parent's
    // background under it, then the label and whatever else is there.
    RECT r{};
    GetWindowRect(c.hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void Win32Window::setDisabled(std::string_view name, bool disabled) {
  Control& c = control(name);
  c.disabled = disabled;
  if (c.hwnd) EnableWindow(c.hwnd, disabled ? FALSE : TRUE);
}

bool Win32Window::disabled(std::string_view name) {
  Control& c = control(name);
  if (c.hwnd) return !IsWindowEnabled(c.hwnd);
  return c.disabled;
}

void Win32Window::setPosition(std::string_view name, int position) {
  Control& c = control(name);
  if (c.layout->kind != ControlKind::Progress)
    throw std::logic_error(std::string(name) + " is not a progress bar");
  if (c.hwnd) SendMessageW(c.hwnd, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, 100)), 0);
}

void Win32Window::setPeriod(std::string_view name, int milliseconds) {
  Control& c = control(name);
  if (c.layout->kind != ControlKind::Timer)
    throw std::logic_error(std::string(name) + " is not a timer");
  if (!hwnd_) return;
  const auto id = static_cast<UINT_PTR>(controlId(static_cast<std::size_t>(&c - controls_.data())));
  if (milliseconds > 0)
    SetTimer(hwnd_, id, static_cast<UINT>(milliseconds), nullptr);
  else
    KillTimer(hwnd_, id);
}

// ---------------------------------------------------------------- messages ---

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    if (msg == WM_NCCREATE) {
      auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) return self->handle(msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT CALLBACK Win32Window::labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR ref) {
  try {
    auto* self = reinterpret_cast<Win32Window*>(ref);
    switch (msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (Control* c = self->controlOf(hwnd); c && c->layout->event == ControlEvent::LeftButtonDown)
          self->fire(*c);
        return 0;
      case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &Win32Window::labelProc, id);
        break;
      default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

LRESULT Win32Window::handle(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  switch (msg) {
    case WM_COMMAND: {
      Control* c = controlOf(reinterpret_cast<HWND>(lp));
      if (!c) break;
      const UINT code = HIWORD(wp);
      const ControlSpec& s = *c->layout;
      if (s.kind == ControlKind::Button && code == BN_CLICKED && s.event == ControlEvent::Clicked &&
          IsWindowEnabled(c->hwnd))
        fire(*c);
      else if (s.kind == ControlKind::Edit && code == EN_CHANGE && s.event == ControlEvent::TextChanged)
        fire(*c);
      return 0;
    }
    case WM_TIMER: {
      const auto id = static_cast<std::size_t>(wp);
      const auto first = static_cast<std::size_t>(controlId(0));
      if (id < first || id - first >= controls_.size()) break;
      Control& c = controls_[id - first];
      if (c.layout->kind == ControlKind::Timer && c.layout->event == ControlEvent::Elapsed) fire(c);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      Control* c = controlOf(reinterpret_cast<HWND>(lp));
      if (!c || c->layout->kind != ControlKind::Label) break;
      return reinterpret_cast<LRESULT>(prepareLabelColours(*c, reinterpret_cast<HDC>(wp)));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      Control* c = item ? controlOf(item->hwndItem) : nullptr;
      if (!c || c->layout->kind != ControlKind::Label) break;
      drawLabel(*c, item->hDC, item->rcItem);
      return TRUE;
    }
    case WM_ACTIVATE:
      // Keep the keyboard focus on the control that had it, as a dialog does.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd, lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Enable the owner before this window goes, so that it gets the
      // activation back instead of some other program.
      releaseOwner();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].layout->kind == ControlKind::Timer) KillTimer(hwnd, controlId(i));
      if (!destroyRaised_) {
        destroyRaised_ = true;
        callHandler(spec_.onDestroy);
      }
      releaseOwner();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      for (auto& c : controls_) c.hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kovrin::win32
