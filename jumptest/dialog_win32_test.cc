// The real dialog, from the real template with the real dialog procedure,
// driven through the platform's own controls and dialog manager. The real
// program is driven from outside in tests/programs/deliverables_win32_test.cc.
#include "jumptest/dialog_win32.h"

#include <commctrl.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "jumptest/dialog_template.h"
#include "tests/test_util.h"
#include "tests/win32_process.h"

namespace {

constexpr UINT watchdog_ms = 15000;  // ends anything the test left open

using tk::test::class_name;
using tk::test::window_text;

std::string status_part(int part) {
  const LRESULT info =
      SendMessageA(tk::jumptest::status_bar_handle, SB_GETTEXTLENGTHA,
                   static_cast<WPARAM>(part), 0);
  std::array<char, 256> buf{};
  if (LOWORD(info) >= buf.size()) return "<too long>";
  SendMessageA(tk::jumptest::status_bar_handle, SB_GETTEXTA,
               static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(buf.data()));
  return buf.data();
}

std::vector<int> status_edges(HWND bar) {
  std::array<int, 16> edges{};
  const LRESULT n = SendMessageA(bar, SB_GETPARTS, edges.size(),
                                 reinterpret_cast<LPARAM>(edges.data()));
  if (n < 0 || static_cast<std::size_t>(n) > edges.size()) return {};
  return std::vector<int>(edges.begin(), edges.begin() + n);
}

// ---------------------------------------------------------------------------
// Message boxes: read and closed by a hook as soon as they become active.

struct seen_box {
  std::string text;
  std::string caption;
  bool owned_by_dialog = false;
  bool dialog_disabled = false;
  int buttons = 0;
  int icons = 0;
};

std::vector<seen_box> boxes;

bool is_message_box(HWND w) {
  return w != tk::jumptest::dialog_handle && class_name(w) == "#32770" &&
         GetWindow(w, GW_OWNER) != nullptr;
}

BOOL CALLBACK read_box_child(HWND child, LPARAM param) {
  auto& box = *reinterpret_cast<seen_box*>(param);
  const std::string cls = class_name(child);
  if (cls == "Button") {
    ++box.buttons;
  } else if (cls == "Static") {
    const auto style = GetWindowLongPtrA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
      if (SendMessageA(child, STM_GETICON, 0, 0) != 0) ++box.icons;
    } else if (std::string t = window_text(child); !t.empty()) {
      box.text += t;
    }
  }
  return TRUE;
}

