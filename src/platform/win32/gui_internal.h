// The pieces of the Win32 GUI layer shared by its source files: the fonts of
// the rosters and the live window built from a roster.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/window.h"

namespace kovrin::win32 {

// The face every control uses. It holds CJK glyphs on every Windows since
// Vista whatever the system locale, so Chinese captions render everywhere.
// Fonts are made in the GB2312 character set, so that a system without the
// face falls back to one that has Chinese glyphs.
inline constexpr wchar_t kDefaultFace[] = L"Microsoft YaHei";
// The character height (em) of the default font, in pixels.
inline constexpr int kDefaultFontHeight = 12;

// The logical font a roster's font description stands for.
LOGFONTW logicalFont(const Font& font);

// One GDI font per distinct description, alive as long as the cache.
class FontCache {
 public:
  FontCache() = default;
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache();
  HFONT get(const Font& font);  // nullptr when the font cannot be made

 private:
  std::map<std::pair<int, bool>, HFONT> fonts_;  // (height, bold)
};

// A top-level window built from a roster. It lives on the GUI thread; the
// object outlives its window handle, so a handler still running when the
// window goes away finds a window whose properties read empty and ignore
// writes.
class Win32Window final : public Window {
 public:
  Win32Window(const WindowSpec& layout, FontCache& fonts);
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;
  ~Win32Window() override;

  // Creates the window, hidden and centred on the screen, with all its
  // controls; `owner` (may be null) owns it and is disabled while it is open
  // when `modal`. False when the system refused the window.
  bool create(HWND owner, bool modal);
  // Runs the created handler.
  void created();
  // Shows the window and brings it to the front.
  void show();
  HWND handle() const { return hwnd_; }
  bool alive() const { return hwnd_ != nullptr; }
  // Destroys the window if it still exists (raising its destroy handler).
  void destroy();

  const WindowSpec& layout() const override { return spec_; }
  std::string text(std::string_view control) override;
  void setText(std::string_view control, const std::string& text) override;
  void setDisabled(std::string_view control, bool disabled) override;
  bool disabled(std::string_view control) override;
  void setPosition(std::string_view control, int position) override;
  void setPeriod(std::string_view control, int milliseconds) override;

  // The window procedure of the tool's window class.
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  struct Control {
    const ControlSpec* layout = nullptr;
    HWND hwnd = nullptr;      // nullptr for the timer and after destruction
    bool busy = false;        // its handler is running
    bool disabled = false;    // kept for controls without a window (timers)
  };

  static LRESULT CALLBACK labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  bool createControl(std::size_t index);
  Control& control(std::string_view name);
  Control* controlOf(HWND child);
  // Calls the handler of the control's event once; never nested within
  // itself, never lets an exception out.
  void fire(Control& c);
  void callHandler(const Handler& handler);
  void releaseOwner();
  // Labels are drawn by the window: the colours (transparent background,
  // the roster's text colour) and the text itself.
  HBRUSH prepareLabelColours(const Control& c, HDC dc);
  void drawLabel(const Control& c, HDC dc, const RECT& area);

  WindowSpec spec_;
  FontCache& fonts_;
  std::vector<Control> controls_;
  std::map<std::string, std::size_t, std::less<>> byName_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  bool ownerDisabled_ = false;  // we disabled the owner and must enable it again
  HWND lastFocus_ = nullptr;
  bool destroyRaised_ = false;
};

// Registers the window class of the tool's windows once per process.
const wchar_t* windowClassName();

}  // namespace kovrin::win32
