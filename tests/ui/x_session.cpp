#include "x_session.h"

#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

namespace kova::test {

namespace {

namespace fs = std::filesystem;

using XWindow = unsigned long;
using XAtom = unsigned long;

// The client message of the X protocol as Xlib lays it out (LP64), inside an event's room.
struct XClientMessage {
  int Type;
  unsigned long Serial;
  int SendEvent;
  void* Display;
  XWindow Window;
  XAtom MessageType;
  int Format;
  long Data[5];
};
// Xlib's window attributes (LP64); only the map state is read.
struct XAttributes {
  int X, Y, Width, Height, BorderWidth, Depth;
  void* Visual;
  XWindow Root;
  int Class, BitGravity, WinGravity, BackingStore;
  unsigned long BackingPlanes, BackingPixel;
  int SaveUnder;
  unsigned long Colormap;
  int MapInstalled, MapState;
  long AllEventMasks, YourEventMask, DoNotPropagateMask;
  int OverrideRedirect;
  void* Screen;
};
constexpr int kIsViewable = 2;

union XEventRoom {
  XClientMessage Client;
  long Pad[24];
};

constexpr int kClientMessage = 33;

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    start = end + 1;
  }
  return {};
}

}  // namespace

// The few calls of libX11 and libXtst the session makes.
struct XSession::Library {
  void* X11 = nullptr;
  void* XTest = nullptr;
  void* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(void*) = nullptr;
  XWindow (*DefaultRootWindow)(void*) = nullptr;
  int (*QueryTree)(void*, XWindow, XWindow*, XWindow*, XWindow**, unsigned*) = nullptr;
  int (*FetchName)(void*, XWindow, char**) = nullptr;
  int (*GetWindowAttributes)(void*, XWindow, XAttributes*) = nullptr;
  int (*Free)(void*) = nullptr;
  XAtom (*InternAtom)(void*, const char*, int) = nullptr;
  int (*SendEvent)(void*, XWindow, int, long, XEventRoom*) = nullptr;
  int (*Flush)(void*) = nullptr;
  int (*Sync)(void*, int) = nullptr;
  unsigned char (*KeysymToKeycode)(void*, unsigned long) = nullptr;
  int (*GetGeometry)(void*, XWindow, XWindow*, int*, int*, unsigned*, unsigned*, unsigned*,
                     unsigned*) = nullptr;
  int (*TranslateCoordinates)(void*, XWindow, XWindow, int, int, int*, int*, XWindow*) = nullptr;
  int (*FakeKeyEvent)(void*, unsigned, int, unsigned long) = nullptr;
  int (*FakeMotionEvent)(void*, int, int, int, unsigned long) = nullptr;
  int (*FakeButtonEvent)(void*, unsigned, int, unsigned long) = nullptr;

  template <class F>
  bool Take(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
  }

  bool Load() {
    X11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    XTest = ::dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!X11 || !XTest) return false;
    return Take(X11, "XOpenDisplay", OpenDisplay) && Take(X11, "XCloseDisplay", CloseDisplay) &&
           Take(X11, "XDefaultRootWindow", DefaultRootWindow) &&
           Take(X11, "XQueryTree", QueryTree) && Take(X11, "XFetchName", FetchName) &&
           Take(X11, "XGetWindowAttributes", GetWindowAttributes) && Take(X11, "XFree", Free) &&
           Take(X11, "XInternAtom", InternAtom) && Take(X11, "XSendEvent", SendEvent) &&
           Take(X11, "XFlush", Flush) && Take(X11, "XSync", Sync) &&
           Take(X11, "XKeysymToKeycode", KeysymToKeycode) &&
           Take(X11, "XGetGeometry", GetGeometry) &&
           Take(X11, "XTranslateCoordinates", TranslateCoordinates) &&
           Take(XTest, "XTestFakeKeyEvent", FakeKeyEvent) &&
           Take(XTest, "XTestFakeMotionEvent", FakeMotionEvent) &&
           Take(XTest, "XTestFakeButtonEvent", FakeButtonEvent);
  }

  ~Library() {
    if (XTest) ::dlclose(XTest);
    if (X11) ::dlclose(X11);
  }
};