LRESULT CALLBACK box_hook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    const HWND w = reinterpret_cast<HWND>(wparam);
    if (is_message_box(w)) {
      seen_box box;
      box.caption = window_text(w);
      box.owned_by_dialog =
          GetWindow(w, GW_OWNER) == tk::jumptest::dialog_handle;
      box.dialog_disabled = !IsWindowEnabled(tk::jumptest::dialog_handle);
      EnumChildWindows(w, read_box_child, reinterpret_cast<LPARAM>(&box));
      boxes.push_back(box);
      PostMessageA(w, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

class scoped_box_hook {
 public:
  scoped_box_hook()
      : hook_(SetWindowsHookExA(WH_CBT, box_hook, nullptr,
                                GetCurrentThreadId())) {
    boxes.clear();
  }
  scoped_box_hook(const scoped_box_hook&) = delete;
  scoped_box_hook& operator=(const scoped_box_hook&) = delete;
  ~scoped_box_hook() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  bool ok() const { return hook_ != nullptr; }

 private:
  HHOOK hook_;
};

// ---------------------------------------------------------------------------
// A thread timer that ends whatever is still open after watchdog_ms, so a
// test that goes wrong fails instead of hanging.

bool watchdog_fired = false;

BOOL CALLBACK close_box(HWND w, LPARAM) {
  if (is_message_box(w)) PostMessageA(w, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK watchdog_tick(HWND, UINT, UINT_PTR, DWORD) {
  watchdog_fired = true;
  EnumThreadWindows(GetCurrentThreadId(), close_box, 0);
  if (tk::jumptest::dialog_handle && IsWindow(tk::jumptest::dialog_handle))
    EndDialog(tk::jumptest::dialog_handle, 99);
}

class scoped_watchdog {
 public:
  scoped_watchdog() : id_(SetTimer(nullptr, 0, watchdog_ms, watchdog_tick)) {
    watchdog_fired = false;
  }
  scoped_watchdog(const scoped_watchdog&) = delete;
  scoped_watchdog& operator=(const scoped_watchdog&) = delete;
  ~scoped_watchdog() { KillTimer(nullptr, id_); }

 private:
  UINT_PTR id_;
};

// ---------------------------------------------------------------------------
// The dialog created modeless from the real template, for inspection.

class modeless_dialog {
 public:
  modeless_dialog() {
    InitCommonControls();
    tk::jumptest::module_handle = GetModuleHandleA(nullptr);
    tk::zero_block block =
        tk::zero_block::allocate(tk::jumptest::template_block_size);
    const auto bytes = std::as_writable_bytes(block.span());
    if (tk::jumptest::dialog_template_build(bytes) == 0) return;
    window_ = CreateDialogIndirectParamA(
        tk::jumptest::module_handle,
        reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
        tk::jumptest::dialog_proc, 0);
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    pump();
  }
  modeless_dialog(const modeless_dialog&) = delete;
  modeless_dialog& operator=(const modeless_dialog&) = delete;
  ~modeless_dialog() {
    if (window_) DestroyWindow(window_);
    pump();
  }

  HWND get() const { return window_; }
  HWND item(int id) const { return GetDlgItem(window_, id); }

  // Handles what is queued, through the dialog manager as a real loop would.
  void pump() const {
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
         ++i) {
      if (window_ && IsDialogMessageA(window_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Wine hands the focus over once the window has been activated, which can
  // come a moment after the dialog shows on a busy machine: up to 5 s.
  void wait_for_focus(HWND target) const {
    for (int i = 0; i < 500 && GetFocus() != target; ++i) {
      Sleep(10);
      pump();
    }
  }
  // A click on the real button, which tells the dialog itself.
  void click(int id) const {
    SendMessageA(item(id), BM_CLICK, 0, 0);
    pump();
  }

 private:
  HWND window_ = nullptr;
};

TEST(JumptestDialog, Initialisation) {
  const modeless_dialog d;
  ASSERT_NE(d.get(), nullptr);
  const HWND w = d.get();
  EXPECT_EQ(tk::jumptest::dialog_handle, w);
  EXPECT_EQ(window_text(w), "Test Jump Table");

  const HICON info = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(SendMessageA(w, WM_GETICON, ICON_BIG, 0),
            reinterpret_cast<LRESULT>(info));
  EXPECT_EQ(SendMessageA(w, WM_GETICON, ICON_SMALL, 0), 0);

  const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                     WS_CHILD | WS_POPUP),
            0);

  // Status bar: five parts with the given right edges, along the bottom.
  ASSERT_EQ(tk::jumptest::status_bar_handle, d.item(110));
  EXPECT_EQ(class_name(tk::jumptest::status_bar_handle), "msctls_statusbar32");
  EXPECT_EQ(status_edges(tk::jumptest::status_bar_handle),
            (std::vector<int>{100, 200, 300, 400, -1}));
  RECT client;
  GetClientRect(w, &client);
  RECT bar;
  GetWindowRect(tk::jumptest::status_bar_handle, &bar);
  MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_GT(bar.bottom - bar.top, 5);
  EXPECT_TRUE(IsWindowVisible(tk::jumptest::status_bar_handle));

  // The edit box alone has the fixed stock font.
  ASSERT_EQ(tk::jumptest::edit_handle, d.item(111));
  const auto fixed = reinterpret_cast<LRESULT>(GetStockObject(ANSI_FIXED_FONT));
  EXPECT_EQ(SendMessageA(tk::jumptest::edit_handle, WM_GETFONT, 0, 0), fixed);
  const LRESULT dialog_font = SendMessageA(w, WM_GETFONT, 0, 0);
  EXPECT_NE(dialog_font, fixed);
  EXPECT_EQ(SendMessageA(d.item(101), WM_GETFONT, 0, 0), dialog_font);
  EXPECT_EQ(window_text(tk::jumptest::edit_handle), "");

  d.wait_for_focus(d.item(101));
  EXPECT_EQ(GetFocus(), d.item(101));
  for (int part = 0; part < 5; ++part) EXPECT_EQ(status_part(part), "");
}

TEST(JumptestDialog, UnusedButtonsThenReset) {
  const modeless_dialog d;
  ASSERT_NE(d.get(), nullptr);
  ASSERT_EQ(GetActiveWindow(), d.get());
  d.click(104);
  EXPECT_EQ(window_text(d.get()), "ID 104");
  EXPECT_EQ(status_part(3), "Test 4");
  EXPECT_EQ(status_part(4), "");
  EXPECT_EQ(window_text(tk::jumptest::edit_handle),
            "The 4th button was pressed");

  d.click(105);
  EXPECT_EQ(window_text(d.get()), "ID 105");
  EXPECT_EQ(status_part(3), "Test 4");
  EXPECT_EQ(status_part(4), "Test 5");
  EXPECT_EQ(window_text(tk::jumptest::edit_handle), "OK, you pressed button 5");
  for (int part = 0; part < 3; ++part) EXPECT_EQ(status_part(part), "");

  d.click(106);
  EXPECT_EQ(window_text(d.get()), "Test Jump Table");
  for (int part = 0; part < 5; ++part) EXPECT_EQ(status_part(part), "");
  EXPECT_EQ(window_text(tk::jumptest::edit_handle), "");
  EXPECT_TRUE(IsWindowVisible(d.get()));
  // Reset leaves the layout and the font alone.
  EXPECT_EQ(status_edges(tk::jumptest::status_bar_handle),
            (std::vector<int>{100, 200, 300, 400, -1}));
  EXPECT_EQ(SendMessageA(tk::jumptest::edit_handle, WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(GetStockObject(ANSI_FIXED_FONT)));

  // Only notification code 0 acts: the same ids with another code do nothing.
  SendMessageA(d.get(), WM_COMMAND, MAKEWPARAM(104, 1), 0);
  SendMessageA(d.get(), WM_COMMAND, MAKEWPARAM(tk::jumptest::id_close, 1), 0);
  d.pump();
  EXPECT_EQ(window_text(d.get()), "Test Jump Table");
  EXPECT_EQ(status_part(3), "");
  EXPECT_TRUE(IsWindowVisible(d.get()));
}

TEST(JumptestDialog, MessageBoxes) {
  const modeless_dialog d;
  ASSERT_NE(d.get(), nullptr);
  const scoped_box_hook hook;
  ASSERT_TRUE(hook.ok());
  const scoped_watchdog watchdog;
  d.click(101);
  d.click(102);
  d.click(103);
  d.click(101);
  ASSERT_FALSE(watchdog_fired) << "a message box was not closed by the hook";
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "13");
  EXPECT_EQ(boxes[0].caption, "Get value at label 13");
  EXPECT_EQ(boxes[1].text, "-1");
  EXPECT_EQ(boxes[1].caption, "Sorry, number out of range");
  EXPECT_EQ(boxes[2].text, "Milliseconds for 10 million data reads");
  const std::string& ms = boxes[2].caption;
  EXPECT_TRUE(!ms.empty() && ms.size() <= 10 &&
              ms.find_first_not_of("0123456789") == std::string::npos)
      << ms;
  EXPECT_EQ(boxes[3].text, "13");  // the same again on a second press
  for (const seen_box& box : boxes) {
    EXPECT_TRUE(box.owned_by_dialog);
    EXPECT_TRUE(box.dialog_disabled);
    EXPECT_EQ(box.buttons, 1);  // MB_OK
    EXPECT_EQ(box.icons, 0);
  }
  EXPECT_TRUE(IsWindowEnabled(d.get()));
  EXPECT_EQ(window_text(d.get()), "Test Jump Table");
  EXPECT_EQ(window_text(tk::jumptest::edit_handle), "");
}

TEST(JumptestDialog, TypingChangesOnlyTheEditBox) {
  const modeless_dialog d;
  ASSERT_NE(d.get(), nullptr);
  d.click(104);
  SetFocus(tk::jumptest::edit_handle);
  SendMessageA(tk::jumptest::edit_handle, EM_SETSEL, 0, -1);
  for (const char c : std::string("ab"))
    PostMessageA(tk::jumptest::edit_handle, WM_CHAR, static_cast<WPARAM>(c), 1);
  d.pump();
  // Enter goes to the multi-line edit box, not to the dialog. The character
  // that the key makes is queued behind what is already there, so the rest
  // is typed after it has been handled.
  PostMessageA(tk::jumptest::edit_handle, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageA(tk::jumptest::edit_handle, WM_KEYUP, VK_RETURN, 0xC01C0001);
  d.pump();
  for (const char c : std::string("cd"))
    PostMessageA(tk::jumptest::edit_handle, WM_CHAR, static_cast<WPARAM>(c), 1);
  d.pump();
  EXPECT_EQ(window_text(tk::jumptest::edit_handle), "ab\r\ncd");
  EXPECT_EQ(window_text(d.get()), "ID 104");
  EXPECT_EQ(status_part(3), "Test 4");
  for (int part : {0, 1, 2, 4}) EXPECT_EQ(status_part(part), "");
  EXPECT_TRUE(IsWindowVisible(d.get()));
}

TEST(JumptestDialog, PaintDrawsAnEtchedFrameAboveTheStatusBar) {
  const modeless_dialog d;
  ASSERT_NE(d.get(), nullptr);
  RECT client;
  GetClientRect(d.get(), &client);
  RECT bar;
  GetWindowRect(tk::jumptest::status_bar_handle, &bar);
  const LONG bottom = client.bottom - (bar.bottom - bar.top);
  RedrawWindow(d.get(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  d.pump();
  // Read back what was drawn: sunken outer line, raised inner line.
  const HDC dc = GetDC(d.get());
  ASSERT_NE(dc, nullptr);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const LONG mid_y = 3;  // above every control
  const LONG mid_x = client.right / 2;
  EXPECT_EQ(GetPixel(dc, 0, 40), shadow);
  EXPECT_EQ(GetPixel(dc, 1, 40), light);
  EXPECT_EQ(GetPixel(dc, mid_x, 0), shadow);
  EXPECT_EQ(GetPixel(dc, mid_x, 1), light);
  EXPECT_EQ(GetPixel(dc, client.right - 1, 40), light);
  EXPECT_EQ(GetPixel(dc, client.right - 2, 40), shadow);
  EXPECT_EQ(GetPixel(dc, 3, bottom - 1), light);
  EXPECT_EQ(GetPixel(dc, 3, bottom - 2), shadow);
  EXPECT_EQ(GetPixel(dc, mid_x, mid_y), GetSysColor(COLOR_BTNFACE));
  ReleaseDC(d.get(), dc);
}

// ---------------------------------------------------------------------------
// The modal dialog through run_dialog, driven by a thread timer that takes
// one step per tick while the dialog is enabled (no message box open).

using step = std::function<void(HWND)>;

struct script {
  std::vector<step> steps;
  std::size_t next = 0;
  bool busy = false;
};

script* running = nullptr;

void CALLBACK script_tick(HWND, UINT, UINT_PTR, DWORD) {
  script* s = running;
  if (!s || s->busy || s->next >= s->steps.size()) return;
  const HWND w = tk::jumptest::dialog_handle;
  if (!w || !IsWindow(w) || !IsWindowEnabled(w)) return;
  s->busy = true;
  s->steps[s->next++](w);
  s->busy = false;
}

struct modal_run {
  std::int32_t result = 0;
  std::size_t steps_done = 0;
};

modal_run run_modal(std::vector<step> steps) {
  script s{std::move(steps)};
  tk::jumptest::dialog_handle = nullptr;
  running = &s;
  modal_run r;
  {
    const scoped_watchdog watchdog;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, script_tick);
    r.result = tk::jumptest::run_dialog();
    KillTimer(nullptr, timer);
    EXPECT_FALSE(watchdog_fired) << "the dialog had to be ended by force";
  }
  running = nullptr;
  r.steps_done = s.next;
  return r;
}

void post_click(HWND w, int id) {
  PostMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
}

TEST(JumptestModal, EveryWayOfClosingEndsWithZero) {
  const std::vector<std::pair<const char*, step>> ways = {
      {"Esc",
       [](HWND) {
         PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
       }},
      {"Close button", [](HWND w) { post_click(w, tk::jumptest::id_close); }},
      {"WM_CLOSE", [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
      {"close box",
       [](HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [name, way] : ways) {
    const modal_run r = run_modal({way});
    EXPECT_EQ(r.result, 0) << name;
    EXPECT_EQ(r.steps_done, 1u) << name;
  }
}

TEST(JumptestModal, NoBlockNoDialog) {
  tk::jumptest::module_handle = GetModuleHandleA(nullptr);
  EXPECT_EQ(tk::jumptest::run_dialog_in(tk::zero_block{}), -1);
  EXPECT_EQ(tk::jumptest::run_dialog_in(tk::zero_block::allocate(433)), -1);
}

}  // namespace
