// wintext: prints the windows of a process as an accessibility tool reads them, one UTF-8 line
// per window: the top-level windows of a process (or whose caption begins with a given text) and
// all their child windows, each with its class, control id, visibility, enabled state, rectangle
// and text.
//
//   wintext --caption TEXT | --pid N  [--ping MS | --accessible]
//
// Line format, fields separated by tabs:
//   depth  class  id  visible(0/1)  enabled(0/1)  left,top,width,height  text
// Top-level rectangles are in screen coordinates, children's in their parent's client area.
// In the text, "\\" "\t" "\r" "\n" stand for a backslash, tab, carriage return and line feed.
//
// With --ping, nothing is printed of the windows: each one found is sent a message that does
// nothing (WM_NULL) and given MS milliseconds to answer, as Windows asks a window before it calls
// it "Not Responding"; one line per window says "answered in N ms" or "no answer in MS ms".
//
// With --accessible, each line says what a screen reader reads of the window (through MSAA, the
// object the window gives for its client area, or the system's one):
//   depth  class  role  name  value  state
// role as the system names it in English ("push button", "progress bar"), state as flags in hex
// (STATE_SYSTEM_*: 0x1 unavailable, 0x4 focused, 0x8000 invisible).
//
// Exit code: 0 when a window was found (and with --ping, every one answered), 1 when none,
// 2 on bad usage, 3 when a window did not answer in time.
#include <windows.h>
// After windows.h:
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Filter {
  DWORD pid = 0;
  const wchar_t* caption = nullptr;
};

std::string utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring escaped(const std::wstring& s) {
  std::wstring out;
  for (wchar_t c : s) {
    switch (c) {
      case L'\\':
        out += L"\\\\";
        break;
      case L'\t':
        out += L"\\t";
        break;
      case L'\r':
        out += L"\\r";
        break;
      case L'\n':
        out += L"\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// WM_GETTEXT, as another process reads a control's text; a hung window gives no text.
std::wstring textOf(HWND w) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
  std::wstring buf(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, 2000, &got)) {
    return {};
  }
  buf.resize(got);
  return buf;
}

void printLine(const std::string& line) {
  const std::string bytes = line + "\n";
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void print(HWND w, int depth) {
  wchar_t cls[256] = {};
  GetClassNameW(w, cls, 256);
  RECT r{};
  GetWindowRect(w, &r);
  if (const HWND parent = depth > 0 ? GetParent(w) : nullptr) {
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  std::wstring line = std::to_wstring(depth) + L"\t" + cls + L"\t" +
                      std::to_wstring(GetDlgCtrlID(w)) + L"\t" +
                      (IsWindowVisible(w) ? L"1" : L"0") + L"\t" +
                      (IsWindowEnabled(w) ? L"1" : L"0") + L"\t" + std::to_wstring(r.left) + L"," +
                      std::to_wstring(r.top) + L"," + std::to_wstring(r.right - r.left) + L"," +
                      std::to_wstring(r.bottom - r.top) + L"\t" + escaped(textOf(w));
  printLine(utf8(line));
}

// True when the window answered a message that does nothing within timeoutMs.
bool ping(HWND w, UINT timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  DWORD_PTR result = 0;
  const bool answered = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result);
  const ULONGLONG took = GetTickCount64() - start;
  printLine(answered ? "answered in " + std::to_string(took) + " ms"
                     : "no answer in " + std::to_string(timeoutMs) + " ms");
  return answered;
}

std::wstring taken(BSTR s) {
  std::wstring out = s ? std::wstring(s, SysStringLen(s)) : std::wstring();
  SysFreeString(s);
  return out;
}

// The role, name, value and state a screen reader reads of the window's client area.
void printAccessible(HWND w, int depth) {
  wchar_t cls[256] = {};
  GetClassNameW(w, cls, 256);
  std::wstring line = std::to_wstring(depth) + L"\t" + cls + L"\t";
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(w, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    printLine(utf8(line + L"(no accessible object)"));
    return;
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  VariantInit(&role);
  wchar_t roleText[128] = L"?";
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) {
    GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 128);
  }
  BSTR name = nullptr;
  BSTR value = nullptr;
  if (object->get_accName(self, &name) != S_OK) name = nullptr;
  if (object->get_accValue(self, &value) != S_OK) value = nullptr;
  VARIANT state;
  VariantInit(&state);
  long flags = 0;
  if (SUCCEEDED(object->get_accState(self, &state)) && state.vt == VT_I4) flags = state.lVal;
  object->Release();
  wchar_t hex[16];
  std::swprintf(hex, 16, L"0x%lx", static_cast<unsigned long>(flags));
  line += std::wstring(roleText) + L"\t" + escaped(taken(name)) + L"\t" + escaped(taken(value)) +
          L"\t" + hex;
  printLine(utf8(line));
}

void printTree(HWND w, int depth, bool accessible) {
  if (accessible) {
    printAccessible(w, depth);
  } else {
    print(w, depth);
  }
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    printTree(c, depth + 1, accessible);
  }
}

BOOL CALLBACK collect(HWND w, LPARAM param) {
  auto* found = reinterpret_cast<std::vector<HWND>*>(param);
  found->push_back(w);
  return TRUE;
}

bool matches(HWND w, const Filter& f) {
  if (f.pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid == f.pid;
  }
  // The caption as the system keeps it: found even while the window does not answer.
  wchar_t caption[256] = {};
  GetWindowTextW(w, caption, 256);
  return std::wcsncmp(caption, f.caption, std::wcslen(f.caption)) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Filter filter;
  const bool withPing = argc == 5 && std::wcscmp(argv[3], L"--ping") == 0;
  const UINT pingMs = withPing ? static_cast<UINT>(std::wcstoul(argv[4], nullptr, 10)) : 0;
  const bool accessible = argc == 4 && std::wcscmp(argv[3], L"--accessible") == 0;
  const bool usable = argc == 3 || accessible || (withPing && pingMs > 0);
  if (usable && std::wcscmp(argv[1], L"--pid") == 0) {
    filter.pid = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  } else if (usable && std::wcscmp(argv[1], L"--caption") == 0) {
    filter.caption = argv[2];
  } else {
    std::fputs("usage: wintext --caption TEXT | --pid N  [--ping MS | --accessible]\n", stderr);
    return 2;
  }
  if (accessible) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<HWND> all;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
  int found = 0;
  bool allAnswered = true;
  for (HWND w : all) {
    if (!matches(w, filter)) continue;
    if (withPing) {
      allAnswered = ping(w, pingMs) && allAnswered;
    } else {
      printTree(w, 0, accessible);
    }
    ++found;
  }
  std::fflush(stdout);
  if (found == 0) return 1;
  return allAnswered ? 0 : 3;
}