XSession::XSession() : x_(new Library) {
  const std::string server = FindProgram("Xvfb");
  if (server.empty()) {
    problem_ = "no Xvfb to run the program on";
    return;
  }
  if (!x_->Load()) {
    problem_ = "libX11 or libXtst cannot be loaded";
    return;
  }
  // A display number no other server holds.
  int number = 100 + static_cast<int>(::getpid() % 800);
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
         fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
    ++number;
  const std::string name = ":" + std::to_string(number);
  server_ = ::fork();
  if (server_ == 0) {
    ::execl(server.c_str(), server.c_str(), name.c_str(), "-screen", "0", "1280x1024x24",
            "-nolisten", "tcp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const bool up = QTest::qWaitFor(
      [&] {
        display_handle_ = x_->OpenDisplay(name.c_str());
        return display_handle_ != nullptr || ::waitpid(server_, nullptr, WNOHANG) == server_;
      },
      60000);
  if (!up || !display_handle_) {
    problem_ = "Xvfb did not start on " + name;
    return;
  }
  display_ = name;
}

XSession::~XSession() {
  if (display_handle_) x_->CloseDisplay(display_handle_);
  if (server_ > 0) {
    ::kill(server_, SIGTERM);
    ::waitpid(server_, nullptr, 0);
  }
  delete x_;
}

unsigned long XSession::FindWindow(const std::string& name) const {
  if (!display_handle_) return 0;
  XWindow root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!x_->QueryTree(display_handle_, x_->DefaultRootWindow(display_handle_), &root, &parent,
                     &children, &count))
    return 0;
  XWindow found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    char* title = nullptr;
    if (x_->FetchName(display_handle_, children[i], &title) && title) {
      XAttributes attributes{};
      if (name == title && x_->GetWindowAttributes(display_handle_, children[i], &attributes) &&
          attributes.MapState == kIsViewable)
        found = children[i];
      x_->Free(title);
    }
  }
  if (children) x_->Free(children);
  return found;
}

std::optional<QRect> XSession::Geometry(unsigned long window) const {
  XWindow root = 0, child = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (!x_->GetGeometry(display_handle_, window, &root, &x, &y, &width, &height, &border, &depth))
    return std::nullopt;
  int left = 0, top = 0;
  x_->TranslateCoordinates(display_handle_, window, root, 0, 0, &left, &top, &child);
  return QRect(left, top, static_cast<int>(width), static_cast<int>(height));
}

void XSession::PressKey(unsigned long keySymbol) const {
  const unsigned code = x_->KeysymToKeycode(display_handle_, keySymbol);
  x_->FakeKeyEvent(display_handle_, code, 1, 0);
  x_->FakeKeyEvent(display_handle_, code, 0, 0);
  x_->Sync(display_handle_, 0);
}

void XSession::Click(int x, int y) const {
  x_->FakeMotionEvent(display_handle_, -1, x, y, 0);
  x_->FakeButtonEvent(display_handle_, 1, 1, 0);
  x_->FakeButtonEvent(display_handle_, 1, 0, 0);
  x_->Sync(display_handle_, 0);
}

void XSession::Close(unsigned long window) const {
  XEventRoom event{};
  event.Client.Type = kClientMessage;
  event.Client.Window = window;
  event.Client.MessageType = x_->InternAtom(display_handle_, "WM_PROTOCOLS", 0);
  event.Client.Format = 32;
  event.Client.Data[0] = static_cast<long>(x_->InternAtom(display_handle_, "WM_DELETE_WINDOW", 0));
  x_->SendEvent(display_handle_, window, 0, 0, &event);
  x_->Sync(display_handle_, 0);
}

}  // namespace kova::test
